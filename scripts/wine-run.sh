#!/usr/bin/env bash
# Runs a Windows program (32- or 64-bit) under Wine quietly, with a 64-bit prefix of its own
# beside the build, which runs both kinds.
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
own=$here/build/wineprefix
export WINEPREFIX=${WINEPREFIX:-$own}
# A prefix made before the 64-bit target existed is 32-bit only and cannot run it.
if [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win32' "$WINEPREFIX/system.reg"; then
  if [ "$WINEPREFIX" != "$own" ]; then
    echo "scripts/wine-run.sh: $WINEPREFIX is a 32-bit Wine prefix and cannot run 64-bit programs;" \
         "unset WINEPREFIX to use $own, or give a 64-bit prefix" >&2
    exit 1
  fi
  echo "scripts/wine-run.sh: $own is a 32-bit prefix; making a 64-bit one in its place" >&2
  wineserver -k 2>/dev/null || true
  rm -rf "$own"
fi
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$WINEPREFIX"
  WINEARCH=win64 wineboot -i >/dev/null 2>&1 || true
fi
exec wine "$@"
