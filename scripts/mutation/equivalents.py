"""The reviewed list of equivalent mutants (tests/mutation-equivalent.txt)."""

import os
import re

from mutation.common import usage_error
from mutation.sites import norm

EQUIVALENT_FILE = os.path.join("tests", "mutation-equivalent.txt")


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
