#!/usr/bin/env python3
"""Mutation runner for the module's sources (client/, hostapi/, tools/, util/, platform/).

Plants one small fault at a time in a source file (an operator swapped, a condition negated, a
literal changed, a call deleted, a return value replaced), rebuilds what the tests need in an
existing build tree, runs the fast suites (unit, module tests and the example scenarios) and
records whether a test noticed. The source file is restored byte for byte after every mutant,
also on Ctrl-C or SIGTERM.

    scripts/mutate.py --seed 1 --count 200                  # a sample over all module folders
    scripts/mutate.py --files util/format.cpp --count 40    # one file (or a folder: util/)
    scripts/mutate.py --target win32 --files util/format.cpp
    scripts/mutate.py --preset linux-asan --files client/
    scripts/mutate.py --seed 1 --count 200 --summary        # figures of what is recorded
    scripts/mutate.py --seed 1 --count 200 --list           # the sample, without running it

Results: one JSON line per mutant in build/mutation/<preset>.jsonl. A run skips mutants already
recorded there, so an interrupted run resumes; --retry-survivors runs the recorded survivors
again (after tests were added). Mutants listed in tests/mutation-equivalent.txt are counted as
equivalent and not run. Score = killed / (tried - stillborn - equivalent).
"""

import argparse
import hashlib
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["client", "hostapi", "tools", "util", "platform"]
EQUIVALENT_FILE = os.path.join("tests", "mutation-equivalent.txt")
# Test programs that never load the module: they run only when the build relinked them.
MODULE_FREE_PROGRAMS = {"host_tests"}
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "static_assert", "delete", "new",
            "case", "do", "else", "goto", "alignof", "decltype", "throw", "catch", "operator"}


def err(msg):
    print("mutate.py: " + msg, file=sys.stderr)


# ---------------------------------------------------------------------------------------------
# Finding mutation sites

def mask_source(text):
    """Returns text of the same length with comments, string and character literals, preprocessor
    lines and static_assert(...) blanked (newlines kept), so that only code is searched."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":  # preprocessor line, with continuations
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        line_start = False
        if c == "\n":
            line_start = True
            i += 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if text[k] != "\n":
                    out[k] = " "
            i = j
        elif c == '"' and i > 0 and text[i - 1] == "R":  # raw string R"d(...)d"
            open_paren = text.find("(", i)
            delim = text[i + 1:open_paren]
            j = text.find(")" + delim + '"', open_paren)
            j = n if j < 0 else j + len(delim) + 2
            for k in range(i, j):
                if text[k] != "\n":
                    out[k] = " "
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum() and
                                 i + 1 < n and text[i + 1].isalnum()):  # not a digit separator
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            for k in range(i + 1, j - 1):
                out[k] = " "
            i = j
        else:
            i += 1
    masked = "".join(out)
    for m in re.finditer(r"\bstatic_assert\s*\(", masked):
        end = match_paren(masked, m.end() - 1)
        if end > 0:
            masked = masked[:m.start()] + re.sub(r"[^\n]", " ", masked[m.start():end + 1]) + masked[end + 1:]
    return masked


def match_paren(masked, open_pos):
    """Index of the bracket closing the one at open_pos, or -1."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    opener = masked[open_pos]
    closer = pairs[opener]
    depth = 0
    for i in range(open_pos, len(masked)):
        ch = masked[i]
        if ch == opener:
            depth += 1
        elif ch == closer:
            depth -= 1
            if depth == 0:
                return i
    return -1


class Site:
    """One mutant: replace text[start:end] with `new`."""

    def __init__(self, file, text, start, end, new, op):
        self.file, self.start, self.end, self.new, self.op = file, start, end, new, op
        self.line = text.count("\n", 0, start) + 1
        ls = text.rfind("\n", 0, start) + 1
        le = text.find("\n", start)
        le = len(text) if le < 0 else le
        self.col = start - ls + 1
        self.before = text[ls:le]
        mutated = text[:start] + new + text[end:]
        me = mutated.find("\n", ls)
        self.after = mutated[ls:len(mutated) if me < 0 else me]
        self.key = (file, op, norm(self.before), norm(self.after))
        self.id = ""  # set once every site of the file is known

    def describe(self):
        return "%s:%d %s: %s  ->  %s" % (self.file, self.line, self.op, self.before.strip(), self.after.strip())


def norm(s):
    return " ".join(s.split())


# Already the zero value: 0, false, nullptr, T{}, T{0, nullptr}.
ZERO_VALUE = re.compile(r"^(0[uUlL]*|false|nullptr|NULL|[\w:<>]*\{(\s*(0|nullptr|false)\s*,?)*\})$")
BINARY = r"(?<=\s)%s(?=\s)"  # clang-format spaces binary operators; unary and template ones are not


def find_sites(file, text):
    masked = mask_source(text)
    sites = []

    def add(start, end, new, op):
        sites.append(Site(file, text, start, end, new, op))

    swaps = [("relational", {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}),
             ("arithmetic", {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=",
                             "*=": "/=", "/=": "*="}),
             ("logical", {"&&": "||", "||": "&&"})]
    for op, table in swaps:
        alternatives = "|".join(re.escape(t) for t in sorted(table, key=len, reverse=True))
        for m in re.finditer(BINARY % "(%s)" % alternatives, masked):
            tok = m.group(1)
            if tok == "<" and re.search(r"\b(template|operator)\s*$", masked[:m.start()]):
                continue
            add(m.start(), m.end(), table[tok], op)

    # Condition negation: if (c) -> if (!(c)), while (c) -> while (!(c)).
    stmt_starts = set()
    for m in re.finditer(r"\b(if|while|for|switch)\s*\(", masked):
        close = match_paren(masked, m.end() - 1)
        if close < 0:
            continue
        stmt_starts.add(close + 1)
        if m.group(1) in ("if", "while"):
            inner = masked[m.end():close]
            if inner.strip():
                add(m.end(), close, "!(" + text[m.end():close] + ")", "negation")

    # Integer literals: 0 -> 1, 1 -> 0, k -> k+1.
    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)(?=[uUlL]*(?![\w.']))", masked):
        lit = m.group(1)
        if lit.lower().startswith("0x"):
            v = int(lit, 16)
            new = "0x%X" % (v + 1) if v > 1 else ("0x1" if v == 0 else "0x0")
        else:
            v = int(lit)
            new = "1" if v == 0 else "0" if v == 1 else str(v + 1)
        add(m.start(), m.end(), new, "literal")

    # Deletion of a call statement: f(...); obj.f(...); ns::f(...);  ->  {}
    for m in re.finditer(r"[;{}]|\belse\b|(?<!:):(?!:)", masked):
        stmt_starts.add(m.end())
    call = re.compile(r"\s*((?:[A-Za-z_]\w*\s*(?:::|\.|->)\s*)*([A-Za-z_]\w*))\s*\(")
    for s in sorted(stmt_starts):
        m = call.match(masked, s)
        if not m or m.group(2) in KEYWORDS or m.group(1).split("::")[0].strip() in KEYWORDS:
            continue
        close = match_paren(masked, m.end() - 1)
        if close < 0:
            continue
        semi = re.match(r"\s*;", masked[close + 1:])
        if not semi:
            continue
        add(m.start(1), close + 1 + semi.end(), "{}", "call-deletion")

    # Return value replaced by the type's zero value (0, false, nullptr).
    for m in re.finditer(r"\breturn\b", masked):
        j = m.end()
        depth = 0
        while j < len(masked):
            ch = masked[j]
            if ch in "([{":
                depth += 1
            elif ch in ")]}":
                depth -= 1
            elif ch == ";" and depth == 0:
                break
            j += 1
        expr = masked[m.end():j].strip()
        if not expr or ZERO_VALUE.match(expr):
            continue
        add(m.start(), j, "return {}", "return-value")

    sites.sort(key=lambda s: (s.start, s.op, s.new))
    seen = {}
    for s in sites:
        k = s.key
        seen[k] = seen.get(k, 0) + 1
        s.id = hashlib.sha1(repr((k, seen[k])).encode()).hexdigest()[:12]
    return sites


def split_ranges(patterns):
    """FILE:FIRST-LAST limits a file to a range of lines."""
    plain, ranges = [], {}
    for p in patterns or []:
        m = re.match(r"^(.*):(\d+)-(\d+)$", p)
        if m:
            ranges.setdefault(m.group(1), []).append((int(m.group(2)), int(m.group(3))))
            p = m.group(1)
        plain.append(p)
    return plain, ranges


def module_files(patterns):
    files = []
    for folder in FOLDERS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, folder)):
            for name in names:
                if name.endswith(".cpp"):
                    files.append(os.path.relpath(os.path.join(dirpath, name), ROOT))
    files.sort()
    if patterns:
        chosen = [f for f in files if any(f == p.rstrip("/") or f.startswith(p.rstrip("/") + "/")
                                          for p in patterns)]
        missing = [p for p in patterns if not any(f == p.rstrip("/") or f.startswith(p.rstrip("/") + "/")
                                                  for f in files)]
        if missing:
            raise SystemExit(usage_error("no module source matches --files %s" % " ".join(missing)))
        files = chosen
    return files


def usage_error(msg):
    err(msg)
    return 2


def sample(files, platform_dir, seed, count, ranges=None):
    """count mutants, drawn in proportion to each file's number of sites (largest remainder)."""
    per_file = {}
    ranges = ranges or {}
    for f in files:
        if f.startswith("platform/") and not f.startswith(platform_dir + "/"):
            continue  # the other target's platform layer is not built
        with open(os.path.join(ROOT, f), encoding="utf-8") as fh:
            per_file[f] = find_sites(f, fh.read())
        if f in ranges:
            per_file[f] = [s for s in per_file[f] if any(a <= s.line <= b for a, b in ranges[f])]
    total = sum(len(s) for s in per_file.values())
    count = min(count, total)
    quotas = {f: count * len(s) / total if total else 0 for f, s in per_file.items()}
    take = {f: int(q) for f, q in quotas.items()}
    rest = count - sum(take.values())
    for f in sorted(quotas, key=lambda f: (-(quotas[f] - take[f]), f))[:rest]:
        take[f] += 1
    chosen = []
    for f in sorted(per_file):
        rng = random.Random("%s:%s" % (seed, f))
        picked = rng.sample(range(len(per_file[f])), take[f])
        chosen += [per_file[f][i] for i in sorted(picked)]
    return chosen, per_file, total


# ---------------------------------------------------------------------------------------------
# The reviewed list of equivalent mutants

def read_equivalents(path):
    """Entries: a header 'FILE:LINE OPERATOR', then indented 'from:', 'to:' and 'why:' lines."""
    entries = []
    if not os.path.exists(path):
        return entries
    cur = None
    with open(path, encoding="utf-8") as fh:
        for num, raw in enumerate(fh, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            if not line[0].isspace():
                m = re.match(r"(\S+):(\d+)\s+(\S+)((?:\s+(?:linux|linux-asan|win32|win64))*)\s*$", line)
                if not m:
                    raise SystemExit(usage_error("%s:%d: expected 'FILE:LINE OPERATOR [PRESET...]', found '%s'"
                                                 % (path, num, line)))
                cur = {"file": m.group(1), "line": int(m.group(2)), "op": m.group(3), "at": num,
                       "presets": m.group(4).split()}
                entries.append(cur)
                continue
            m = re.match(r"\s+(from|to|why):\s?(.*)$", line)
            if not m or cur is None:
                raise SystemExit(usage_error("%s:%d: expected an indented 'from:', 'to:' or 'why:' line, "
                                             "found '%s'" % (path, num, line)))
            cur[m.group(1)] = m.group(2)
    for e in entries:
        for k in ("from", "to", "why"):
            if not e.get(k, "").strip():
                raise SystemExit(usage_error("%s:%d: the entry has no '%s:' line" % (path, e["at"], k)))
    return entries


def match_equivalents(entries, per_file, preset):
    """Ids of the sites the entries name: same file, operator, line before and after (whitespace
    collapsed); among several such sites, the one nearest the entry's line."""
    ids = {}
    for e in entries:
        if e["presets"] and preset not in e["presets"]:
            continue
        cands = [s for s in per_file.get(e["file"], [])
                 if s.key == (e["file"], e["op"], norm(e["from"]), norm(e["to"])) and s.id not in ids]
        if cands:
            best = min(cands, key=lambda s: abs(s.line - e["line"]))
            ids[best.id] = e
    return ids


# ---------------------------------------------------------------------------------------------
# Building and testing

class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(signum)


def run_group(cmd, cwd, limit, env=None):
    """Runs cmd in a process group of its own; kills the whole group after limit seconds.
    Returns (exit status or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True, env=env)
    try:
        out, _ = proc.communicate(timeout=limit)
        return proc.returncode, out.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        kill_group(proc)
        return None, ""
    except BaseException:
        kill_group(proc)
        raise


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()


class Suite:
    def __init__(self, build_dir, jobs):
        build_dir = os.path.abspath(build_dir)
        self.build_dir, self.jobs = build_dir, jobs
        out = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, capture_output=True, text=True)
        if out.returncode != 0:
            raise SystemExit(usage_error("ctest cannot list the tests of %s: %s" % (build_dir, out.stderr.strip())))
        self.tests = []
        bin_dir = os.path.join(build_dir, "bin")
        for t in json.loads(out.stdout)["tests"]:
            props = {p["name"]: p["value"] for p in t.get("properties", [])}
            cmd = list(t["command"])
            prog = next((c for c in cmd if os.path.dirname(c) == bin_dir), None)
            if prog is None:
                continue  # not a program of the build (a check of the sources): no mutant changes it
            name = os.path.splitext(os.path.basename(prog))[0]
            if any(c.startswith("--gtest") for c in cmd):
                cmd.append("--gtest_fail_fast")  # the first failure is enough
            self.tests.append({"name": t["name"], "cmd": cmd, "cwd": props.get("WORKING_DIRECTORY", build_dir),
                               "program": prog, "target": name, "time": 0.0,
                               "will_fail": bool(props.get("WILL_FAIL", False)),
                               "pass_re": props.get("PASS_REGULAR_EXPRESSION") or [],
                               "fail_re": props.get("FAIL_REGULAR_EXPRESSION") or []})
        self.targets = sorted({t["target"] for t in self.tests} | {"ZorvanShapes"})
        # The object file of each module source, to see whether a mutant changed the code at all.
        self.objects = {}
        commands = os.path.join(build_dir, "compile_commands.json")
        if os.path.exists(commands):
            with open(commands, encoding="utf-8") as fh:
                for c in json.load(fh):
                    out = c.get("output") or next(iter(re.findall(r"\s-o\s+(\S+)", c.get("command", ""))), "")
                    compiler = (c.get("arguments") or c.get("command", "").split() or [""])[0]
                    if "zorvan_objs" in out:
                        source = os.path.relpath(os.path.normpath(os.path.join(c["directory"], c["file"])), ROOT)
                        self.objects[source] = os.path.normpath(os.path.join(c["directory"], out))
                        # The binutils of the compiler's target strip the debug information.
                        prefix = re.sub(r"(g\+\+|gcc|c\+\+|clang\+\+|clang)(-[0-9.]+)?$", "", compiler)
                        self.objcopy = prefix + "objcopy" if prefix.endswith("-") else "objcopy"
        self.clean_objects = {}
        self.module = next((os.path.join(bin_dir, f) for f in os.listdir(bin_dir)
                            if f.startswith("ZorvanShapes.")), "") if os.path.isdir(bin_dir) else ""

    def object_digest(self, source):
        path = self.objects.get(source)
        if path is None or not os.path.exists(path):
            return None
        # Without its debug information: a mutant that only moves line and column records (a
        # return of the constant's own value written as {}) compiles to the same code.
        stripped = path + ".stripped"
        done = subprocess.run([getattr(self, "objcopy", "objcopy"), "--strip-debug", "-R", ".comment", path, stripped],
                              capture_output=True)
        read = stripped if done.returncode == 0 else path
        with open(read, "rb") as fh:
            digest = hashlib.sha1(fh.read()).hexdigest()
        if os.path.exists(stripped):
            os.remove(stripped)
        return digest

    def remember_clean_objects(self, files):
        self.clean_objects = {f: self.object_digest(f) for f in files}

    def build(self, limit):
        cmd = ["cmake", "--build", self.build_dir, "-j", str(self.jobs), "--target"] + self.targets
        return run_group(cmd, ROOT, limit)

    def stamps(self):
        files = {t["program"] for t in self.tests} | {self.module}
        return {f: os.stat(f).st_mtime_ns if os.path.exists(f) else 0 for f in files if f}

    def affected(self, before, after):
        """Tests whose program was relinked, or which load the module when it was."""
        changed = {f for f in after if after[f] != before.get(f)}
        module_changed = self.module in changed
        return [t for t in self.tests if t["program"] in changed or
                (module_changed and t["target"] not in MODULE_FREE_PROGRAMS)]

    @staticmethod
    def passed(t, code, out):
        """Whether a finished test passed, as CTest decides it."""
        if any(re.search(r, out, re.S) for r in t["fail_re"]):
            return False
        if t["pass_re"]:
            return any(re.search(r, out, re.S) for r in t["pass_re"])
        return (code != 0) if t["will_fail"] else code == 0

    def run(self, tests, limit):
        """Quickest first; stops at the first failing test. Returns (killer or None, seconds)."""
        start = time.monotonic()
        for t in sorted(tests, key=lambda t: t["time"]):
            left = limit - (time.monotonic() - start)
            if left <= 0:
                return "timeout", time.monotonic() - start
            code, out = run_group(t["cmd"], t["cwd"], left)
            if code is None:
                return "timeout (%s)" % t["name"], time.monotonic() - start
            if not self.passed(t, code, out):
                failed = re.search(r"^\[  FAILED  \] (\S+)", out, re.M)
                how = ":" + failed.group(1) if failed else " (signal %d)" % -code if code < 0 else ""
                return t["name"] + how, time.monotonic() - start
        return None, time.monotonic() - start

    def baseline(self, limit):
        for t in self.tests:
            start = time.monotonic()
            code, out = run_group(t["cmd"], t["cwd"], limit)
            t["time"] = time.monotonic() - start
            if code is None or not self.passed(t, code, out):
                err("%s fails without any mutant (%s); fix the tree first:\n%s"
                    % (t["name"], "timeout" if code is None else "exit %d" % code, out[-2000:]))
                return False
        return True


# ---------------------------------------------------------------------------------------------
# Results

def read_results(path):
    results = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as fh:
            for line in fh:
                try:
                    r = json.loads(line)
                    results[r["id"]] = r
                except (ValueError, KeyError):
                    continue  # a line cut short by an interruption
    return results


def folder_of(file):
    return file.split("/")[0]


def summarize(chosen, results, equivalents, out=sys.stdout):
    rows = {}
    survivors = []
    for s in chosen:
        status = "equivalent" if s.id in equivalents else results.get(s.id, {}).get("status", "pending")
        for key in (folder_of(s.file), "overall"):
            row = rows.setdefault(key, {"tried": 0, "stillborn": 0, "killed": 0, "survived": 0,
                                        "equivalent": 0, "pending": 0})
            if status == "pending":
                row["pending"] += 1
            else:
                row["tried"] += 1
                row[status] += 1
        if status == "survived":
            survivors.append(s)
    print("%-10s %6s %9s %7s %8s %10s %7s %8s" % ("folder", "tried", "stillborn", "killed", "survived",
                                                 "equivalent", "score", "pending"), file=out)
    for key in sorted(k for k in rows if k != "overall") + ["overall"]:
        r = rows[key]
        counted = r["tried"] - r["stillborn"] - r["equivalent"]
        score = "%.1f%%" % (100.0 * r["killed"] / counted) if counted else "-"
        print("%-10s %6d %9d %7d %8d %10d %7s %8d" % (key, r["tried"], r["stillborn"], r["killed"],
                                                     r["survived"], r["equivalent"], score, r["pending"]), file=out)
    if survivors:
        print("\nsurvivors:", file=out)
        for s in survivors:
            print("  " + s.describe(), file=out)
    return rows


# ---------------------------------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    ap.add_argument("--count", type=int, default=100, help="number of mutants (default 100)")
    ap.add_argument("--files", nargs="+", metavar="PATH",
                    help="module sources or folders to mutate; FILE:FIRST-LAST for a range of lines")
    ap.add_argument("--target", choices=["linux", "win32", "win64"], default="linux")
    ap.add_argument("--preset", choices=["linux", "linux-asan", "win32", "win64"],
                    help="build preset (default: the target's own; linux-asan counts what only the sanitizers see)")
    ap.add_argument("--also", choices=["linux-asan"],
                    help="run a mutant that survives the preset's suites again in this build's suites "
                         "(the sanitizers' build, which CI runs too); killed there counts as killed")
    ap.add_argument("--timeout", type=float, default=0,
                    help="seconds the tests of one mutant may take before it counts as killed "
                         "(default: 60 s or 5 times the clean run, whichever is longer)")
    ap.add_argument("--build-timeout", type=float, default=900, help="seconds one build may take (default 900)")
    ap.add_argument("--jobs", type=int, default=2, help="parallel build jobs (default 2)")
    ap.add_argument("--retry-survivors", action="store_true", help="run recorded survivors again")
    ap.add_argument("--list", action="store_true", help="print the sample and exit")
    ap.add_argument("--summary", action="store_true", help="print the recorded figures of the sample and exit")
    args = ap.parse_args()
    if args.count < 1:
        return usage_error("--count must be at least 1")
    preset = args.preset or args.target
    if args.target in ("win32", "win64") and preset != args.target:
        return usage_error("--preset %s does not build --target %s" % (preset, args.target))
    # Both Windows targets build the Windows platform code.
    platform_dir = "platform/win32" if preset in ("win32", "win64") else "platform/posix"

    patterns, ranges = split_ranges(args.files)
    chosen, per_file, total = sample(module_files(patterns), platform_dir, args.seed, args.count, ranges)
    if total == 0:
        return usage_error("no mutation sites in the chosen files for preset %s" % preset)
    equivalents = match_equivalents(read_equivalents(os.path.join(ROOT, EQUIVALENT_FILE)), per_file, preset)
    if args.list:
        for s in chosen:
            print(("[equivalent] " if s.id in equivalents else "") + s.describe())
        print("%d of %d sites" % (len(chosen), total), file=sys.stderr)
        return 0

    results_dir = os.path.join(ROOT, "build", "mutation")
    results_path = os.path.join(results_dir, preset + ".jsonl")
    results = read_results(results_path)
    if args.summary:
        print("seed %d, %d mutants of %d sites, preset %s" % (args.seed, len(chosen), total, preset))
        summarize(chosen, results, equivalents)
        return 0

    if args.also and (preset != "linux" or args.also == preset):
        return usage_error("--also %s goes with --preset linux" % args.also)
    build_dir = os.path.join(ROOT, "build", preset)
    for p in [preset] + ([args.also] if args.also else []):
        if not os.path.exists(os.path.join(ROOT, "build", p, "CMakeCache.txt")):
            err("no build tree in build/%s; make it first with:\n  cmake --preset %s%s && cmake --build --preset %s -j2"
                % (p, p, " -DZV_BENCH=OFF" if p == "linux" else "", p))
            return 2
    os.makedirs(results_dir, exist_ok=True)
    journal = os.path.join(results_dir, "restore.json")
    restore_from_journal(journal)

    signal.signal(signal.SIGINT, on_signal)
    signal.signal(signal.SIGTERM, on_signal)
    suite = Suite(build_dir, args.jobs)
    try:
        code, out = suite.build(args.build_timeout)
        if code != 0:
            err("the build of build/%s fails without any mutant:\n%s" % (preset, out[-3000:]))
            return 1
        suite = Suite(build_dir, args.jobs)  # the module file exists now
        suite.remember_clean_objects({c.file for c in chosen})
        if not suite.baseline(600):
            return 1
        if args.also:
            also = Suite(os.path.join(ROOT, "build", args.also), args.jobs)
            code, out = also.build(args.build_timeout)
            if code != 0:
                err("the build of build/%s fails without any mutant:\n%s" % (args.also, out[-3000:]))
                return 1
            also = Suite(os.path.join(ROOT, "build", args.also), args.jobs)
            if not also.baseline(1800):
                return 1
            args.also_suite = also
        clean = sum(t["time"] for t in suite.tests)
        limit = args.timeout or max(60.0, 5 * clean)
        print("clean run: %d tests in %.1f s; per-mutant limit %.0f s; %d of %d sites sampled (seed %d)"
              % (len(suite.tests), clean, limit, len(chosen), total, args.seed), file=sys.stderr)

        todo = [s for s in chosen if s.id not in equivalents and
                (s.id not in results or (args.retry_survivors and results[s.id]["status"] == "survived"))]
        with open(results_path, "a", encoding="utf-8") as log:
            for n, s in enumerate(todo, 1):
                r = run_mutant(s, suite, limit, args, journal)
                r.update({"seed": args.seed, "preset": preset, "when": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())})
                results[s.id] = r
                log.write(json.dumps(r, sort_keys=True) + "\n")
                log.flush()
                detail = " (%s)" % r["killer"] if r.get("killer") else ""
                print("[%d/%d] %s:%d %s: %s%s, %.1f s" % (n, len(todo), s.file, s.line, s.op, r["status"],
                                                           detail, r["seconds"]), flush=True)
    except Interrupted:
        err("interrupted; the source is restored and the results so far are in %s"
            % os.path.relpath(results_path, ROOT))
        return 130
    print()
    print("seed %d, %d mutants of %d sites, preset %s" % (args.seed, len(chosen), total, preset))
    summarize(chosen, results, equivalents)
    return 0


def restore_from_journal(journal):
    """A run killed outright (SIGKILL) leaves its journal: put the file it had changed back."""
    if os.path.exists(journal):
        with open(journal, encoding="utf-8") as fh:
            j = json.load(fh)
        with open(os.path.join(ROOT, j["file"]), "wb") as fh:
            fh.write(j["original"].encode("latin-1"))
        os.remove(journal)
        err("restored %s, left mutated by a run that was killed" % j["file"])


def run_mutant(s, suite, limit, args, journal):
    path = os.path.join(ROOT, s.file)
    with open(path, "rb") as fh:
        original = fh.read()
    text = original.decode("utf-8")
    mutated = text[:s.start] + s.new + text[s.end:]
    record = {"id": s.id, "file": s.file, "line": s.line, "col": s.col, "op": s.op,
              "from": s.before.strip(), "to": s.after.strip()}
    start = time.monotonic()
    with open(journal, "w", encoding="utf-8") as fh:
        json.dump({"file": s.file, "original": original.decode("latin-1")}, fh)
    try:
        before = suite.stamps()
        with open(path, "wb") as fh:
            fh.write(mutated.encode("utf-8"))
        code, _ = suite.build(args.build_timeout)
        if code != 0:
            record.update(status="stillborn", seconds=round(time.monotonic() - start, 1))
            return record
        clean = suite.clean_objects.get(s.file)
        if clean is not None and suite.object_digest(s.file) == clean:
            # Not compiled for this target (another target's branch of an #if), or compiled
            # to the same code: nothing a test could see.
            record.update(status="equivalent", reason="object code unchanged",
                          seconds=round(time.monotonic() - start, 1))
            return record
        killer, _ = suite.run(suite.affected(before, suite.stamps()), limit)
        also = getattr(args, "also_suite", None)
        if not killer and also is not None:
            # A fault only the sanitizers see (an overflow, a leak): their build's suites decide.
            also_before = also.stamps()
            code, _ = also.build(args.build_timeout)
            if code == 0:
                killer, _ = also.run(also.affected(also_before, also.stamps()), 3 * limit)
                killer = killer and "%s: %s" % (args.also, killer)
        record.update(status="killed" if killer else "survived", seconds=round(time.monotonic() - start, 1))
        if killer:
            record["killer"] = killer
        return record
    finally:
        # Restored byte for byte (a second Ctrl-C waits until it is); the next build compiles the
        # original again.
        signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})
        with open(path, "wb") as fh:
            fh.write(original)
        os.remove(journal)
        signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGINT, signal.SIGTERM})


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:
        sys.exit(1)
