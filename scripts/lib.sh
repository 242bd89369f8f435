# What the scripts share, sourced by each one first:
#   . "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# zv_root (the project's root, found from this file), zv_me (the name a script's messages
# begin with: scripts/NAME.sh unless the script set zv_me before sourcing), messages on stderr,
# the check for a tool, and the Wine environment every Windows run uses.

zv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zv_me=${zv_me:-scripts/$(basename "${BASH_SOURCE[1]:-$0}")}

# A message on stderr, after the script's name.
zv_say() {
  printf '%s: %s\n' "$zv_me" "$*" >&2
}

# The message, then exit status 1 (or the status given first: zv_die -2 "usage ...").
zv_die() {
  local status=1
  case "${1:-}" in -[0-9]*) status=${1#-}; shift ;; esac
  zv_say "$@"
  exit "$status"
}

# Stops with a message unless each tool is on PATH; scripts/setup.sh installs them all.
zv_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || zv_die "$tool was not found: run scripts/setup.sh"
  done
}

# What a package ships, as its paths inside the zip and the installer's staging folder
# (scripts/stage-package.sh writes them, release.sh and build-setup.sh read them); its record,
# BUILDINFO.txt (scripts/buildinfo.sh), holds their SHA-256; SHA256SUMS covers all of them.
zv_shipped_files=(win32/ZorvanShapes.dll win64/ZorvanShapes.dll ZorvanShapes-Guide.html INSTALL.txt CHANGELOG.md
                  LICENSE)
zv_package_files=("${zv_shipped_files[@]}" BUILDINFO.txt)

# The tools whose versions shape a package's bytes, one "name version" line each: Debian's
# packages as dpkg knows them (a missing one says "not installed"), then the python3 and zlib
# that write the zip, which may come from elsewhere.
zv_toolchain_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix gcc-mingw-w64-base
                       binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-common mingw-w64-i686-dev
                       mingw-w64-x86-64-dev g++-12 libstdc++6 cmake ninja-build nsis)
zv_toolchain_versions() {
  local p v
  for p in "${zv_toolchain_packages[@]}"; do
    v=$(dpkg-query -W -f='${Version}\n' "$p" 2>/dev/null | head -1) || true
    echo "$p ${v:-not-installed}"
  done
  python3 -c 'import platform, zlib; print("python3", platform.python_version()); print("zlib", zlib.ZLIB_RUNTIME_VERSION)'
}

# Wine quiet, without the Mono and Gecko installers, in the 64-bit prefix beside the build
# (build/wineprefix, which runs 32- and 64-bit programs) unless WINEPREFIX names another.
# Wine reads a program's arguments in the locale's character set: outside a UTF-8 locale a
# path in other letters would reach the program as '?', so C.UTF-8 is taken then (Windows
# still sees a Western code page).
zv_wine_env() {
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=${WINEPREFIX:-$zv_root/build/wineprefix}
  [ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
}
