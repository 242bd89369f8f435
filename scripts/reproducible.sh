#!/usr/bin/env bash
# Builds the Win32 and the Win64 DLL twice from the same sources, in two copies of the tree at
# different paths, and requires byte-identical files: no time, build path or order may reach
# either DLL.
# ccache is off for both builds, so that each really compiles and links.
#
#   scripts/reproducible.sh
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

work=build/reproducible
rm -rf "$work"
trees=("$work/one/src" "$work/second-copy/tree")

# The tracked files as they are now, plus new files not yet committed (not the ignored ones).
files=$(git ls-files -z --cached --others --exclude-standard | tr '\0' '\n' |
        while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
if [ -z "$files" ]; then
  echo "scripts/reproducible.sh: git lists no files in $zv_root" >&2
  exit 1
fi

export CCACHE_DISABLE=1
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
jobs=${ZV_JOBS:-2}
start=$(date +%s)
toolchains=(win32:mingw-i686 win64:mingw-x86_64)
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  printf '%s\n' "$files" | tar -cf - -T - | tar -xf - -C "$tree"
  src=$(cd "$tree" && pwd)
  for pair in "${toolchains[@]}"; do
    target=${pair%%:*}
    cmake -S "$src" -B "$src/build-$target" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/${pair#*:}.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=OFF >"$src/configure-$target.log" ||
      { cat "$src/configure-$target.log" >&2; echo "scripts/reproducible.sh: $src: $target: configure failed" >&2; exit 1; }
    nice cmake --build "$src/build-$target" --target ZorvanShapes -j "$jobs" >"$src/build-$target.log" ||
      { cat "$src/build-$target.log" >&2; echo "scripts/reproducible.sh: $src: $target: build failed" >&2; exit 1; }
  done
done

took=$(( $(date +%s) - start ))
failed=0
for pair in "${toolchains[@]}"; do
  target=${pair%%:*}
  a="${trees[0]}/build-$target/bin/ZorvanShapes.dll"
  b="${trees[1]}/build-$target/bin/ZorvanShapes.dll"
  if cmp -s "$a" "$b"; then
    echo "reproducible: two builds at different paths give the same $target DLL," \
         "sha256 $(sha256sum "$a" | cut -d' ' -f1)"
  else
    echo "scripts/reproducible.sh: $a and $b differ:" >&2
    cmp -l "$a" "$b" | head -10 >&2 || true
    failed=1
  fi
done
if [ $failed -eq 0 ]; then
  echo "reproducible: both DLLs byte-identical (${took}s)"
  rm -rf "$work"
  exit 0
fi
echo "scripts/reproducible.sh: both trees are kept under $work for a look" >&2
exit 1
