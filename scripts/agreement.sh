#!/usr/bin/env bash
# Runs the monkey session with one seed on the Linux module, the Win32 DLL and the Win64 DLL
# (both under Wine) and requires the same digest of the whole call log from all three: the
# builds do the same thing; then the guide for writers made with each of the three modules must
# be the same file, byte for byte (scripts/guide.sh --agree). Needs the three builds
# (build/linux, build/win32, build/win64; scripts/test.sh makes them).
#
#   scripts/agreement.sh                # 5000 steps (and 2500 with the host keeping results)
#   scripts/agreement.sh 100000 7       # steps, seed
#
# On a difference, the call logs go to build/agreement/ and the first differing lines are shown.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

steps=${1:-5000}
seed=${2:-20261207}
targets=(linux win32 win64)
program() { if [ "$1" = linux ]; then echo build/linux/bin/module_tests; else echo "build/$1/bin/module_tests.exe"; fi; }
for t in "${targets[@]}"; do
  f=$(program "$t")
  [ -x "$f" ] || zv_die "$f: not built (run scripts/test.sh, or build the linux, win32 and win64 presets)"
done

run() {  # target, log file or ""
  local target=$1 log=$2 out
  if [ "$target" = linux ]; then
    out=$(ZORVAN_MONKEY_STEPS=$steps ZORVAN_MONKEY_SEED=$seed ZORVAN_MONKEY_LOG=$log \
          "$(program linux)" --gtest_filter='Monkey.*' --gtest_color=no) || { echo "$out" >&2; return 1; }
  else
    out=$(cd "build/$target/bin" && ZORVAN_MONKEY_STEPS=$steps ZORVAN_MONKEY_SEED=$seed ZORVAN_MONKEY_LOG=$log \
          "$zv_root/scripts/wine-run.sh" ./module_tests.exe --gtest_filter='Monkey.*' --gtest_color=no) ||
      { echo "$out" >&2; return 1; }
  fi
  printf '%s\n' "$out" | tr -d '\r' | grep '^monkey digest:' || true
}

start=$(date +%s)
declare -A digests
for t in "${targets[@]}"; do
  digests[$t]=$(run "$t" "") || zv_die "the monkey session failed on $t"
done
took=$(( $(date +%s) - start ))

if [ "$(printf '%s\n' "${digests[linux]}" | grep -c .)" -ne 2 ]; then
  zv_say "expected 2 digests from the Linux run, found:"
  printf '%s\n' "${digests[linux]}" >&2
  exit 1
fi
differ=()
for t in "${targets[@]}"; do
  printf '%s\n' "${digests[$t]}" | sed "s/^/$t: /"
  [ "${digests[$t]}" = "${digests[linux]}" ] || differ+=("$t")
done
if [ ${#differ[@]} -eq 0 ]; then
  echo "agreement: the Linux module, the Win32 DLL and the Win64 DLL gave the same call logs" \
       "(seed $seed, $steps steps, ${took}s)"
  exec scripts/guide.sh --agree
fi

zv_say "${differ[*]} differ from Linux; writing the call logs to build/agreement/"
mkdir -p build/agreement
run linux "$zv_root/build/agreement/linux.log" >/dev/null || true
for t in "${differ[@]}"; do
  run "$t" "$zv_root/build/agreement/$t.log" >/dev/null || true
  echo "--- linux against $t:" >&2
  diff build/agreement/linux.log "build/agreement/$t.log" | head -8 >&2 || true
done
exit 1
