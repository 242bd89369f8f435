#!/usr/bin/env bash
# Builds the installer from a staged package (scripts/stage-package.sh): STAGE holds
# win32/ZorvanShapes.dll, win64/ZorvanShapes.dll, ZorvanShapes-Guide.html, INSTALL.txt,
# CHANGELOG.md and LICENSE.
#
#   scripts/build-setup.sh [--sign] STAGE VERSION OUTPUT
#
# The same staged files give the same bytes in any folder at any time: the installer keeps
# each file's time, and those are set to SOURCE_DATE_EPOCH (default: the last commit's time)
# first; makensis stores no build time or path. With --sign, the uninstaller inside and the
# installer are signed with the certificate and key that scripts/sign.sh is given.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
me=scripts/build-setup.sh
sign=0
if [ "${1:-}" = --sign ]; then
  sign=1
  shift
fi
if [ $# -ne 3 ]; then
  echo "usage: $me [--sign] STAGE VERSION OUTPUT" >&2
  exit 2
fi
stage=$(cd "$1" && pwd) version=$2 out=$3
command -v makensis >/dev/null 2>&1 ||
  { echo "$me: makensis was not found: run scripts/setup.sh (package nsis)" >&2; exit 1; }
files=(win32/ZorvanShapes.dll win64/ZorvanShapes.dll ZorvanShapes-Guide.html INSTALL.txt CHANGELOG.md LICENSE)
for f in "${files[@]}"; do
  [ -f "$stage/$f" ] || { echo "$me: $stage/$f: missing; stage the package first" >&2; exit 1; }
done
if ! [[ "$version" =~ ^[0-9]+(\.[0-9]+){0,3}$ ]]; then
  echo "$me: expected a version of one to four numbers such as 1.2.1, found '$version'" >&2
  exit 2
fi
version4=$version
while [[ "$version4" =~ ^[0-9]+(\.[0-9]+){0,2}$ ]]; do version4=$version4.0; done
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
(cd "$stage" && touch -d "@$epoch" "${files[@]}")

defines=(-DVERSION="$version" -DVERSION4="$version4" -DSTAGE="$stage")
if [ $sign -eq 1 ]; then
  defines+=(-DSIGN="$root/scripts/sign.sh")
fi
mkdir -p "$(dirname "$out")"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
rm -f "$out"
log=$out.log
if ! makensis -V2 -WX -INPUTCHARSET UTF8 "${defines[@]}" -DOUTFILE="$out" \
     "$root/installer/ZorvanShapes.nsi" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  echo "$me: makensis failed on installer/ZorvanShapes.nsi; nothing written" >&2
  rm -f "$out"
  exit 1
fi
rm -f "$log"
if [ $sign -eq 1 ]; then
  "$root/scripts/sign.sh" "$out"
fi
