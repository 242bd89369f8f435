#!/usr/bin/env bash
# Runs every test on every target: installs what is missing, builds the Win32 and the Win64 DLL
# (tests under Wine), the Linux module (plain and with AddressSanitizer +
# UndefinedBehaviorSanitizer), checks that the three builds play one random session
# identically and that both DLLs build byte-identically twice, adds a throwaway command to a
# scratch copy (scripts/new-command-check.sh), tests the installer under Wine
# (and that it builds byte-identically and signs), checks the module's line and
# branch coverage, runs the fuzz targets briefly on their corpora and the host-driven suite
# under valgrind. The tour's HTML report is opened in headless Chromium (setup installs it).
# That is what CI runs. `scripts/test.sh --quick linux [SUITE]` (below) is the quick one.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

step() { printf '\n==== %s ====\n' "$*"; }

# Runs ctest for a preset, then says why each skipped test was skipped: the last line it
# printed (ctest itself shows only "Skipped").
run_ctest() {  # preset, ctest arguments...
  local preset=$1 out status=0 name why
  shift
  out=$(mktemp)
  ctest --preset "$preset" "$@" | tee "$out" || status=$?
  for name in $(sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([A-Za-z0-9_.-]+) .*Skipped.*/\1/p' "$out"); do
    why=$(awk -v t="Testing: $name" '$0 ~ t"$" {on = 1} on && /^Output:/ {out = 1; next}
          out && /^<end of output>/ {exit} out && !/^-+$/ && NF {last = $0} END {print last}' \
          "build/$preset/Testing/Temporary/LastTest.log" 2>/dev/null)
    echo "skipped: $name: ${why:-it gave no reason}"
  done
  rm -f "$out"
  return $status
}

# scripts/test.sh --quick TARGET [SUITE]: the edit-build-test loop's run, not what CI runs:
# the include layers and the sizes, then TARGET (linux, linux-asan, win32, win64) configured if
# needed, the programs its tests run built (not the benchmarks), and its tests run, or only
# those whose name matches SUITE (a ctest pattern such as module_tests or example_). Nothing
# else is installed or built.
if [ "${1:-}" = --quick ]; then
  target=${2:-}
  case "$target" in
    linux | linux-asan | win32 | win64) ;;
    *) zv_die -2 "usage: scripts/test.sh --quick linux|linux-asan|win32|win64 [SUITE], found '${target}'" ;;
  esac
  suite=${3:-}
  [ $# -le 3 ] || zv_die -2 "--quick takes a target and at most one suite, found: ${*:2}"
  case "$target" in win32 | win64) zv_need wine; zv_wine_env ;; esac
  step "include layers"
  scripts/check-layers.sh
  step "sizes of files and functions"
  scripts/check-sizes.sh
  step "$target: configure and build"
  [ -f "build/$target/CMakeCache.txt" ] || cmake --preset "$target" >/dev/null
  cmake --build --preset "$target" -j "${ZV_JOBS:-2}" --target test_programs
  step "$target: tests${suite:+ matching $suite}"
  # A pattern that matches no test fails: a quick run never passes on nothing.
  run_ctest "$target" --no-tests=error ${suite:+-R "$suite"}
  step "$target: quick run passed${suite:+ ($suite)}; scripts/test.sh runs everything"
  exit 0
fi
[ $# -eq 0 ] || zv_die -2 "usage: scripts/test.sh [--quick TARGET [SUITE]], found: $*"

step "setup"
scripts/setup.sh --browser   # the report is also checked in a real browser

step "include layers"
scripts/check-layers.sh

step "sizes of files and functions"
scripts/check-sizes.sh

# One Wine prefix (64-bit) runs both Windows targets. Its server is started once and kept
# until the end: a cold start holds each test program's output for seconds.
zv_wine_env
scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || zv_die "Wine does not start"
# The server that first start left would refuse to be made persistent: stop it, start anew.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p || zv_die "the Wine server did not start (wineserver -p)"
# Wine's own services start with the first program and live as long as the server: start them
# here, away from ctest's pipes, which they would otherwise hold open after a test ends.
scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 </dev/null
trap 'wineserver -k 2>/dev/null || true' EXIT

# The DLLs first: the Linux tests compare the Linux module's version block with theirs.
for preset in win32 win64 linux linux-asan; do
  step "$preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  step "$preset: tests"
  run_ctest "$preset"
done

step "a new command: added to a scratch copy, built and tested (touches at most 8 files)"
scripts/new-command-check.sh
step "the three targets agree (one monkey session's call log on Linux and on both DLLs)"
scripts/agreement.sh
step "the DLLs are reproducible (each built twice: another path, file order, time zone, locale, umask, home and job count)"
scripts/reproducible.sh
step "the installer under Wine (its own fresh prefix), reproducible and signed"
scripts/installer-test.sh
step "coverage of the module by the Linux suites (gate)"
scripts/coverage.sh --gate

if [ -x scripts/fuzz.sh ]; then
  step "fuzz targets (smoke run on their corpora)"
  scripts/fuzz.sh --smoke
fi
if [ -x scripts/valgrind.sh ]; then
  step "host-driven suite under valgrind"
  scripts/valgrind.sh
fi

step "all tests passed"
