#!/usr/bin/env python3
"""Checks that a package may be built under its number, or that a built one matches its record.

  scripts/package-check.py [--root DIR]                 before building
  scripts/package-check.py [--root DIR] --built SUMS    after building: SUMS is the package's
                                                        SHA256SUMS (files and their SHA-256)

The package's number is in release/VERSION. Before building, it refuses (exit 1, one
"FILE:LINE: what, found what, what to do" line each on stderr) when CHANGELOG.md's
"Unreleased" section still holds entries, when its newest numbered section is not
"## [NUMBER] - YYYY-MM-DD", when INSTALL.txt or README.md name a package of another number,
or when release/packages.txt records the number for a commit whose tree differs from this one.
After building, a recorded number must give the recorded SHA-256s; an unrecorded one gets the
lines to add to the record printed on stdout.
"""
import argparse
import datetime
import os
import re
import subprocess
import sys

ME = "scripts/package-check.py"
RECORD = "release/packages.txt"
SECTION = re.compile(r"^## \[([^\]]*)\](.*)$")
NUMBER = re.compile(r"^[0-9]+\.[0-9]+\.[0-9]+$")
PACKAGE_NAME = re.compile(r"ZorvanShapes-([0-9]+(?:\.[0-9]+)*)-(?:setup\.exe|windows\.zip|win32\.zip)")


def read_lines(root, name, errors):
    try:
        with open(os.path.join(root, name), encoding="utf-8") as f:
            return f.read().splitlines()
    except OSError as e:
        errors.append(f"{name}: cannot be read: {e.strerror}")
        return None


def package_number(root, errors):
    lines = read_lines(root, "release/VERSION", errors)
    if lines is None:
        return None
    found = lines[0].strip() if lines else ""
    if not NUMBER.match(found) or len(lines) != 1:
        errors.append(f"release/VERSION:1: expected one line with the package's number such as 1.3.0, found '{found[:40]}'")
        return None
    return found


def check_changelog(root, number, errors):
    lines = read_lines(root, "CHANGELOG.md", errors)
    if lines is None:
        return None
    unreleased = None
    for i, line in enumerate(lines, 1):
        m = SECTION.match(line)
        if not m:
            if unreleased is not None and line.strip():
                errors.append(f"CHANGELOG.md:{unreleased}: \"Unreleased\" still holds entries (line {i}: '{line.strip()[:40]}'); "
                              f"move them into the section \"## [{number}] - {datetime.date.today()}\" of this package")
                return None
            continue
        if m.group(1).lower() == "unreleased":
            unreleased = i
            continue
        date = re.fullmatch(r" - ([0-9]{4}-[0-9]{2}-[0-9]{2})", m.group(2))
        if m.group(1) != number or not date:
            errors.append(f"CHANGELOG.md:{i}: the newest section must be \"## [{number}] - YYYY-MM-DD\" (release/VERSION says "
                          f"{number}), found '{line[:60]}'; add this package's section with its date, or change release/VERSION")
            return None
        try:
            datetime.date.fromisoformat(date.group(1))
        except ValueError:
            errors.append(f"CHANGELOG.md:{i}: '{date.group(1)}' is not a date; write the release date as YYYY-MM-DD")
            return None
        return date.group(1)
    errors.append(f"CHANGELOG.md: no numbered section; add \"## [{number}] - YYYY-MM-DD\" with this package's changes")
    return None


def check_named_packages(root, number, errors):
    for name in ("INSTALL.txt", "README.md"):
        for i, line in enumerate(read_lines(root, name, errors) or [], 1):
            for m in PACKAGE_NAME.finditer(line):
                if m.group(1) != number:
                    errors.append(f"{name}:{i}: names the package {m.group(0)}, but this package is {number}; "
                                  f"name ZorvanShapes-{number}-... there")


def read_record(root, errors):
    record = []
    for i, line in enumerate(read_lines(root, RECORD, errors) or [], 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split()
        if len(fields) != 5 or not re.fullmatch(r"[0-9a-f]{64}", fields[4]):
            errors.append(f"{RECORD}:{i}: expected 'NUMBER DATE COMMIT FILE SHA256', found '{line[:60]}'")
            continue
        record.append((i, *fields))
    return record


def git(root, *args):
    return subprocess.run(["git", "-C", root, *args], capture_output=True, text=True)


def check_not_released(root, number, record, errors):
    """A recorded number may only be rebuilt from its own commit (the record's lines aside)."""
    rows = [r for r in record if r[1] == number]
    if not rows:
        return
    line, _, date, commit, _, _ = rows[0]
    diff = git(root, "diff", "--name-only", commit, "HEAD", "--", ".", f":!{RECORD}")
    if diff.returncode != 0:
        errors.append(f"{RECORD}:{line}: {number} was released on {date} from commit {commit}, which this clone does not "
                      f"have; give this package a new number (release/VERSION and a CHANGELOG section)")
    elif diff.stdout.strip():
        changed = diff.stdout.split()
        errors.append(f"{RECORD}:{line}: {number} was released on {date} from commit {commit}, and this tree differs from "
                      f"it ({len(changed)} file{'s' if len(changed) != 1 else ''}, e.g. {changed[0]}); give this package a new "
                      f"number in release/VERSION and a CHANGELOG section \"## [NEW] - YYYY-MM-DD\"")


def check_built(root, number, date, record, sums, errors):
    built = {}
    for line in read_lines(root, sums, errors) or []:
        fields = line.split()
        if len(fields) == 2:
            built[fields[1]] = fields[0]
    rows = [r for r in record if r[1] == number]
    if not rows:
        head = git(root, "rev-parse", "--short=12", "HEAD").stdout.strip() or "unknown"
        print(f"release: {number} is not in {RECORD} yet; when this package is published, add these lines and commit them:")
        for name, digest in sorted(built.items()):
            print(f"{number} {date} {head} {name} {digest}")
        return
    for line, _, _, _, name, digest in rows:
        if built.get(name) != digest:
            errors.append(f"{RECORD}:{line}: {name} was released with SHA-256 {digest[:16]}..., this build gives "
                          f"{(built.get(name) or 'no such file')[:16]}...; a package with other content needs a new number")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--built", metavar="SUMS")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    errors = []
    number = package_number(root, errors)
    if number:
        date = check_changelog(root, number, errors)
        check_named_packages(root, number, errors)
        record = read_record(root, errors)
        if args.built:
            check_built(root, number, date, record, os.path.abspath(args.built), errors)
        else:
            check_not_released(root, number, record, errors)
    for e in errors:
        print(e, file=sys.stderr)
    if errors:
        print(f"{ME}: the package cannot be built as it stands ({len(errors)} problem{'s' if len(errors) != 1 else ''} above)",
              file=sys.stderr)
        return 1
    if not args.built:
        print(number)
    return 0


if __name__ == "__main__":
    sys.exit(main())
