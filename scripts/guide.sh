#!/usr/bin/env bash
# Writes the guide for writers: builds the module and zorvan-host (nothing else), runs the
# guide's scenarios (docs/guide/*.zvs) against the module and writes one HTML file. Fails, and
# writes nothing, when a scenario's expectation fails or a command of the menu has no section.
#
#   scripts/guide.sh [OUTPUT]                 the Linux module (default build/guide/ZorvanShapes-Guide.html)
#   scripts/guide.sh --target win32 [OUTPUT]  the Win32 (or win64) DLL, through its host under Wine
#   scripts/guide.sh --agree                  the guide from all three targets, byte for byte the same
#                                             (the Windows ones skipped, said so, without Wine)
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

# Builds the module and the host of one preset; on failure shows the compiler's error.
build() {
  local preset=$1 log=build/guide-build-$1.log
  mkdir -p build
  { cmake --preset "$preset" && cmake --build --preset "$preset" ${ZV_JOBS:+-j "$ZV_JOBS"} --target zorvan-host; } \
    >"$log" 2>&1 || { sed -n '/^FAILED:/,/^ninja: build stopped/p;/CMake Error/,+5p' "$log" | head -n 60 >&2
                      zv_die "building zorvan-host ($preset) failed; the whole log is $log"; }
}

# Writes the guide with one target's module into $2.
write() {
  local target=$1 output=$2 status=0
  mkdir -p "$(dirname "$output")"
  rm -f "$output"
  if [ "$target" = linux ]; then
    build/linux/bin/zorvan-host guide --output "$output" docs/guide || status=$?
  else
    scripts/wine-run.sh "build/$target/bin/zorvan-host.exe" guide --output "$output" docs/guide || status=$?
  fi
  [ $status -eq 0 ] || zv_die "the guide could not be made with the $target module (status $status; reasons above)"
  local size
  size=$(stat -c %s "$output")
  [ "$size" -lt 2000000 ] || zv_die "$output is $size bytes; a guide must stay under 2 MB"
}

case "${1:-}" in
  -h | --help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  --agree)
    out=build/guide/agree
    targets=(linux)
    if command -v wine >/dev/null 2>&1; then targets+=(win32 win64); else
      echo "guide: skipped the Win32 and Win64 guides: Wine is not installed (scripts/setup.sh installs it)"
    fi
    for t in "${targets[@]}"; do build "$t"; write "$t" "$out/$t.html"; done
    for t in "${targets[@]}"; do
      cmp "$out/linux.html" "$out/$t.html" || zv_die "the guide made with the $t module differs from the Linux one (diff $out/linux.html $out/$t.html)"
    done
    echo "guide: the same guide, byte for byte, from: ${targets[*]}"
    exit 0 ;;
  --target) target=${2:?scripts/guide.sh: --target needs linux, win32 or win64}; shift 2 ;;
  -*) zv_die "unknown option '$1' (usage: scripts/guide.sh [--target T] [OUTPUT] | --agree)" ;;
  *) target=linux ;;
esac
case "$target" in linux | win32 | win64) ;; *) zv_die "--target takes linux, win32 or win64, found '$target'" ;; esac
[ $# -le 1 ] || zv_die "one OUTPUT at most, found: $*"
output=${1:-build/guide/ZorvanShapes-Guide.html}
if [ "$target" != linux ] && ! command -v wine >/dev/null 2>&1; then
  zv_die "the $target guide runs its host under Wine, which is not installed (scripts/setup.sh installs it)"
fi
scripts/setup.sh --linux >/dev/null
build "$target"
write "$target" "$output"
echo "guide: $(cd "$(dirname "$output")" && pwd)/$(basename "$output") ($(stat -c %s "$output") bytes)"
