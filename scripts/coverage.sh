#!/usr/bin/env bash
# Line and branch coverage of the module's sources by the Linux suites (unit, host and module
# tests, example scenarios): a build of its own in build/coverage (--coverage -O0), then gcovr.
# Prints the figures per module folder and overall, writes an HTML report to
# build/coverage/html/index.html.
#
#   scripts/coverage.sh                 # build, run the suites, print the figures
#   scripts/coverage.sh --gate          # the same; exit 1 when the module is below 99% of its
#                                       # lines or 95% of its branches
#   scripts/coverage.sh --gate --min-line 99 --min-branch 90   # other thresholds
#
# Compiler-made branches are left out (gcovr's --exclude-throw-branches and
# --exclude-unreachable-branches); branches unreachable by design are marked in the code with
# GCOVR_EXCL_BR_LINE / GCOVR_EXCL_START..STOP and the reason beside the mark.
set -euo pipefail
zv_me=coverage.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

gate=0
min_line=99
min_branch=95
while [ $# -gt 0 ]; do
  case "$1" in
    --gate) gate=1 ;;
    --min-line) min_line=${2:?--min-line needs a percentage}; shift ;;
    --min-branch) min_branch=${2:?--min-branch needs a percentage}; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) zv_die -2 "unknown argument '$1' (see --help)" ;;
  esac
  shift
done
zv_need cmake ninja g++ gcov gcovr python3

build=build/coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
  -DZV_BENCH=OFF -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_C_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
  -DCMAKE_MODULE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j "${ZV_JOBS:-2}"
# Counts from an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" --output-on-failure >"$build/ctest.log" 2>&1 || {
  cat "$build/ctest.log" >&2
  echo "coverage.sh: a test fails in the coverage build (log above); no figures" >&2
  exit 1
}

mkdir -p "$build/html"
filter='(client|hostapi|tools|util|platform|version)/'
# Only the module's own objects are read (the tests' copies of inline functions are not the
# module); they are linked into both the unit tests and the loaded module, so both count.
gcovr --root . --object-directory "$build" --filter "$filter" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$build/summary.json" --html-details "$build/html/index.html" \
  "$build/CMakeFiles/zorvan_objs.dir" >/dev/null

python3 - "$build/summary.json" "$gate" "$min_line" "$min_branch" <<'EOF'
import json, sys
summary, gate, min_line, min_branch = sys.argv[1], sys.argv[2] == "1", float(sys.argv[3]), float(sys.argv[4])
with open(summary) as fh:
    files = json.load(fh)["files"]
rows = {}
for f in files:
    folder = f["filename"].split("/")[0]
    for key in (folder, "module"):
        r = rows.setdefault(key, [0, 0, 0, 0])
        r[0] += f["line_covered"]; r[1] += f["line_total"]
        r[2] += f["branch_covered"]; r[3] += f["branch_total"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
print("%-10s %17s %17s" % ("folder", "lines", "branches"))
for key in sorted(k for k in rows if k != "module") + ["module"]:
    r = rows[key]
    print("%-10s %5d/%-5d %5.1f%% %5d/%-5d %5.1f%%" % (key, r[0], r[1], pct(r[0], r[1]), r[2], r[3], pct(r[2], r[3])))
below = [f for f in files if f["branch_total"] and pct(f["branch_covered"], f["branch_total"]) < min_branch]
if below:
    print("\nfiles below %g%% of their branches:" % min_branch)
    for f in sorted(below, key=lambda f: f["filename"]):
        print("  %-40s %4d/%-4d %5.1f%%" % (f["filename"], f["branch_covered"], f["branch_total"],
                                           pct(f["branch_covered"], f["branch_total"])))
print("\nHTML report: build/coverage/html/index.html")
m = rows["module"]
line, branch = pct(m[0], m[1]), pct(m[2], m[3])
if gate:
    failed = []
    if line < min_line:
        failed.append("line coverage %.1f%% is below %g%%" % (line, min_line))
    if branch < min_branch:
        failed.append("branch coverage %.1f%% is below %g%%" % (branch, min_branch))
    if failed:
        print("coverage.sh: the module's " + " and ".join(failed)
              + "; build/coverage/html/index.html shows the lines and branches no test runs", file=sys.stderr)
        sys.exit(1)
    print("coverage gate passed: lines %.1f%% >= %g%%, branches %.1f%% >= %g%%" % (line, min_line, branch, min_branch))
EOF
