#!/usr/bin/env bash
# Builds the installer from a staged package (scripts/stage-package.sh): STAGE holds
# win32/ZorvanShapes.dll, win64/ZorvanShapes.dll, ZorvanShapes-Guide.html, INSTALL.txt,
# CHANGELOG.md, LICENSE and BUILDINFO.txt.
#
#   scripts/build-setup.sh [--sign] STAGE VERSION OUTPUT
#
# The same staged files give the same bytes in any folder at any time: the installer keeps
# each file's time, and those are set to SOURCE_DATE_EPOCH (default: the last commit's time)
# first; makensis stores no build time or path. With --sign, the uninstaller inside and the
# installer are signed with the certificate and key that scripts/sign.sh is given.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
sign=0
if [ "${1:-}" = --sign ]; then
  sign=1
  shift
fi
[ $# -eq 3 ] || zv_die -2 "usage: $zv_me [--sign] STAGE VERSION OUTPUT"
stage=$(cd "$1" && pwd) version=$2 out=$3
zv_need makensis
for f in "${zv_package_files[@]}"; do
  [ -f "$stage/$f" ] || zv_die "$stage/$f: missing; stage the package first (scripts/stage-package.sh)"
done
[[ "$version" =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] ||
  zv_die -2 "expected a version of one to four numbers such as 1.2.1, found '$version'"
version4=$version
while [[ "$version4" =~ ^[0-9]+(\.[0-9]+){0,2}$ ]]; do version4=$version4.0; done
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$zv_root" log -1 --format=%ct)}
(cd "$stage" && touch -d "@$epoch" "${zv_package_files[@]}")

defines=(-DVERSION="$version" -DVERSION4="$version4" -DSTAGE="$stage")
if [ $sign -eq 1 ]; then
  defines+=(-DSIGN="$zv_root/scripts/sign.sh")
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"
log=$out.log
if ! makensis -V2 -WX -INPUTCHARSET UTF8 "${defines[@]}" -DOUTFILE="$out" \
     "$zv_root/installer/ZorvanShapes.nsi" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log" "$out"
  zv_die "makensis failed on installer/ZorvanShapes.nsi; nothing written"
fi
rm -f "$log"
if [ $sign -eq 1 ]; then
  "$zv_root/scripts/sign.sh" "$out"
fi
