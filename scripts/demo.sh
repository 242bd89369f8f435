#!/usr/bin/env bash
# The main job: installs what is missing, builds the module and the reference host for the
# three targets (nothing else: the tests are scripts/test.sh's), plays the tour scenario against
# the Linux module and (under Wine) against the Win32 and Win64 DLLs through their hosts, writes
# an HTML report with before/after pictures and the guide for writers, and says how long it took.
#
#   scripts/demo.sh [-j N]    N parallel build jobs (default: $ZV_JOBS, else the build tool's own)
set -euo pipefail
started=$(date +%s)
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

jobs=${ZV_JOBS:-}
while [ $# -gt 0 ]; do
  case "$1" in
    -j) jobs=${2:?scripts/demo.sh: -j needs a number}; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    -h | --help) sed -n '2,6p' "$0"; exit 0 ;;
    *) zv_die -2 "unknown argument '$1' (usage: $zv_me [-j N])" ;;
  esac
done
case "$jobs" in '' | [1-9] | [1-9][0-9]) ;; *) zv_die -2 "-j takes a number of jobs, found '$jobs'" ;; esac

# The build's step counter ([12/85]) on one line at a terminal, every 20th step otherwise.
progress() {
  local tty=0
  [ -t 1 ] && tty=1
  awk -v tty=$tty '/^\[[0-9]+\/[0-9]+\]/ { n++; if (tty) { printf "\r  %s", $1; fflush() } else if (n % 20 == 1) print "  " $1 }
                   END { if (tty && n) printf "\n" }'
}

# Configures and builds one preset; on failure shows the compiler's error and stops the demo.
build() {
  local preset=$1 log=build/demo-$1.log status
  mkdir -p build
  echo "demo: building $preset${jobs:+ with $jobs jobs} (log: $log)"
  if ! cmake --preset "$preset" >"$log" 2>&1; then
    cat "$log" >&2
    zv_die "configuring $preset failed"
  fi
  set +e
  cmake --build --preset "$preset" ${jobs:+-j "$jobs"} --target zorvan-host 2>&1 | tee -a "$log" | progress
  status=${PIPESTATUS[0]}
  set -e
  if [ "$status" -ne 0 ]; then
    sed -n '/^FAILED:/,/^ninja: build stopped/p' "$log" | head -n 80 >&2
    zv_die "the $preset build failed (status $status); the whole log is $log"
  fi
}

scripts/setup.sh
for preset in win32 win64 linux; do
  build "$preset"
done

dll=out/win32/ZorvanShapes.dll
dll64=out/win64/ZorvanShapes.dll
so=out/linux/ZorvanShapes.so
echo
echo "Built:"
printf '  %-32s %8d bytes\n' "$dll" "$(stat -c %s "$dll")" "$dll64" "$(stat -c %s "$dll64")" \
  "$so" "$(stat -c %s "$so")"
for pair in "Win32:$dll:i686" "Win64:$dll64:x86_64"; do
  IFS=: read -r name file arch <<<"$pair"
  echo "$name DLL exports:"
  "$arch-w64-mingw32-objdump" -p "$file" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 \
    | sed -e '/^[[:space:]]*$/d' -e 's/^[[:space:]]*/  /'
done
echo "DLL version strings, the same in both (what FrameMaker reads to register the client):"
strings -el "$dll" | grep -A1 -E '^(ClientName|ClientType|ClientProducts|FileDescription|ProductVersion)$' \
  | grep -v '^--$' | paste - - | awk -F'\t' '{printf "  %-18s %s\n", $1, $2}'

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
tour=examples/tour.zvs

echo
echo "==== The tour, Linux module ($so) ===="
status=0
build/linux/bin/zorvan-host run --module "$so" --svg "$demo/pictures" --html "$demo/tour-linux.html" "$tour" || status=$?

win_note="Wine is not installed: the DLLs were built but not played"
if command -v wine >/dev/null 2>&1; then
  win_note=""
  for target in win32 win64; do
    echo
    echo "==== The tour, ${target^} DLL under Wine (out/$target/ZorvanShapes.dll, through build/$target/bin/zorvan-host.exe) ===="
    wstatus=0
    scripts/wine-run.sh "build/$target/bin/zorvan-host.exe" run --quiet --module "out/$target/ZorvanShapes.dll" \
      --html "$demo/tour-$target.html" "$tour" || wstatus=$?
    [ $wstatus -eq 0 ] || status=$wstatus
    win_note="$win_note $demo/tour-$target.html"
  done
fi

echo
echo "==== The guide for writers, drawn by the Linux module ===="
scripts/guide.sh "$demo/ZorvanShapes-Guide.html" || status=1

took=$(( $(date +%s) - started ))
echo
echo "Report (open in a browser): $zv_root/$demo/tour-linux.html"
echo "Pictures after each changing command: $zv_root/$demo/pictures/"
echo "Guide for writers (open in a browser): $zv_root/$demo/ZorvanShapes-Guide.html"
echo "Windows runs:$win_note"
printf 'demo: done in %dm%02ds\n' $((took / 60)) $((took % 60))
if [ $status -ne 0 ]; then
  echo "demo: an expectation of the tour or the guide failed (see above)" >&2
fi
exit $status
