#!/usr/bin/env bash
# Tests the installer made from out/win32 and out/win64 (build both presets first) under Wine,
# in a fresh 64-bit prefix of its own (build/installer/prefix, made anew on each run), with
# fake FrameMaker folders: a 32-bit FrameMaker found through the registry's App Paths entry, a
# 64-bit one under "Program Files" with another plug-in already in its Plugins folder, a folder
# without FrameMaker.exe and one whose FrameMaker.exe is no Windows program. Checks what a user
# or an administrator sees: exit codes, the machine field of each installed DLL, the folders'
# files, the uninstall entries; and that the installer builds byte-identically at another path,
# and signs and verifies with a throwaway certificate made here.
# Prints one line per check, "ok: ..." or "FAILED: ...", then the count; exits 1 if a check
# failed or did not run.
#
#   scripts/installer-test.sh
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
me=scripts/installer-test.sh
expected=23
passed=0 failed=0
ok() { echo "ok: $*"; passed=$((passed + 1)); }
bad() { echo "FAILED: $*"; failed=$((failed + 1)); }
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}
summary() {
  local missing=$((expected - passed - failed))
  if [ $failed -eq 0 ] && [ $missing -eq 0 ]; then
    echo "installer test: all $passed checks passed"
    exit 0
  fi
  [ $missing -le 0 ] || echo "FAILED: $missing checks did not run"
  echo "installer test: $passed of $expected checks passed, $failed failed, $((missing > 0 ? missing : 0)) did not run"
  exit 1
}
die() {
  echo "$me: $*" >&2
  summary
}

for tool in makensis osslsigncode openssl wine wineserver python3 i686-w64-mingw32-gcc-posix \
            x86_64-w64-mingw32-gcc-posix; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool was not found: run scripts/setup.sh"
done
for target in win32 win64; do
  [ -f "out/$target/ZorvanShapes.dll" ] ||
    die "out/$target/ZorvanShapes.dll: missing; build it first: cmake --preset $target && cmake --build --preset $target"
done
version=$(scripts/version.sh) || die "the version cannot be read"
work=$root/build/installer
WINEPREFIX=$work/prefix wineserver -k 2>/dev/null  # a server left by an interrupted run
rm -rf "$work"
mkdir -p "$work"

# The package as release.sh stages it, and the installer built from it twice: from a copy at
# another path, a few seconds later.
stage=$work/stage
mkdir -p "$stage/win32" "$stage/win64"
cp out/win32/ZorvanShapes.dll "$stage/win32/"
cp out/win64/ZorvanShapes.dll "$stage/win64/"
cp INSTALL.txt CHANGELOG.md LICENSE "$stage/"
setup=$work/ZorvanShapes-$version-setup.exe
scripts/build-setup.sh "$stage" "$version" "$setup" || die "the installer does not build"
mkdir -p "$work/elsewhere"
cp -r "$stage" "$work/elsewhere/package"
sleep 1
scripts/build-setup.sh "$work/elsewhere/package" "$version" "$work/elsewhere/ZorvanShapes-$version-setup.exe" ||
  die "the installer does not build from $work/elsewhere/package"
check "the installer builds byte-identically from a copy at another path ($(stat -c %s "$setup") bytes)" \
  cmp -s "$setup" "$work/elsewhere/ZorvanShapes-$version-setup.exe"

# Signing with a throwaway certificate: the DLLs, the installer and the uninstaller inside.
sign=$work/sign
mkdir -p "$sign"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZorvanShapes throwaway test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$sign/key.pem" -out "$sign/cert.pem" \
  >"$sign/openssl.log" 2>&1 || { cat "$sign/openssl.log" >&2; die "openssl cannot make a test certificate"; }
export ZV_SIGN_CERT=$sign/cert.pem ZV_SIGN_KEY=$sign/key.pem
cp -r "$stage" "$sign/package"
scripts/sign.sh "$sign/package/win32/ZorvanShapes.dll" "$sign/package/win64/ZorvanShapes.dll" ||
  die "the DLLs cannot be signed"
signed_setup=$sign/ZorvanShapes-$version-setup.exe
scripts/build-setup.sh --sign "$sign/package" "$version" "$signed_setup" || die "the signed installer does not build"
unset ZV_SIGN_CERT ZV_SIGN_KEY
verifies() { osslsigncode verify -CAfile "$sign/cert.pem" -in "$1" >"$sign/verify.log" 2>&1; }
all_verify() {
  local f
  for f in "$@"; do verifies "$f" || { cat "$sign/verify.log"; return 1; }; done
}
check "the signed DLLs and installer verify against the throwaway certificate" \
  all_verify "$sign/package/win32/ZorvanShapes.dll" "$sign/package/win64/ZorvanShapes.dll" "$signed_setup"
check "an unsigned installer does not verify" eval '! verifies "$setup"'

# Two tiny FrameMaker.exe, 32- and 64-bit. Given a DLL and a file name, one loads the DLL,
# makes the file and holds the DLL until the file is gone (a minute at the most).
cat >"$work/framemaker.c" <<'EOF'
#include <windows.h>
int main(int argc, char **argv) {
  if (argc > 2) {
    if (!LoadLibraryA(argv[1])) return 1;
    CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    for (int i = 0; i < 600 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES; i++) Sleep(100);
  }
  return 0;
}
EOF
i686-w64-mingw32-gcc-posix -O1 -s -o "$work/fm32.exe" "$work/framemaker.c" &&
  x86_64-w64-mingw32-gcc-posix -O1 -s -o "$work/fm64.exe" "$work/framemaker.c" ||
  die "the fake FrameMaker.exe programs do not build"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null || true' EXIT
WINEARCH=win64 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; die "Wine cannot make $WINEPREFIX"; }
c=$WINEPREFIX/drive_c
[ -d "$c/Program Files" ] || die "$WINEPREFIX has no drive_c/Program Files after wineboot"
fm32="$c/Apps/FM32" fm64="$c/Program Files/Adobe/FM64" nohost="$c/Program Files/Adobe/NoHost"
junk="$c/Apps/NotFM"
mkdir -p "$fm32" "$nohost" "$junk" "$c/zs/signed"
cp "$work/fm32.exe" "$fm32/FrameMaker.exe"
printf 'not a program\n' >"$junk/FrameMaker.exe"
cp "$setup" "$c/zs/"
cp "$signed_setup" "$c/zs/signed/"
wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\FrameMaker.exe' /ve \
  /d 'C:\Apps\FM32\FrameMaker.exe' /f /reg:32 >/dev/null 2>&1 || die "the App Paths entry cannot be made"

# Every file and folder under the given folders of drive C, with sizes and hashes.
listing() {
  (cd "$c" && find "$@" -printf '%y %p %s\n' -type f -exec sha256sum {} + | sort)
}
before_apps=$(listing Apps)

# NSIS reads /D= only unquoted and last, as cmd.exe passes it.
install() {  # setup name, extra arguments
  wine cmd /c "C:\\zs\\$1 /S $2" >/dev/null 2>&1
}
plugins_of() { echo "$1/fminit/Plugins"; }
machine() {  # prints the PE machine field of a file as 0x....
  python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
o = struct.unpack_from("<I", d, 0x3C)[0]
print("0x%04X" % struct.unpack_from("<H", d, o + 4)[0] if d[o:o + 4] == b"PE\0\0" else "none")' "$1" 2>/dev/null
}
status() { echo "exit code $1, expected $2"; }

install "$(basename "$setup")" ""
rc=$?
check "silently, with the one FrameMaker found (App Paths, 32-bit view): installed ($(status $rc 0))" test $rc -eq 0
check "the 32-bit FrameMaker got the i386 DLL (PE machine $(machine "$fm32/fminit/Plugins/ZorvanShapes.dll"))" \
  test "$(machine "$fm32/fminit/Plugins/ZorvanShapes.dll")" = 0x014C

# The 64-bit FrameMaker comes now, so that the first install finds only the 32-bit one.
mkdir -p "$fm64/fminit/Plugins"
cp "$work/fm64.exe" "$fm64/FrameMaker.exe"
printf 'another plug-in\n' >"$fm64/fminit/Plugins/Other.dll"
before_program_files=$(listing "Program Files/Adobe")

install "$(basename "$setup")" ""
rc=$?
check "silently with two FrameMaker folders found and no /D=: refused ($(status $rc 2))" test $rc -eq 2
check "... and the one under Program Files got nothing" test ! -e "$fm64/fminit/Plugins/ZorvanShapes.dll"

install "$(basename "$setup")" '/D=C:\Program Files\Adobe\FM64'
rc=$?
check "/D= the 64-bit FrameMaker: installed ($(status $rc 0))" test $rc -eq 0
check "the 64-bit FrameMaker got the x86-64 DLL (PE machine $(machine "$fm64/fminit/Plugins/ZorvanShapes.dll"))" \
  test "$(machine "$fm64/fminit/Plugins/ZorvanShapes.dll")" = 0x8664
check "the other plug-in in that Plugins folder is untouched" \
  test "$(cat "$fm64/fminit/Plugins/Other.dll")" = "another plug-in"

install "$(basename "$setup")" '/D=C:\Program Files\Adobe\NoHost'
rc=$?
check "/D= a folder without FrameMaker.exe: refused ($(status $rc 2))" test $rc -eq 2
check "... and that folder stays empty" test -z "$(ls -A "$nohost")"
install "$(basename "$setup")" '/D=C:\Apps\NotFM'
rc=$?
check "/D= a folder whose FrameMaker.exe is no Windows program: refused ($(status $rc 3))" test $rc -eq 3
check "... and nothing was written there" test "$(ls -A "$junk")" = FrameMaker.exe

# Registry entries: one per host folder, with what "Apps & features" shows.
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { wine reg query "$uninstall_key" /s /reg:64 2>/dev/null | tr -d '\r'; }
entries_ok() {
  local e
  e=$(entries)
  [ "$(printf '%s\n' "$e" | grep -c '^HKEY_.*\\ZorvanShapes-')" = 2 ] &&
    [ "$(printf '%s\n' "$e" | grep -c "Publisher    REG_SZ    Zorvan Software$")" = 2 ] &&
    [ "$(printf '%s\n' "$e" | grep -c "DisplayVersion    REG_SZ    $version$")" = 2 ] &&
    printf '%s\n' "$e" | grep -q 'InstallLocation    REG_SZ    C:\\Apps\\FM32$' &&
    printf '%s\n' "$e" | grep -q 'InstallLocation    REG_SZ    C:\\Program Files\\Adobe\\FM64$' &&
    [ "$(printf '%s\n' "$e" | grep -c 'UninstallString    REG_SZ    "C:\\.*\\uninstall.exe"$')" = 2 ]
}
check "two uninstall entries, one per FrameMaker folder, with publisher, version, folder and uninstaller" \
  entries_ok

# A second install replaces the DLL, here with the signed one; the entry stays one.
dll64=$fm64/fminit/Plugins/ZorvanShapes.dll
printf 'junk' >"$dll64"
install "signed\\$(basename "$signed_setup")" '/D=C:\Program Files\Adobe\FM64'
rc=$?
check "installing again over a damaged DLL replaces it ($(status $rc 0))" \
  cmp -s "$dll64" "$sign/package/win64/ZorvanShapes.dll"
check "... still one uninstall entry per FrameMaker folder" \
  test "$(entries | grep -c '^HKEY_.*\\ZorvanShapes-')" = 2
uninstaller64=$(entries | grep -A20 'FM64' | sed -n 's/^ *UninstallString    REG_SZ    "\(.*\)"$/\1/p' | head -1)
check "the uninstaller the signed installer wrote is signed too" \
  verifies "$c/$(printf '%s' "${uninstaller64#C:\\}" | tr '\\' /)"

# While FrameMaker holds the DLL, the installer changes nothing and says so by its exit code.
wine 'C:\Program Files\Adobe\FM64\FrameMaker.exe' 'C:\Program Files\Adobe\FM64\fminit\Plugins\ZorvanShapes.dll' \
  'C:\zs\holding' >/dev/null 2>&1 &
holder=$!
for _ in $(seq 300); do [ -e "$c/zs/holding" ] && break; sleep 0.1; done
[ -e "$c/zs/holding" ] || echo "$me: the fake FrameMaker did not load $dll64 within 30 s" >&2
install "$(basename "$setup")" '/D=C:\Program Files\Adobe\FM64'
rc=$?
rm -f "$c/zs/holding"
wait $holder
check "with the DLL in use: refused ($(status $rc 4)), the DLL and the folder as they were" \
  eval 'test $rc -eq 4 && cmp -s "$dll64" "$sign/package/win64/ZorvanShapes.dll" &&
        test "$(ls "$fm64/fminit/Plugins" | tr "\n" " ")" = "Other.dll ZorvanShapes.dll "'

# Every registered uninstaller, as "Apps & features" runs it; each copies itself away and
# returns at once, so wait for the server to empty.
uninstallers=$(entries | sed -n 's/^ *UninstallString    REG_SZ    "\(.*\)"$/\1/p')
n=0
while IFS= read -r u; do
  [ -n "$u" ] || continue
  wine "$u" /S >/dev/null 2>&1 && n=$((n + 1))
  wineserver -w
done <<<"$uninstallers"
check "both registered uninstallers ran silently ($n of 2 exited with 0)" test $n -eq 2
before=$before_apps$'\n'$before_program_files
after=$(listing Apps)$'\n'$(listing "Program Files/Adobe")
check "the FrameMaker folders are exactly as before" test "$before" = "$after"
if [ "$before" != "$after" ]; then diff <(printf '%s\n' "$before") <(printf '%s\n' "$after"); fi
check "the uninstallers removed their own folder" test ! -e "$c/Program Files/Zorvan Software"
wineserver -w
check "no registry entry names ZorvanShapes" eval '! grep -qi zorvanshapes "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg"'
summary
