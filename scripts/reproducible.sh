#!/usr/bin/env bash
# Builds the Win32 DLL twice from the same sources, in two copies of the tree at different
# paths, and requires byte-identical files: no time, build path or order may reach the DLL.
# ccache is off for both builds, so that each really compiles and links.
#
#   scripts/reproducible.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

work=build/reproducible
rm -rf "$work"
trees=("$work/one/src" "$work/second-copy/tree")

# The tracked files as they are now, plus new files not yet committed (not the ignored ones).
files=$(git ls-files -z --cached --others --exclude-standard | tr '\0' '\n' |
        while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
if [ -z "$files" ]; then
  echo "scripts/reproducible.sh: git lists no files in $root" >&2
  exit 1
fi

export CCACHE_DISABLE=1
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
jobs=${ZV_JOBS:-2}
start=$(date +%s)
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  printf '%s\n' "$files" | tar -cf - -T - | tar -xf - -C "$tree"
  src=$(cd "$tree" && pwd)
  cmake -S "$src" -B "$src/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=OFF >"$src/configure.log" ||
    { cat "$src/configure.log" >&2; echo "scripts/reproducible.sh: $src: configure failed" >&2; exit 1; }
  nice cmake --build "$src/build" --target ZorvanShapes -j "$jobs" >"$src/build.log" ||
    { cat "$src/build.log" >&2; echo "scripts/reproducible.sh: $src: build failed" >&2; exit 1; }
done

a="${trees[0]}/build/bin/ZorvanShapes.dll"
b="${trees[1]}/build/bin/ZorvanShapes.dll"
took=$(( $(date +%s) - start ))
if cmp -s "$a" "$b"; then
  echo "reproducible: two builds at different paths give the same DLL," \
       "sha256 $(sha256sum "$a" | cut -d' ' -f1) (${took}s)"
  rm -rf "$work"
  exit 0
fi
echo "scripts/reproducible.sh: $a and $b differ:" >&2
cmp -l "$a" "$b" | head -10 >&2 || true
echo "scripts/reproducible.sh: both trees are kept under $work for a look" >&2
exit 1
