#!/usr/bin/env bash
# Prints the module's version (1.2.1), read from the one header that defines it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
header=version/version_info.h
[ -f "$root/$header" ] || { echo "$header: missing" >&2; exit 1; }
version=$(sed -n 's/^[[:space:]]*#[[:space:]]*define[[:space:]]\{1,\}ZV_STR_PRODUCT_VERSION[[:space:]]\{1,\}"\([^"]*\)".*/\1/p' "$root/$header")
if ! [[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]]; then
  echo "$header: expected a line '#define ZV_STR_PRODUCT_VERSION \"1.2.3\"', found '${version}'" >&2
  exit 1
fi
echo "$version"
