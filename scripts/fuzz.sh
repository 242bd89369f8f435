#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each on its corpus.
#   scripts/fuzz.sh [seconds]     each target runs that long (default 60)
#   scripts/fuzz.sh --smoke       each target runs about 5 seconds (the CI check)
#   scripts/fuzz.sh [...] name..  only the named targets
# The seed corpora in fuzz/corpus/<target> stay as they are; what a run finds goes to
# build/fuzz/corpus/<target>; crash inputs go to build/fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

seconds=60
targets=()
for arg in "$@"; do
  case "$arg" in
    --smoke) seconds=5 ;;
    ''|*[!0-9]*) targets+=("$arg") ;;
    *) seconds=$arg ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("$name")
  done
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

bin=build/fuzz/bin
mkdir -p build/fuzz/artifacts
status=0
summary=()
for t in "${targets[@]}"; do
  work=build/fuzz/corpus/$t
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  log=build/fuzz/$t.log
  echo "fuzz: $t for ${seconds}s"
  if "$bin/$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=build/fuzz/artifacts/ "$work" "${seeds[@]}" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    grep -E "ERROR|check failed|runtime error|SUMMARY|Test unit written" "$log" | head -20 >&2 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  summary+=("$(printf '%-20s %8s s %14s runs  %s' "$t" "$seconds" "${runs:-?}" "$result")")
done
echo
printf '%s\n' "${summary[@]}"
exit $status
