#!/usr/bin/env bash
# Builds the same sources twice, in two copies of the tree, and requires byte-identical output:
# no time, build path, order or setting of the machine may reach what ships. The second copy
# differs from the first in everything a build may pick up: its path (with a space in it), the
# order its files were written in, the time zone (UTC-14), the locale, the umask (077), the home
# folder and the job count (1).
# ccache is off for both builds, so that each really compiles and links.
#
#   scripts/reproducible.sh             the Win32 and the Win64 DLL (what scripts/test.sh runs)
#   scripts/reproducible.sh --release   the whole release, scripts/release.sh in two clones of
#                                       the committed tree: the zip, the installer, SHA256SUMS
#                                       and the package's record (a few minutes each)
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"
mode=dlls
case "${1:-}" in
  --release) mode=release ;;
  "") ;;
  *) zv_die -2 "usage: $zv_me [--release]" ;;
esac

# Runs a command as the second copy is built: every setting a build might pick up changed.
other_locale=C.UTF-8
[ "$(locale charmap 2>/dev/null)" != UTF-8 ] || other_locale=C
varied() {
  (umask 0077 && export TZ=UTC-14 LC_ALL=$other_locale HOME=$other_home ZV_JOBS=1 && "$@")
}
variations="path with a space, files written in reverse order, TZ=UTC-14, LC_ALL=$other_locale, umask 077, another HOME, 1 job"
work=$zv_root/build/reproducible
rm -rf "$work"
trees=("$work/one/src" "$work/second copy/tree")
other_home=$work/other-home
mkdir -p "$other_home"

export CCACHE_DISABLE=1
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
start=$(date +%s)

# Compares each named file of the two copies; says which agree; 1 when one differs.
compare() {  # description, files relative to each copy's root...
  local what=$1 f failed=0
  shift
  for f in "$@"; do
    local a="${trees[0]}/$f" b="${trees[1]}/$f"
    if [ -f "$a" ] && cmp -s "$a" "$b"; then
      echo "reproducible: $f is the same in both, sha256 $(sha256sum "$a" | cut -d' ' -f1)"
    else
      zv_say "$f differs between the two $what (or is missing):"
      cmp -l "$a" "$b" 2>&1 | head -10 >&2 || true
      failed=1
    fi
  done
  return $failed
}

if [ $mode = release ]; then
  # Two clones of the committed tree; release.sh refuses uncommitted changes itself.
  [ -z "$(git status --porcelain)" ] || zv_die "the tree is not clean: the release is built from commits only"
  for tree in "${trees[@]}"; do
    mkdir -p "$(dirname "$tree")"
    git clone --quiet "$zv_root" "$tree"
  done
  (cd "${trees[0]}" && scripts/release.sh >"$work/one.log" 2>&1) ||
    { tail -20 "$work/one.log" >&2; zv_die "the first release failed (its log: $work/one.log)"; }
  (cd "${trees[1]}" && varied scripts/release.sh >"$work/second.log" 2>&1) ||
    { tail -20 "$work/second.log" >&2; zv_die "the second release failed (its log: $work/second.log)"; }
  version=$(scripts/version.sh --package)
  shipped=()
  for f in ZorvanShapes-$version-windows.zip ZorvanShapes-$version-setup.exe ZorvanShapes-$version-BUILDINFO.txt \
           SHA256SUMS; do
    shipped+=("out/release/$f")
  done
  if compare releases "${shipped[@]}"; then
    echo "reproducible: the release is byte-identical under another $variations ($(( $(date +%s) - start ))s)"
    rm -rf "$work"
    exit 0
  fi
  zv_say "both clones are kept under $work for a look"
  exit 1
fi

# The tracked files as they are now, plus new files not yet committed (not the ignored ones);
# the second copy gets them in the reverse order.
files=$(git ls-files -z --cached --others --exclude-standard | tr '\0' '\n' |
        while IFS= read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
[ -n "$files" ] || zv_die "git lists no files in $zv_root"
toolchains=(win32:mingw-i686 win64:mingw-x86_64)
build_copy() {  # tree, file order (sort | reverse)
  local tree=$1 src pair target
  mkdir -p "$tree"
  if [ "$2" = reverse ]; then
    printf '%s\n' "$files" | sort -r | tar -cf - -T - | tar -xf - -C "$tree"
  else
    printf '%s\n' "$files" | tar -cf - -T - | tar -xf - -C "$tree"
  fi
  src=$(cd "$tree" && pwd)
  for pair in "${toolchains[@]}"; do
    target=${pair%%:*}
    cmake -S "$src" -B "$src/build-$target" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/${pair#*:}.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=OFF >"$src/configure-$target.log" ||
      { cat "$src/configure-$target.log" >&2; zv_die "$src: $target: configure failed"; }
    nice cmake --build "$src/build-$target" --target ZorvanShapes -j "${ZV_JOBS:-2}" >"$src/build-$target.log" ||
      { cat "$src/build-$target.log" >&2; zv_die "$src: $target: build failed"; }
  done
}
build_copy "${trees[0]}" sorted
varied build_copy "${trees[1]}" reverse
if compare copies build-win32/bin/ZorvanShapes.dll build-win64/bin/ZorvanShapes.dll; then
  echo "reproducible: both DLLs byte-identical under another $variations ($(( $(date +%s) - start ))s)"
  rm -rf "$work"
  exit 0
fi
zv_say "both trees are kept under $work for a look"
exit 1
