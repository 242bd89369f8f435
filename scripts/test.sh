#!/usr/bin/env bash
# Runs every test on both targets: installs what is missing, builds the Win32 DLL (tests under
# Wine), the Linux module (plain and with AddressSanitizer + UndefinedBehaviorSanitizer),
# checks that both builds play one random session identically and that the DLL builds
# byte-identically twice, checks the module's line and branch coverage, runs the fuzz targets
# briefly on their corpora and the host-driven suite under valgrind. The tour's HTML report is
# opened in headless Chromium (setup installs it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

step() { printf '\n==== %s ====\n' "$*"; }

step "setup"
scripts/setup.sh --browser   # the report is also checked in a real browser

step "include layers"
scripts/check-layers.sh

# Win32 first: the Linux tests compare the Linux module's version block with the DLL's.
for preset in win32 linux linux-asan; do
  step "$preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  step "$preset: tests"
  ctest --preset "$preset"
done

step "the two targets agree (one monkey session's call log on Linux and on the Win32 DLL)"
scripts/agreement.sh
step "the DLL is reproducible (built twice, in two copies of the tree)"
scripts/reproducible.sh
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
