#!/usr/bin/env bash
# Stages what a package holds, as it ships: STAGE/win32/ZorvanShapes.dll and
# STAGE/win64/ZorvanShapes.dll from the two DLLs given, the writers' guide
# (ZorvanShapes-Guide.html, made by scripts/guide.sh), and INSTALL.txt, CHANGELOG.md and
# LICENSE with Windows line ends (CRLF), since the install guide sends people to Notepad, and
# the package's record, BUILDINFO.txt (scripts/buildinfo.sh).
#
#   scripts/stage-package.sh STAGE WIN32_DLL WIN64_DLL GUIDE
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
[ $# -eq 4 ] || zv_die -2 "usage: $zv_me STAGE WIN32_DLL WIN64_DLL GUIDE"
stage=$1
mkdir -p "$stage/win32" "$stage/win64"
cp "$2" "$stage/win32/ZorvanShapes.dll"
cp "$3" "$stage/win64/ZorvanShapes.dll"
cp "$4" "$stage/ZorvanShapes-Guide.html"
for f in INSTALL.txt CHANGELOG.md LICENSE; do
  [ -f "$zv_root/$f" ] || zv_die "$zv_root/$f: missing"
  sed 's/\r*$/\r/' "$zv_root/$f" >"$stage/$f"
done
"$zv_root/scripts/buildinfo.sh" "$stage"
