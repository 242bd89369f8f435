#!/usr/bin/env bash
# Checks that no file or function is one a maintainer dreads. Two rules:
#   the module and the reference host (client tools hostapi util platform version host):
#     files of at most 600 lines, functions of at most 80;
#   tests, fuzz targets, benchmarks and scripts (tests fuzz bench scripts):
#     files of at most 600 lines, functions of at most 100 (a table of cases reads top to
#     bottom, so a test may hold a longer one; anything longer is split by what it checks).
# Functions are measured by universal-ctags' start and end lines (the signature to the closing
# brace, comments inside included): C++ functions, Python functions and methods, shell functions.
#   scripts/check-sizes.sh [FOLDER...]   (default: every folder above, each with its rule)
# Prints FILE:LINE: diagnostics on stderr; exits 1 when something is too long, 2 when ctags
# is missing or a folder does not exist.
set -euo pipefail
zv_me=check-sizes
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"
strict_folders=(client tools hostapi util platform version host)
loose_folders=(tests fuzz bench scripts)
max_file=600
max_function=80
max_loose_function=100
folders=("$@")
[ ${#folders[@]} -eq 0 ] && folders=("${strict_folders[@]}" "${loose_folders[@]}")
ctags --version 2>/dev/null | grep -q "Universal Ctags" ||
  zv_die -2 "universal-ctags is needed (apt-get install universal-ctags; scripts/setup.sh installs it)"
for f in "${folders[@]}"; do
  [ -d "$f" ] || zv_die -2 "no folder $f under $zv_root"
done

# The function limit of a file: the loose one under the loose folders.
function_limit() {
  local top=${1%%/*} f
  for f in "${loose_folders[@]}"; do [ "$top" = "$f" ] && { echo "$max_loose_function"; return; }; done
  echo "$max_function"
}

# The project's own files: tracked, or new and not ignored (npm's node_modules is neither).
mapfile -t files < <(git -C "$zv_root" ls-files --cached --others --exclude-standard -- "${folders[@]}" |
                     grep -E '\.(cpp|h|py|sh)$' | while IFS= read -r f; do [ -f "$f" ] && echo "$f"; done | sort)
[ ${#files[@]} -gt 0 ] || zv_die "git lists no source files under $zv_root (is it a git checkout?)"
bad=0
for file in "${files[@]}"; do
  n=$(wc -l < "$file")
  if [ "$n" -gt "$max_file" ]; then
    echo "$file:1: file of $n lines, over $max_file: split it by family of behaviour" >&2
    bad=1
  fi
done
# name<TAB>file<TAB>start<TAB>end, for functions (C++, shell) and functions and methods (Python)
while IFS=$'\t' read -r name file line end; do
  length=$((end - line + 1))
  limit=$(function_limit "$file")
  if [ "$length" -gt "$limit" ]; then
    echo "$file:$line: function $name of $length lines, over $limit: split it into steps" >&2
    bad=1
  fi
done < <(ctags --languages=C++,Python,Sh --kinds-C++=f --kinds-Python=fm --kinds-Sh=f --fields=+ne -o - "${files[@]}" |
         awk -F'\t' '{l=e=""; for (i=4;i<=NF;i++) {if ($i ~ /^line:/) l=substr($i,6); if ($i ~ /^end:/) e=substr($i,5)}
                      if (l != "" && e != "") print $1 "\t" $2 "\t" l "\t" e}')
if [ $bad -ne 0 ]; then
  zv_die "some files or functions are too long (see above)"
fi
echo "check-sizes: ${#files[@]} files, none over $max_file lines, no function over $max_function" \
  "($max_loose_function in tests, fuzz targets, benchmarks and scripts)"
