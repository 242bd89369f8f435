#!/usr/bin/env bash
# Prints the module's version (1.2.1), read from the one header that defines it; with
# --package, the package's own number (release/VERSION), which names the zip and the installer.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
if [ "${1:-}" = --package ]; then
  number=$(cat "$zv_root/release/VERSION" 2>/dev/null) || { echo "release/VERSION: missing" >&2; exit 1; }
  [[ "$number" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "release/VERSION:1: expected the package's number such as 1.3.0, found '${number:0:40}'" >&2; exit 1; }
  echo "$number"
  exit 0
fi
header=version/version_info.h
[ -f "$zv_root/$header" ] || { echo "$header: missing" >&2; exit 1; }
version=$(sed -n 's/^[[:space:]]*#[[:space:]]*define[[:space:]]\{1,\}ZV_STR_PRODUCT_VERSION[[:space:]]\{1,\}"\([^"]*\)".*/\1/p' "$zv_root/$header")
if ! [[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]]; then
  echo "$header: expected a line '#define ZV_STR_PRODUCT_VERSION \"1.2.3\"', found '${version}'" >&2
  exit 1
fi
echo "$version"
