#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each on its corpus.
#   scripts/fuzz.sh [seconds]               each target runs that long (default 60)
#   scripts/fuzz.sh --smoke                 each target about 5 seconds, after replaying every
#                                           regression input (the CI check)
#   scripts/fuzz.sh --campaign [seconds]    each target, one after the other, until 10^7
#                                           executions or the time limit (default 3600 s each);
#                                           the corpus is then minimized into fuzz/corpus/<target>
#                                           and every crash becomes fuzz/regressions/<target>/<name>
#   scripts/fuzz.sh --campaign --workers N  the same with N workers per target side by side (one per
#                                           core), each taking its share of the 10^7 in a folder
#                                           of its own; all are merged
#   scripts/fuzz.sh [...] name..            only the named targets
# A target's dictionary is fuzz/<target>.dict when there is one. What a run finds goes to
# build/fuzz/corpus/<target>; crash inputs go to build/fuzz/artifacts/. A summary line per
# target gives executions, edges covered and the result.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

seconds=60
mode=run
workers=1
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --smoke) mode=smoke; seconds=5 ;;
    --campaign) mode=campaign; seconds=3600 ;;
    --workers)
      workers=${2:-}
      [[ "$workers" =~ ^[1-9][0-9]?$ ]] || zv_die -2 "--workers takes a number from 1 to 99, found '$workers'"
      shift ;;
    ''|*[!0-9]*) targets+=("$1") ;;
    *) seconds=$1 ;;
  esac
  shift
done
[ "$workers" -eq 1 ] || [ "$mode" = campaign ] || zv_die -2 "--workers is for a --campaign"
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi
for t in "${targets[@]}"; do
  if [ ! -f "fuzz/$t.cpp" ]; then
    echo "scripts/fuzz.sh:1: no fuzz target $t (fuzz/$t.cpp), expected one of: $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp//' | tr '\n' ' ')" >&2
    exit 2
  fi
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${targets[@]}"

bin=build/fuzz/bin
mkdir -p build/fuzz/artifacts
status=0
summary=()

# Every regression input must run through its target without a finding.
replay() {
  local t=$1 dir=fuzz/regressions/$1
  [ -d "$dir" ] || return 0
  local inputs=("$dir"/*)
  [ -e "${inputs[0]}" ] || return 0
  if ! "$bin/$t" -runs=1 "${inputs[@]}" >"build/fuzz/$t.replay.log" 2>&1; then
    echo "fuzz/regressions/$t:1: a regression input fails again, see build/fuzz/$t.replay.log" >&2
    grep -E "ERROR|check failed|runtime error|SUMMARY|Running:" "build/fuzz/$t.replay.log" | tail -5 >&2 || true
    return 1
  fi
  echo "fuzz: $t: ${#inputs[@]} regression inputs replayed"
}

# A crash of the campaign becomes a regression input, named after its content.
keep_findings() {
  local t=$1 log=$2 file
  for file in $(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log"); do
    [ -f "$file" ] || continue
    mkdir -p "fuzz/regressions/$t"
    cp "$file" "fuzz/regressions/$t/$(basename "$file")"
    echo "fuzz: $t: new regression input fuzz/regressions/$t/$(basename "$file")" >&2
  done
}

# Runs one worker of target $t with the options set below; its corpus folder and log are given.
fuzz_worker() {  # work folder, log
  nice -n 19 "$bin/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout="$timeout" -rss_limit_mb=2048 \
    "${extra[@]}" -artifact_prefix=build/fuzz/artifacts/ "$1" "${seeds[@]}" >"$2" 2>&1
}

for t in "${targets[@]}"; do
  if [ "$mode" = smoke ] && ! replay "$t"; then
    status=1
    summary+=("$(printf '%-20s %s' "$t" "regression inputs FAILED")")
    continue
  fi
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  extra=()
  [ -f "fuzz/$t.dict" ] && extra+=("-dict=fuzz/$t.dict")
  # An input slower than the timeout is a finding. A campaign runs for hours under nice, where
  # other work on the machine can hold it back for many seconds: it allows a minute. Its
  # workers share the 10^7 executions.
  timeout=10
  [ "$mode" = campaign ] && extra+=("-runs=$(( (10000000 + workers - 1) / workers ))") && timeout=60
  # Targets whose cost grows with the input, and whose code has nothing more to reach in longer
  # inputs, are held to short ones: five times the executions, the same edges.
  case "$t" in fuzz_notify_split|fuzz_text) extra+=("-max_len=512") ;; esac
  side=""
  [ "$workers" -gt 1 ] && side=", $workers workers side by side"
  echo "fuzz: $t for ${seconds}s${extra[*]:+ (${extra[*]})}$side"
  # One worker works in build/fuzz/corpus/<target> and logs to build/fuzz/<target>.log; more
  # work in <target>_w1 ... and log to <target>.w1.log ..., side by side.
  works=() logs=() pids=()
  for ((w = 1; w <= workers; w++)); do
    if [ "$workers" -eq 1 ]; then works+=("build/fuzz/corpus/$t"); logs+=("build/fuzz/$t.log"); else
      works+=("build/fuzz/corpus/${t}_w$w"); logs+=("build/fuzz/$t.w$w.log"); fi
    mkdir -p "${works[-1]}"
    fuzz_worker "${works[-1]}" "${logs[-1]}" &
    pids+=($!)
  done
  result=ok runs=0 edges=0
  for ((w = 0; w < workers; w++)); do
    log=${logs[w]}
    if ! wait "${pids[w]}"; then
      result=FAILED
      status=1
      grep -E "ERROR|check failed|runtime error|SUMMARY|Test unit written" "$log" | head -20 >&2 || true
      [ "$mode" = campaign ] && keep_findings "$t" "$log"
    fi
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    e=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | sed 's/cov: //')
    if [ -n "$n" ] && [ "$runs" != "?" ]; then runs=$((runs + n)); else runs="?"; fi
    [ -n "$e" ] && [ "$e" -gt "$edges" ] && edges=$e
  done
  if [ "$mode" = campaign ] && [ "$result" = ok ]; then
    # Inputs that add coverage to the kept corpus join it (libFuzzer's merge keeps the least).
    mkdir -p "fuzz/corpus/$t"
    nice -n 19 "$bin/$t" -merge=1 "fuzz/corpus/$t" "${works[@]}" >"build/fuzz/$t.merge.log" 2>&1 ||
      { echo "fuzz/corpus/$t:1: merging the campaign's corpus failed, see build/fuzz/$t.merge.log" >&2; status=1; }
  fi
  summary+=("$(printf '%-20s %6s s %12s runs %7s edges  %s' "$t" "$seconds" "$runs" "$edges" "$result")")
done
echo
printf '%s\n' "${summary[@]}"
exit $status
