#!/usr/bin/env bash
# Runs a Windows program (32- or 64-bit) under Wine quietly, with a 64-bit prefix of its own
# beside the build, which runs both kinds.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
own=$zv_root/build/wineprefix
zv_wine_env
# A prefix made before the 64-bit target existed is 32-bit only and cannot run it.
if [ -f "$WINEPREFIX/system.reg" ] && grep -q '^#arch=win32' "$WINEPREFIX/system.reg"; then
  if [ "$WINEPREFIX" != "$own" ]; then
    zv_die "$WINEPREFIX is a 32-bit Wine prefix and cannot run 64-bit programs;" \
           "unset WINEPREFIX to use $own, or give a 64-bit prefix"
  fi
  zv_say "$own is a 32-bit prefix; making a 64-bit one in its place"
  wineserver -k 2>/dev/null || true
  rm -rf "$own"
fi
if [ ! -d "$WINEPREFIX" ]; then
  mkdir -p "$WINEPREFIX"
  WINEARCH=win64 wineboot -i >/dev/null 2>&1 || true
fi
exec wine "$@"
