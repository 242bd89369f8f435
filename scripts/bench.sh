#!/usr/bin/env bash
# Builds the Linux preset and runs every benchmark program (build/linux/bin/bench_*), each
# with JSON output in build/linux/bench/<program>.json, then prints one table: a benchmark X,
# its floor X_Floor measured in the same run, the time ratio X / X_Floor and whether it meets
# the goal that X records as the counter "max_ratio". Times are CPU times, which stay
# meaningful on a machine shared with other work.
#   scripts/bench.sh                  all programs
#   scripts/bench.sh format metric    only bench_format and bench_metric
# Each benchmark runs BENCH_REPETITIONS times (default 3) and its median counts. The repetitions
# of a program's benchmarks run in random order, interleaved, so that a moment when the machine
# is slow falls on a benchmark and on its floor alike. Extra Google Benchmark options can be
# passed in BENCH_ARGS (e.g. --benchmark_min_time=0.2).
# A benchmark X_FloorY (a partial floor) is shown beside X_Floor, with its ratio to it: what
# each part of X costs on its own. The machine (processor, cores, load) is printed with the
# figures, before and after the runs.
# To add a benchmark: put a .cpp into bench/ (see bench/bench_goal.h); it is built and run here.
set -euo pipefail
zv_me=bench
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

scripts/setup.sh
zv_need python3  # the summary tables

cmake --preset linux >/dev/null
cmake --build --preset linux

bin=build/linux/bin
out=build/linux/bench
mkdir -p "$out"
programs=()
if [ $# -gt 0 ]; then
  for name in "$@"; do programs+=("$bin/bench_${name#bench_}"); done
else
  for p in "$bin"/bench_*; do [ -x "$p" ] && programs+=("$p"); done
fi
if [ ${#programs[@]} -eq 0 ]; then
  echo "bench: no benchmark programs in $bin" >&2
  exit 1
fi

machine() {  # processor, cores, load average over the last minute
  local cpu
  cpu=$(sed -n 's/^model name[[:space:]]*:[[:space:]]*//p' /proc/cpuinfo 2>/dev/null | head -n 1)
  printf '%s, %s cores, load %s' "${cpu:-unknown processor}" "$(nproc)" "$(cut -d' ' -f1 /proc/loadavg 2>/dev/null)"
}
before=$(machine)
for p in "${programs[@]}"; do
  name=$(basename "$p")
  echo "bench: $name"
  # shellcheck disable=SC2086
  "$p" --benchmark_format=json --benchmark_out_format=json --benchmark_out="$out/$name.json" \
       --benchmark_repetitions="${BENCH_REPETITIONS:-3}" --benchmark_report_aggregates_only=true \
       --benchmark_enable_random_interleaving=true \
       ${BENCH_ARGS:-} >/dev/null
done

echo "machine: before the runs $before; after them $(machine)"
python3 - "$out" "${programs[@]}" <<'PY'
import json, os, sys
out, programs = sys.argv[1], sys.argv[2:]
rows, missed = [], 0
def fmt(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"
for program in programs:
    name = os.path.basename(program)
    with open(os.path.join(out, name + ".json")) as f:
        data = json.load(f)
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
    times = {}
    goals = {}
    # With repetitions only the aggregates are reported: the median stands for the run.
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        times[name] = b["cpu_time"] * scale[b.get("time_unit", "ns")]
        if "max_ratio" in b:
            goals[name] = b["max_ratio"]
    for bench, t in times.items():
        if "_Floor" in bench:
            base, _, part = bench.partition("_Floor")
            floor = times.get(base + "_Floor")
            if part and not part.startswith("/") and floor:  # a partial floor, against the whole floor
                rows.append(("  " + bench, fmt(t), fmt(floor), f"{t / floor:.2f}", "(part)"))
            continue
        floor_name = bench.replace("/", "_Floor/", 1) if "/" in bench else bench + "_Floor"
        floor = times.get(floor_name)
        if floor is None:
            rows.append((bench, fmt(t), "-", "-", "-"))
            continue
        ratio = t / floor
        goal = goals.get(bench)
        if goal is None:
            verdict = "-"
        elif ratio <= goal:
            verdict = f"yes (<= {goal:g})"
        else:
            verdict = f"NO (> {goal:g})"
            missed += 1
        rows.append((bench, fmt(t), fmt(floor), f"{ratio:.2f}", verdict))
header = ("benchmark", "time", "floor", "ratio", "goal met")
widths = [max(len(r[i]) for r in rows + [header]) for i in range(5)]
line = lambda r: "  ".join(c.ljust(w) for c, w in zip(r, widths))
print()
print(line(header))
print(line(tuple("-" * w for w in widths)))
for r in rows:
    print(line(r))
print(f"\n{missed} goal(s) missed" if missed else "\nall goals met")
PY

# Host calls per command (counters host_calls / expected_calls), heap blocks left after
# teardown, and the sizes of the stripped modules (goals: the Win32 DLL at most 64 KiB, the
# Win64 DLL, which carries unwind data for every function, at most 96 KiB).
strip --strip-all -o "$out/ZorvanShapes.so.stripped" "$bin/ZorvanShapes.so"
python3 - "$out" "$zv_root/out" "${programs[@]}" <<'PY'
import json, os, sys
out, shipped, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
calls, heap = [], {}
for program in programs:
    name = os.path.basename(program)
    with open(os.path.join(out, name + ".json")) as f:
        for b in json.load(f)["benchmarks"]:
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            if "expected_calls" in b:
                calls.append((b.get("run_name", b["name"]), int(b["host_calls"]), int(b["expected_calls"]),
                              b.get("label", "")))
            for k in ("blocks_after_teardown", "blocks_after_unload", "blocks_peak"):
                if k in b:
                    heap[k] = int(b[k])
if calls:
    extra = sum(1 for c in calls if c[1] != c[2])
    print("\nhost calls                  made  steps  extra  (steps)")
    for name, made, expected, why in calls:
        print(f"{name:<26}  {made:>4}  {expected:>5}  {made - expected:>+5}  {why}")
    print("no extra host calls" if extra == 0 else f"{extra} benchmark(s) with calls that differ from the steps")
if heap:
    print("\nclient heap blocks: " + ", ".join(f"{k} {v}" for k, v in heap.items()))
print("\nsizes (stripped)")
so = os.path.join(out, "ZorvanShapes.so.stripped")
print(f"  Linux ZorvanShapes.so   {os.path.getsize(so):>7} bytes  (for information)")
for target, goal in (("win32", 64), ("win64", 96)):
    dll = os.path.join(shipped, target, "ZorvanShapes.dll")
    name = target.capitalize() + " ZorvanShapes.dll"
    if os.path.exists(dll):
        size = os.path.getsize(dll)
        verdict = "yes" if size <= goal * 1024 else "NO"
        print(f"  {name}  {size:>7} bytes  ratio to {goal} KiB {size / goal / 1024:.2f}  goal met: {verdict}")
    else:
        print(f"  {name}  not built (cmake --preset {target} && cmake --build --preset {target})")
# A benchmark whose command made other calls than its steps timed something else: the run fails.
if calls and extra:
    print(f"\nbench: {extra} benchmark(s) made other host calls than their steps; their times measure something else",
          file=sys.stderr)
    sys.exit(1)
PY
