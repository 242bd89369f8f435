#!/usr/bin/env bash
# Tests the installer made from out/win32 and out/win64 (build both presets first) under Wine,
# in a fresh 64-bit prefix of its own (build/installer/prefix, made anew on each run), with
# fake FrameMaker folders: a 32-bit FrameMaker found through the registry's App Paths entry,
# 64-bit ones elsewhere that only /D= names, one under "Program Files" with another plug-in
# already in its Plugins folder, a folder without FrameMaker.exe and one whose FrameMaker.exe
# is no Windows program, folders named in Cyrillic and Chinese, folders as long as a plug-in's
# path allows and longer. Checks what a user or an administrator sees: exit codes (one per
# reason to refuse), the log of each run and its last line, the machine field of each
# installed DLL, every file on the drive and the uninstall entries before and after (nothing
# written on a refusal, everything put back by the uninstallers), that the quiet uninstall
# waits and says 4 while FrameMaker holds the DLL; and that the installer builds
# byte-identically at another path, and signs and verifies with a throwaway certificate made
# here.
# Prints one line per check, "ok: ..." or "FAILED: ...", then the count; exits 1 if a check
# failed or did not run.
#
#   scripts/installer-test.sh
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"
expected=43
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
  zv_say "$@"
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
version=$(scripts/version.sh --package) || die "the package's number cannot be read"
work=$zv_root/build/installer
WINEPREFIX=$work/prefix wineserver -k 2>/dev/null  # a server left by an interrupted run
rm -rf "$work"
mkdir -p "$work"

# The package as release.sh stages it, and the installer built from it twice: from a copy at
# another path, a few seconds later.
stage=$work/stage
scripts/guide.sh "$work/ZorvanShapes-Guide.html" >"$work/guide.log" 2>&1 ||
  { cat "$work/guide.log" >&2; die "the writers' guide cannot be made"; }
scripts/stage-package.sh "$stage" out/win32/ZorvanShapes.dll out/win64/ZorvanShapes.dll "$work/ZorvanShapes-Guide.html" ||
  die "the package cannot be staged"
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

WINEPREFIX=$work/prefix
zv_wine_env
# Without Wine's menu builder, which the installer's Start-menu entry starts in the background:
# it writes menus into the Linux home and could change the drive while a snapshot is taken.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true' EXIT
WINEARCH=win64 wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; die "Wine cannot make $WINEPREFIX"; }
c=$WINEPREFIX/drive_c
[ -d "$c/Program Files" ] || die "$WINEPREFIX has no drive_c/Program Files after wineboot"
fm32="$c/Apps/FM32" fm64="$c/Program Files/Adobe/FM64" nohost="$c/Program Files/Adobe/NoHost"
junk="$c/Apps/NotFM"
mkdir -p "$fm32" "$nohost" "$junk" "$c/zs/signed"
cp "$work/fm32.exe" "$fm32/FrameMaker.exe"
for n in 1 2 3 4 5; do
  mkdir -p "$c/Other FM $n"
  cp "$work/fm64.exe" "$c/Other FM $n/FrameMaker.exe"
done
printf 'not a program\n' >"$junk/FrameMaker.exe"
# A Windows folder name as a Linux path in the prefix.
unix_of() { printf '%s/%s' "$c" "$(printf '%s' "${1#C:\\}" | tr '\\' /)"; }
# A folder name of exactly $1 characters, in parts of at most 101 (Linux takes 255 bytes a part).
long_folder() {
  local p='C:\Long' k
  while [ ${#p} -lt "$1" ]; do
    k=$(($1 - ${#p} - 1))
    [ $k -le 100 ] || k=100
    p+=\\$(printf "%${k}s" | tr ' ' x)
  done
  printf '%s' "$p"
}
# The plug-in's path is the folder and 32 characters (\fminit\Plugins\ZorvanShapes.dll): 259
# (the longest allowed) and 260 characters, and 332 for a folder of 300.
long227=$(long_folder 227) long228=$(long_folder 228) long300=$(long_folder 300)
cyrillic='C:\Фрейм Макер' cjk='C:\框架 FrameMaker'
for f in "$long227" "$long228" "$long300" "$cyrillic"; do
  mkdir -p "$(unix_of "$f")" && cp "$work/fm64.exe" "$(unix_of "$f")/FrameMaker.exe" || die "cannot make $f"
done
mkdir -p "$(unix_of "$cjk")" && cp "$work/fm32.exe" "$(unix_of "$cjk")/FrameMaker.exe" || die "cannot make $cjk"
cp "$setup" "$c/zs/"
cp "$signed_setup" "$c/zs/signed/"
temp=$(unix_of "$(wine cmd /c echo %TEMP% | tr -d '\r')")
[ -d "$temp" ] || die "the prefix's %TEMP% folder cannot be found ('$temp')"
setup_log=$temp/ZorvanShapes-setup.log uninstall_log=$temp/ZorvanShapes-uninstall.log

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
entries() { wine reg query "$uninstall_key" /s /reg:64 2>/dev/null | tr -d '\r'; }
# grep -q on the entries, whole (not in a pipe, which pipefail would fail when grep stops early).
has_entry() { local e; e=$(entries); grep -q "$@" <<<"$e"; }
# Every file and folder on drive C but Windows' own and this test's (the temporary folders
# included), with sizes and hashes, and the uninstall entries of both registry views.
snapshot() {
  (cd "$c" && find . \( -path ./windows -o -path './ProgramData/Microsoft/Windows/[!S]*' -o -path './users/*/AppData' \
     -o -path ./zs -o -path "./${temp#"$c"/}/ZorvanShapes-*.log" \) -prune -o \
     -printf '%y %p %s\n' -type f -exec sha256sum {} + | sort)
  entries
  wine reg query "$uninstall_key" /s /reg:32 2>/dev/null | tr -d '\r'
}
# Runs one command line through cmd, from a batch file, so that it reaches the program exactly
# as written, quotes and all, as on Windows (Wine's own start would quote it again).
run() {
  printf '%s\r\nexit /b %%errorlevel%%\r\n' "$1" >"$c/zs/run.bat"
  wine cmd /c 'C:\zs\run.bat' >/dev/null 2>&1
}
install() { run "C:\\zs\\$1 /S $2"; }  # setup name, arguments after /S
machine() {  # prints the PE machine field of a file as 0x....
  python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
o = struct.unpack_from("<I", d, 0x3C)[0]
print("0x%04X" % struct.unpack_from("<H", d, o + 4)[0] if d[o:o + 4] == b"PE\0\0" else "none")' "$1" 2>/dev/null
}
status() { echo "exit code $1, expected $2"; }
# The log holds the text and ends with the exit code.
logged() {  # log file, exit code, text
  [ -f "$1" ] && grep -qF -- "$3" "$1" && [ "$(tail -n 1 "$1" | tr -d '\r')" = "exit code $2" ]
}
# A silent run that stops: its exit code, its reason in the log in %TEMP%, nothing written
# (against $before).
refused() {  # what the case shows, exit code, reason logged, arguments after /S
  local want=$2 why=$3 rc after
  rm -f "$setup_log"
  install "$name" "$4"
  rc=$?
  after=$(snapshot)
  check "$1: $(status $rc "$want"), \"$why\" logged, nothing written" \
    eval 'test $rc -eq $want && logged "$setup_log" $want "$why" && test "$after" = "$before"'
  [ "$after" = "$before" ] || diff <(printf '%s\n' "$before") <(printf '%s\n' "$after")
}
first=$(snapshot) before=$first
name=$(basename "$setup")
while IFS='|' read -r what want why args; do
  refused "$what" "$want" "$why" "$args"
done <<EOF
a /D= with a quote never closed|8|refused: the /D= cannot be read|/D="C:\Other FM 1
a /D= with no folder|8|refused: the /D= cannot be read|/D=
a folder that does not exist|6|refused: C:\Nowhere at all does not exist.|"/D=C:\Nowhere at all"
a file, not a folder|7|refused: C:\Apps\NotFM\FrameMaker.exe is a file, not a folder.|/D=C:\Apps\NotFM\FrameMaker.exe
a folder without FrameMaker.exe|5|refused: C:\Program Files\Adobe\NoHost does not hold FrameMaker.exe|/D=C:\Program Files\Adobe\NoHost
a FrameMaker.exe that is no Windows program|3|FrameMaker.exe cannot be used: it is not a Windows program|/D=C:\Apps\NotFM
a 300-character folder|11|ZorvanShapes.dll would be 332 characters long; Windows programs load plug-ins only from paths under 260 characters.|/D=$long300
a plug-in path of 260 characters|11|\ZorvanShapes.dll would be 260 characters long|/D=$long228
no /D= and no FrameMaker found|9|refused: no FrameMaker was found; name its folder with /D=.|
/? with /S: the switches, into the log only|2|/LOG=FILE  the log, instead of %TEMP%\ZorvanShapes-setup.log|/?
/Help with /S|2|/D=FOLDER  the FrameMaker folder|/Help
EOF

wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\FrameMaker.exe' /ve \
  /d 'C:\Apps\FM32\FrameMaker.exe' /f /reg:32 >/dev/null 2>&1 || die "the App Paths entry cannot be made"

# Folders named beyond ASCII, and the longest plug-in path allowed, install and uninstall. Wine
# hands such names to the installer as they are; cmd's batch files would not.
while IFS='|' read -r what folder bits machine; do
  rm -f "$setup_log" "$uninstall_log"
  wine "C:\\zs\\$name" /S "/D=$folder" >/dev/null 2>&1
  rc=$?
  dll=$(unix_of "$folder")/fminit/Plugins/ZorvanShapes.dll
  check "$what: installed ($(status $rc 0)), the $bits DLL, its path in the log as it is" \
    eval 'test $rc -eq 0 && test "$(machine "$dll")" = $machine &&
          logged "$setup_log" 0 "Installed the $bits plug-in (win${bits%-bit}\\ZorvanShapes.dll) as $folder\\fminit\\Plugins\\ZorvanShapes.dll"'
  key=$(sed -n 's/^written: the uninstall entry HKLM\\.*\\\(ZorvanShapes-[0-9A-F]\{8\}\)\r$/\1/p' "$setup_log")
  quiet=$(wine reg query "$uninstall_key\\$key" /v QuietUninstallString /reg:64 2>/dev/null | tr -d '\r' |
          sed -n 's/^ *QuietUninstallString    REG_SZ    //p')
  run "$quiet"
  rc=$?
  check "$what: the quiet uninstall ($(status $rc 0)) removes the DLL and the entry, and logs it" \
    eval 'test $rc -eq 0 && test ! -e "$dll" && ! wine reg query "$uninstall_key\\$key" /reg:64 >/dev/null 2>&1 &&
          logged "$uninstall_log" 0 "removed: $folder\\fminit\\Plugins\\ZorvanShapes.dll"'
done <<EOF
a folder named in Cyrillic|$cyrillic|64-bit|0x8664
a folder named in Chinese|$cjk|32-bit|0x014C
a plug-in path of 259 characters|$long227|64-bit|0x8664
EOF

# Each form of /D= a person or a deployment tool writes installs into exactly that folder (a
# 64-bit FrameMaker), never into the 32-bit one the installer finds by itself.
# Each writes its log where /LOG= says.
while IFS='|' read -r n args; do
  install "$name" "/LOG=C:\\zs\\form$n.log $args"
  rc=$?
  check "/S /LOG=... $args: installed there ($(status $rc 0)), the x86-64 DLL, nothing in the FrameMaker found, logged" \
    eval 'test $rc -eq 0 && test "$(machine "$c/Other FM $n/fminit/Plugins/ZorvanShapes.dll")" = 0x8664 &&
          test ! -e "$fm32/fminit" && has_entry "InstallLocation    REG_SZ    C:\\\\Other FM $n$" &&
          logged "$c/zs/form$n.log" 0 "as C:\\Other FM $n\\fminit\\Plugins\\ZorvanShapes.dll"'
done <<'EOF'
1|/D=C:\Other FM 1
2|"/D=C:\Other FM 2"
3|/D="C:\Other FM 3"
4|/D=C:/Other FM 4
5|/D=C:\Other FM 5\
EOF

install "$name" ""
rc=$?
check "silently, with the one FrameMaker found (App Paths, 32-bit view): installed ($(status $rc 0))" test $rc -eq 0
check "the 32-bit FrameMaker got the i386 DLL (PE machine $(machine "$fm32/fminit/Plugins/ZorvanShapes.dll"))" \
  test "$(machine "$fm32/fminit/Plugins/ZorvanShapes.dll")" = 0x014C

# The 64-bit FrameMaker comes now, so that the installs above find only the 32-bit one.
mkdir -p "$fm64/fminit/Plugins"
cp "$work/fm64.exe" "$fm64/FrameMaker.exe"
printf 'another plug-in\n' >"$fm64/fminit/Plugins/Other.dll"
first=$( (printf '%s\n' "$first"; cd "$c" && find "./Program Files/Adobe/FM64" -printf '%y %p %s\n' -type f -exec sha256sum {} +) | sort)

wineserver -w  # the earlier installs' processes all ended
before=$(snapshot)
refused "no /D= and two FrameMaker found" 10 "refused: 2 FrameMaker folders were found; name the one that gets the plug-in with /D=." ""

install "$name" '/D=C:\Program Files\Adobe\FM64'
rc=$?
check "/D= the 64-bit FrameMaker: installed ($(status $rc 0))" test $rc -eq 0
check "the 64-bit FrameMaker got the x86-64 DLL (PE machine $(machine "$fm64/fminit/Plugins/ZorvanShapes.dll"))" \
  test "$(machine "$fm64/fminit/Plugins/ZorvanShapes.dll")" = 0x8664
check "the other plug-in in that Plugins folder is untouched" \
  test "$(cat "$fm64/fminit/Plugins/Other.dll")" = "another plug-in"


# Registry entries: one per host folder, with what "Apps & features" shows.
entries_ok() {
  local e
  e=$(entries)
  [ "$(printf '%s\n' "$e" | grep -c '^HKEY_.*\\ZorvanShapes-')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c "Publisher    REG_SZ    Zorvan Software$")" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c "DisplayVersion    REG_SZ    $version$")" = 7 ] &&
    grep -q 'InstallLocation    REG_SZ    C:\\Apps\\FM32$' <<<"$e" &&
    grep -q 'InstallLocation    REG_SZ    C:\\Program Files\\Adobe\\FM64$' <<<"$e" &&
    [ "$(printf '%s\n' "$e" | grep -c 'UninstallString    REG_SZ    "C:\\.*\\\([0-9A-F]\{8\}\)\\uninstall.exe" _?=C:\\.*\\\1$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'QuietUninstallString    REG_SZ    "C:\\.*\\\([0-9A-F]\{8\}\)\\uninstall.exe" /S _?=C:\\.*\\\1$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'DisplayIcon    REG_SZ    "C:\\.*\\uninstall.exe",0$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'HelpLink    REG_SZ    C:\\.*\\ZorvanShapes-Guide.html$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c "InstallDate    REG_SZ    $(date +%Y%m%d)$")" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'EstimatedSize    REG_DWORD    0x[0-9a-f]\{2,\}$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'NoModify    REG_DWORD    0x1$')" = 7 ] &&
    [ "$(printf '%s\n' "$e" | grep -c 'NoRepair    REG_DWORD    0x1$')" = 7 ]
}
check "seven uninstall entries, one per FrameMaker folder: publisher, package $version, folder, uninstaller run in place, icon, help, date, size" \
  entries_ok
own64=$(entries | grep -A20 'FM64' | sed -n 's/^ *QuietUninstallString    REG_SZ    "\(.*\)\\uninstall.exe".*$/\1/p' | head -1)
own64=$c/$(printf '%s' "${own64#C:\\}" | tr '\\' /)
crlf_only() { python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); sys.exit(not d.endswith(b"\r\n") or d.count(b"\n") != d.count(b"\r\n"))' "$1"; }
check "INSTALL.txt, CHANGELOG.md, LICENSE and the package's BUILDINFO.txt installed with Windows line ends, the guide beside them" \
  eval 'crlf_only "$own64/INSTALL.txt" && crlf_only "$own64/CHANGELOG.md" && crlf_only "$own64/LICENSE" &&
        cmp -s "$own64/BUILDINFO.txt" "$stage/BUILDINFO.txt" && crlf_only "$own64/BUILDINFO.txt" &&
        cmp -s "$own64/ZorvanShapes-Guide.html" "$stage/ZorvanShapes-Guide.html"'
guide_link="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZorvanShapes Guide.lnk"
check "the Start menu has \"ZorvanShapes Guide\", to the latest install's guide" \
  eval 'test -s "$guide_link" && grep -qa "${own64##*/}" "$guide_link"'

# A second install replaces the DLL, here with the signed one; the entry stays one.
dll32=$fm32/fminit/Plugins/ZorvanShapes.dll dll64=$fm64/fminit/Plugins/ZorvanShapes.dll
printf 'junk' >"$dll64"
install "signed\\$(basename "$signed_setup")" '/D=C:\Program Files\Adobe\FM64'
rc=$?
check "installing again over a damaged DLL replaces it ($(status $rc 0))" \
  cmp -s "$dll64" "$sign/package/win64/ZorvanShapes.dll"
check "... still one uninstall entry per FrameMaker folder" \
  test "$(entries | grep -c '^HKEY_.*\\ZorvanShapes-')" = 7
check "the uninstaller the signed installer wrote is signed too" verifies "$own64/uninstall.exe"

# A FrameMaker that holds its DLL: FrameMaker.exe DLL FILE loads it, makes FILE and waits until
# FILE is gone.
hold() {  # FrameMaker folder (Windows path), its DLL (Linux path)
  wine "$1\\FrameMaker.exe" "$1\\fminit\\Plugins\\ZorvanShapes.dll" 'C:\zs\holding' >/dev/null 2>&1 &
  holder=$!
  for _ in $(seq 300); do [ -e "$c/zs/holding" ] && return 0; sleep 0.1; done
  zv_say "the fake FrameMaker did not load $2 within 30 s"
}
release() { rm -f "$c/zs/holding"; wait $holder; }

# While FrameMaker holds the DLL, the installer changes nothing and says so by its exit code.
hold 'C:\Program Files\Adobe\FM64' "$dll64"
install "$name" '"/LOG=C:\zs\in use.log" /D=C:\Program Files\Adobe\FM64'
rc=$?
release
check "with the DLL in use: refused ($(status $rc 4)), the DLL and the folder as they were, logged to a quoted /LOG=" \
  eval 'test $rc -eq 4 && cmp -s "$dll64" "$sign/package/win64/ZorvanShapes.dll" &&
        test "$(ls "$fm64/fminit/Plugins" | tr "\n" " ")" = "Other.dll ZorvanShapes.dll " &&
        logged "$c/zs/in use.log" 4 "ZorvanShapes.dll is in use"'

# The quiet uninstall, as a deployment tool runs it (the entry's QuietUninstallString): it
# waits, says 4 and leaves everything while a 32-bit or a 64-bit FrameMaker holds the DLL, and
# says 0 with everything removed once it is free.
quiet_of() { entries | grep -A20 "InstallLocation    REG_SZ    $1$" | sed -n 's/^ *QuietUninstallString    REG_SZ    //p' | head -1; }
q32=$(quiet_of 'C:\\Apps\\FM32') q64=$(quiet_of 'C:\\Program Files\\Adobe\\FM64')
while IFS='|' read -r folder dll quiet bits; do
  before=$(snapshot)
  rm -f "$uninstall_log"
  hold "$folder" "$dll"
  run "$quiet"
  rc=$?
  release
  wineserver -w
  check "the quiet uninstall while a $bits FrameMaker holds the DLL: $(status $rc 4), everything as it was, logged" \
    eval 'test $rc -eq 4 && test "$(snapshot)" = "$before" && logged "$uninstall_log" 4 "ZorvanShapes.dll is in use"'
done <<EOF
C:\\Apps\\FM32|$dll32|$q32|32-bit
C:\\Program Files\\Adobe\\FM64|$dll64|$q64|64-bit
EOF

# Every entry's quiet uninstall; the work is done when it returns (the cleaning up of the
# uninstaller's own file may go on for a moment, so the server is left to empty after).
n=0 done_on_return=0
while IFS= read -r q; do
  [ -n "$q" ] || continue
  location=$(entries | grep -B20 -F "QuietUninstallString    REG_SZ    $q" | sed -n 's/^ *InstallLocation    REG_SZ    //p' | tail -1)
  run "$q" && n=$((n + 1))
  host=$c/$(printf '%s' "${location#C:\\}" | tr '\\' /)
  if ! has_entry -F "InstallLocation    REG_SZ    $location" && [ ! -e "$host/fminit/Plugins/ZorvanShapes.dll" ]; then
    done_on_return=$((done_on_return + 1))
  fi
done <<<"$(entries | sed -n 's/^ *QuietUninstallString    REG_SZ    //p')"
wineserver -w
check "all seven quiet uninstalls exited 0 ($n did), each with its DLL and entry gone when it returned ($done_on_return were)" \
  test $n -eq 7 -a $done_on_return -eq 7
last=$(snapshot)
check "every file and uninstall entry as before the first install (no uninstaller, folder or temporary folder left)" \
  test "$first" = "$last"
if [ "$first" != "$last" ]; then diff <(printf '%s\n' "$first") <(printf '%s\n' "$last"); fi
wineserver -w  # the server writes the registry files when it ends
check "no registry entry names ZorvanShapes" eval '! grep -qi zorvanshapes "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg"'
summary
