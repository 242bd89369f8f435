#!/usr/bin/env bash
# Runs the host-driven suites (module_tests, host_tests) of the Linux build under valgrind
# memcheck: any memory error, or any byte definitely or indirectly lost, fails the run.
#   scripts/valgrind.sh                 both suites (builds build/linux first when it is missing)
#   scripts/valgrind.sh module_tests    only the named suites
# Every test runs, the randomized ones at their CI length (ZORVAN_MONKEY_STEPS shortens or
# lengthens the monkey run here too), except the two that walk a host chain in a cycle up to the
# module's walk limit of a million steps: under valgrind they take minutes and exercise nothing
# the shorter walks do not.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

SKIP='-NavigationTest.ChainsThatRunInACycleEnd:HistoryTest.ARefreshAlongACycleEnds'

suites=("$@")
[ ${#suites[@]} -eq 0 ] && suites=(module_tests host_tests)

bin=build/linux/bin
if [ ! -x "$bin/module_tests" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux
fi

mkdir -p build/valgrind
status=0
for s in "${suites[@]}"; do
  log=build/valgrind/$s.log
  echo "valgrind: $s"
  start=$(date +%s)
  if (cd "$bin" && valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --show-leak-kinds=definite,indirect --log-file="$zv_root/$log" \
        "./$s" --gtest_color=no --gtest_print_time=1 "--gtest_filter=$SKIP" >"$zv_root/build/valgrind/$s.out" 2>&1); then
    result=ok
  else
    result=FAILED
    status=1
    tail -30 "build/valgrind/$s.out" >&2 || true
  fi
  errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$log" | tail -1)
  definite=$(sed -n 's/.*definitely lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -1)
  indirect=$(sed -n 's/.*indirectly lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -1)
  printf '%-14s %4ss  errors %s  definitely lost %s B  indirectly lost %s B  %s\n' "$s" \
    "$(($(date +%s) - start))" "${errors:-?}" "${definite:-0}" "${indirect:-0}" "$result"
  [ "$result" = ok ] || grep -E "Invalid|uninitialised|definitely lost in|indirectly lost in" "$log" | head -20 >&2 || true
done
exit $status
