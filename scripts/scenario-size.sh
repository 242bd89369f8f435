#!/usr/bin/env bash
# Measures zorvan-host on long scenarios and prints the figures (no pass/fail): a 10 MB scenario
# (time and peak memory), the HTML report of a 1 MB scenario (its size), one select of 2,000
# graphics and 2,000 lines of "select g h" (time). Times are wall-clock and CPU (user + system):
# on a shared machine the wall time also holds the waits for a free core. The scenarios are
# generated under build/linux/scenario-size/. Needs the Linux build of zorvan-host and GNU time
# (/usr/bin/time).
#   scripts/scenario-size.sh [path/to/zorvan-host]
set -euo pipefail
zv_me=scenario-size
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
host=${1:-$zv_root/build/linux/bin/zorvan-host}
out=$zv_root/build/linux/scenario-size
[ -x "$host" ] || { echo "scenario-size: no $host; build it: cmake --build --preset linux --target zorvan-host" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "scenario-size: needs GNU time (apt-get install time)" >&2; exit 1; }
mkdir -p "$out"

# A page, then copy, paste, undo and expectations repeated until the file has $1 bytes.
long_scenario() {
  awk -v bytes="$1" 'BEGIN {
    print "document d\nframe f at 36 36 size 400 300\ngraphic a rect at 10 20 size 100 50 in f"
    print "graphic b oval at 200 200 size 60 30 in f"
    n = 120
    for (i = 1; n < bytes; i++) {
      s = "select a\nchoose \\!cgs\nselect b\nchoose \\!pgp\nexpect b.x = 10\nchoose \\!uo\nexpect b.x = 200\n"
      printf "%s", s
      n += length(s)
    }
  }'
}
long_scenario 10000000 >"$out/10mb.zvs"
long_scenario 1000000 >"$out/1mb.zvs"
{
  echo "document d"; echo "frame f at 0 0 size 600 600"
  for i in $(seq 1 2000); do echo "graphic g$i rect at $((i % 500)) 10 size 5 5 in f"; done
  printf 'select'; for i in $(seq 1 2000); do printf ' g%d' "$i"; done; echo
  echo "expect g2000.selected = 1"
} >"$out/select2000.zvs"
{
  echo "document d"; echo "frame f at 0 0 size 600 600"
  echo "graphic g rect at 10 10 size 5 5 in f"; echo "graphic h rect at 20 10 size 5 5 in f"
  for i in $(seq 1 2000); do echo "select g h"; done
} >"$out/select-lines.zvs"

measure() {  # label, then the command; prints wall and CPU seconds and peak memory
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt" || true
  read -r secs user sys kb <"$out/time.txt"
  printf '  %-40s %6.2f s wall %6.2f s CPU %5d MB\n' "$label" "$secs" "$(echo "$user + $sys" | bc)" $((kb / 1024))
}

echo "zorvan-host on long scenarios ($(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg), $(date -u +%Y-%m-%d))"
measure "10 MB scenario ($(wc -l <"$out/10mb.zvs") lines), transcript" "$host" run "$out/10mb.zvs"
measure "10 MB scenario, --quiet" "$host" run --quiet "$out/10mb.zvs"
measure "1 MB scenario, --html" "$host" run --quiet --html "$out/1mb.html" "$out/1mb.zvs"
printf '  %-40s %6.1f MB\n' "  its report" "$(echo "scale=1; $(stat -c %s "$out/1mb.html") / 1000000" | bc)"
measure "one select of 2,000 graphics" "$host" run --quiet "$out/select2000.zvs"
measure "2,000 lines of 'select g h'" "$host" run --quiet "$out/select-lines.zvs"
