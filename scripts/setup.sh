#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine: the mingw-w64
# cross compilers for the Win32 and Win64 DLLs, Wine (32- and 64-bit) to run their tests, and
# the native tools (universal-ctags for the size check), NSIS, osslsigncode and openssl for
# the installer and its signatures.
# Safe to run again: it installs only what is missing.
#   scripts/setup.sh             what the build and the tests need
#   scripts/setup.sh --linux     only what the Linux build of the module and zorvan-host needs
#                                (no cross compilers, no Wine)
#   scripts/setup.sh --browser   also Chromium, for the test that opens the HTML report in a
#                                browser (skipped without it), and Node.js with the npm packages
#                                pinned in tests/browser/package-lock.json (the guide's check)
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
linux_only=0
browser=0
optional_pkgs=()
case "${1:-}" in
  --linux) linux_only=1 ;;
  --browser) browser=1; optional_pkgs+=(chromium python3 procps) ;;  # the browser test makes its crowded page with python3
  "") ;;
  *) zv_die -2 "usage: $zv_me [--linux | --browser]" ;;
esac

need_pkgs=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(cmake ninja-build g++ libgtest-dev googletest libedit-dev zlib1g-dev gcovr ${optional_pkgs[@]+"${optional_pkgs[@]}"})
if [ $linux_only -eq 0 ]; then
  pkgs+=(clang libbenchmark-dev valgrind universal-ctags g++-mingw-w64-i686 binutils-mingw-w64-i686
         g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 librsvg2-bin libclang-rt-14-dev
         nsis osslsigncode openssl)
fi
for p in "${pkgs[@]}"; do
  have_pkg "$p" || need_pkgs+=("$p")
done
# Node.js may come from elsewhere than Debian (with its own npm): only a missing npm is installed.
[ $browser -eq 0 ] || have_cmd npm || need_pkgs+=(nodejs npm)
# The browser check's npm packages, exactly as locked; installed again only when the lock changed.
npm_packages() {
  local dir
  dir=$zv_root/tests/browser
  [ $browser -eq 1 ] && ! cmp -s "$dir/package-lock.json" "$dir/node_modules/.zv-package-lock.json" || return 0
  echo "setup: npm ci in $dir"
  (cd "$dir" && npm ci --no-audit --no-fund --ignore-scripts --loglevel=error >/dev/null &&
    cp package-lock.json node_modules/.zv-package-lock.json)
}
need_wine=0
# One 64-bit Wine prefix runs both Windows targets: wine64 for the Win64 programs, wine32 for
# the Win32 ones (WoW64).
if [ $linux_only -eq 0 ] && { ! have_pkg wine32:i386 || ! have_pkg wine64 || ! have_cmd wine; }; then
  need_wine=1
fi

if [ ${#need_pkgs[@]} -eq 0 ] && [ $need_wine -eq 0 ]; then
  echo "setup: everything needed is installed"
  npm_packages
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if have_cmd sudo; then SUDO="sudo"; else
    zv_say "these packages are missing and installing them needs root:"
    echo "  ${need_pkgs[*]} $( [ $need_wine -eq 1 ] && echo 'wine wine32:i386 wine64')" >&2
    zv_die "run this script as root, or install them with apt-get, then run again"
  fi
fi

export DEBIAN_FRONTEND=noninteractive
if [ $need_wine -eq 1 ]; then
  $SUDO dpkg --add-architecture i386
  need_pkgs+=(wine wine32:i386 wine64)
fi
echo "setup: installing ${need_pkgs[*]}"
# A mirror in the middle of a sync can refuse one index (seen with bookworm-security's i386
# list); the packages may still be found in the others, so try once more, then go on.
if ! $SUDO apt-get update -qq; then
  sleep 5
  $SUDO apt-get update -qq ||
    zv_say "warning: some package indexes could not be refreshed (above); installing from the ones there are"
fi
$SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null
npm_packages
echo "setup: done"
