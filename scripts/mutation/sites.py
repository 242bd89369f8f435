"""Finding mutation sites in the module's sources and drawing a sample of them."""

import hashlib
import os
import random
import re

from mutation.common import ROOT, usage_error

FOLDERS = ["client", "hostapi", "tools", "util", "platform"]
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "static_assert", "delete", "new",
            "case", "do", "else", "goto", "alignof", "decltype", "throw", "catch", "operator"}


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
