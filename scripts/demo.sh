#!/usr/bin/env bash
# The main job: installs what is missing, builds the module and the reference host for both
# targets, plays the tour scenario against the Linux module and (under Wine) against the Win32
# DLL through the Win32 host, and writes an HTML report with before/after pictures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
for preset in win32 linux; do
  echo "demo: building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

dll=out/win32/ZorvanShapes.dll
so=out/linux/ZorvanShapes.so
echo
echo "Built:"
printf '  %-32s %8d bytes\n' "$dll" "$(stat -c %s "$dll")" "$so" "$(stat -c %s "$so")"
echo "Win32 DLL exports:"
i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 | sed 's/^/  /'
echo "Win32 DLL version strings (what FrameMaker reads to register the client):"
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

win_note="Wine is not installed: the Win32 DLL was built but not played"
if command -v wine >/dev/null 2>&1; then
  echo
  echo "==== The tour, Win32 DLL under Wine ($dll, through build/win32/bin/zorvan-host.exe) ===="
  wstatus=0
  scripts/wine-run.sh build/win32/bin/zorvan-host.exe run --quiet --module "$dll" --html "$demo/tour-win32.html" "$tour" \
    || wstatus=$?
  [ $wstatus -eq 0 ] || status=$wstatus
  win_note="$demo/tour-win32.html"
fi

echo
echo "Report (open in a browser): $root/$demo/tour-linux.html"
echo "Pictures after each changing command: $root/$demo/pictures/"
echo "Win32 run: $win_note"
if [ $status -ne 0 ]; then
  echo "demo: an expectation of the tour failed (see above)" >&2
fi
exit $status
