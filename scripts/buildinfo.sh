#!/usr/bin/env bash
# Writes STAGE/BUILDINFO.txt, the record a package is rebuilt from: the package's number, the
# full commit, SOURCE_DATE_EPOCH, the versions of the tools that shape the bytes (Debian's
# packages as dpkg reports them, and the tools as they report themselves), the build options,
# and the SHA-256 of every file the package ships beside it. Windows line ends, like the
# package's other texts. scripts/rebuild-check.sh reads it.
#
#   scripts/buildinfo.sh STAGE
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
[ $# -eq 1 ] || zv_die -2 "usage: $zv_me STAGE"
stage=$1
for f in "${zv_shipped_files[@]}"; do
  [ -f "$stage/$f" ] || zv_die "$stage/$f: missing; stage the package first (scripts/stage-package.sh)"
done
version=$(scripts/version.sh --package)
commit=$(git -C "$zv_root" rev-parse HEAD 2>/dev/null) || commit=unknown
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$zv_root" log -1 --format=%ct 2>/dev/null || echo unknown)}
{
  echo "Format: ZorvanShapes BUILDINFO 1"
  echo "Package: $version"
  echo "Commit: $commit"
  echo "Source-Date-Epoch: $epoch"
  echo "Build-Options: CMAKE_BUILD_TYPE=Release ZV_BENCH=OFF, toolchain files cmake/mingw-i686.cmake and"
  echo " cmake/mingw-x86_64.cmake (the DLLs); the linux preset (the guide); makensis -INPUTCHARSET UTF8"
  echo "Toolchain:"
  zv_toolchain_versions | sed 's/^/ /'
  echo "Checksums-Sha256:"
  (cd "$stage" && sha256sum "${zv_shipped_files[@]}") | sed 's/^/ /'
} | sed 's/\r*$/\r/' >"$stage/BUILDINFO.txt"
