#!/usr/bin/env bash
# Checks that no source file is longer than 600 lines and no function longer than 80, so that
# no file or function is one a maintainer dreads. Functions are measured by universal-ctags'
# start and end lines (the signature to the closing brace, comments inside included).
#   scripts/check-sizes.sh [FOLDER...]   (default: the module's folders and host/)
# Prints FILE:LINE: diagnostics on stderr; exits 1 when something is too long, 2 when ctags
# is missing or a folder does not exist.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
max_file=${MAX_FILE_LINES:-600}
max_function=${MAX_FUNCTION_LINES:-80}
folders=("$@")
[ ${#folders[@]} -eq 0 ] && folders=(client tools hostapi util platform version host)
if ! ctags --version 2>/dev/null | grep -q "Universal Ctags"; then
  echo "check-sizes: universal-ctags is needed (apt-get install universal-ctags; scripts/setup.sh installs it)" >&2
  exit 2
fi
for f in "${folders[@]}"; do
  [ -d "$f" ] || { echo "check-sizes: no folder $f under $root" >&2; exit 2; }
done
mapfile -t files < <(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
bad=0
for file in "${files[@]}"; do
  n=$(wc -l < "$file")
  if [ "$n" -gt "$max_file" ]; then
    echo "$file:1: file of $n lines, over $max_file: split it by family of behaviour" >&2
    bad=1
  fi
done
# name<TAB>file<TAB>...line:N...end:M
while IFS=$'\t' read -r name file line end; do
  length=$((end - line + 1))
  if [ "$length" -gt "$max_function" ]; then
    echo "$file:$line: function $name of $length lines, over $max_function: split it into steps" >&2
    bad=1
  fi
done < <(ctags --languages=C++ --kinds-C++=f --fields=+ne -o - "${files[@]}" |
         awk -F'\t' '{l=e=""; for (i=4;i<=NF;i++) {if ($i ~ /^line:/) l=substr($i,6); if ($i ~ /^end:/) e=substr($i,5)}
                      if (l != "" && e != "") print $1 "\t" $2 "\t" l "\t" e}')
if [ $bad -ne 0 ]; then
  echo "check-sizes: some files or functions are too long (see above)" >&2
  exit 1
fi
echo "check-sizes: ${#files[@]} files, none over $max_file lines, no function over $max_function"
