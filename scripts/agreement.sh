#!/usr/bin/env bash
# Runs the monkey session with one seed on the Linux module and on the Win32 DLL under Wine and
# requires the same digest of the whole call log from both: the two builds do the same thing.
# Needs both builds (build/linux and build/win32; scripts/test.sh makes them).
#
#   scripts/agreement.sh                # 5000 steps (and 2500 with the host keeping results)
#   scripts/agreement.sh 100000 7       # steps, seed
#
# On a difference, both call logs go to build/agreement/ and the first differing line is shown.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

steps=${1:-5000}
seed=${2:-20261207}
linux=build/linux/bin/module_tests
win32=build/win32/bin/module_tests.exe
for f in "$linux" "$win32"; do
  if [ ! -x "$f" ]; then
    echo "scripts/agreement.sh: $f: not built (run scripts/test.sh, or build the linux and win32 presets)" >&2
    exit 1
  fi
done

run() {  # target, log file or ""
  local target=$1 log=$2 out
  if [ "$target" = linux ]; then
    out=$(ZORVAN_MONKEY_STEPS=$steps ZORVAN_MONKEY_SEED=$seed ZORVAN_MONKEY_LOG=$log \
          "$linux" --gtest_filter='Monkey.*' --gtest_color=no) || { echo "$out" >&2; return 1; }
  else
    out=$(cd build/win32/bin && ZORVAN_MONKEY_STEPS=$steps ZORVAN_MONKEY_SEED=$seed ZORVAN_MONKEY_LOG=$log \
          "$root/scripts/wine-run.sh" ./module_tests.exe --gtest_filter='Monkey.*' --gtest_color=no) ||
      { echo "$out" >&2; return 1; }
  fi
  printf '%s\n' "$out" | tr -d '\r' | grep '^monkey digest:' || true
}

start=$(date +%s)
linux_digests=$(run linux "") || { echo "scripts/agreement.sh: the monkey session failed on Linux" >&2; exit 1; }
win32_digests=$(run win32 "") || { echo "scripts/agreement.sh: the monkey session failed on Win32" >&2; exit 1; }
took=$(( $(date +%s) - start ))

if [ "$(printf '%s\n' "$linux_digests" | grep -c .)" -ne 2 ]; then
  echo "scripts/agreement.sh: expected 2 digests from the Linux run, found:" >&2
  printf '%s\n' "$linux_digests" >&2
  exit 1
fi
printf '%s\n' "$linux_digests" | sed 's/^/linux: /'
printf '%s\n' "$win32_digests" | sed 's/^/win32: /'
if [ "$linux_digests" = "$win32_digests" ]; then
  echo "agreement: the Linux module and the Win32 DLL gave the same call logs (seed $seed, $steps steps, ${took}s)"
  exit 0
fi

echo "scripts/agreement.sh: the digests differ; writing both call logs to build/agreement/" >&2
mkdir -p build/agreement
run linux "$root/build/agreement/linux.log" >/dev/null || true
run win32 "$root/build/agreement/win32.log" >/dev/null || true
diff build/agreement/linux.log build/agreement/win32.log | head -8 >&2 || true
exit 1
