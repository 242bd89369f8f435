#!/usr/bin/env bash
# The main job: installs what is missing, builds the module for both targets and shows what
# was built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
for preset in win32 linux; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

dll=out/win32/ZorvanShapes.dll
so=out/linux/ZorvanShapes.so
echo
echo "Built:"
printf '  %-32s %8d bytes\n' "$dll" "$(stat -c %s "$dll")" "$so" "$(stat -c %s "$so")"
echo
echo "Win32 DLL exports:"
i686-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | tail -n +2 | sed 's/^/  /'
echo "Win32 DLL imports:"
i686-w64-mingw32-objdump -p "$dll" | awk '/DLL Name:/ {print "  " $3}'
echo "Win32 DLL version strings:"
strings -el "$dll" | grep -A1 -E '^(ClientName|ClientType|ClientProducts|FileDescription|ProductName|OriginalFilename|ProductVersion|FileVersion|CompanyName|LegalCopyright)$' \
  | grep -v '^--$' | paste - - | awk -F'\t' '{printf "  %-18s %s\n", $1, $2}'
echo "Linux module exports:"
nm -D --defined-only "$so" | awk '{print "  " $3}'
