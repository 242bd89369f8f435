#!/usr/bin/env bash
# Builds the Win32 and the Win64 DLL from the committed tree in fresh build folders, checks each
# (its machine and one export, system imports only, its version resource, its relocations and
# unwind data, no link time) and writes what a user installs:
#   out/release/ZorvanShapes-<number>-windows.zip   win32/ZorvanShapes.dll (32-bit hosts),
#       win64/ZorvanShapes.dll (64-bit hosts), ZorvanShapes-Guide.html (the writers' guide,
#       scripts/guide.sh), INSTALL.txt, CHANGELOG.md, LICENSE, BUILDINFO.txt (the record this
#       package is rebuilt from), SHA256SUMS (the text files with Windows line ends)
#   out/release/ZorvanShapes-<number>-setup.exe     the installer holding the same files
#       (installer/, scripts/build-setup.sh)
#   out/release/SHA256SUMS                          the SHA-256 of both, also printed (Windows
#       line ends, as the zip's own)
#   out/release/ZorvanShapes-<number>-BUILDINFO.txt the package's record (the zip's and the
#       installed BUILDINFO.txt: commit, SOURCE_DATE_EPOCH, tools, options, each file's
#       SHA-256) with the SHA-256 of the zip and the installer; scripts/rebuild-check.sh
#       rebuilds the package from it
# <number> is the package's own number, release/VERSION. Nothing is built unless CHANGELOG.md's
# newest section is that number with a date, "Unreleased" is empty and release/packages.txt
# does not record the number for other content (scripts/package-check.py says what to do);
# a number it records must give the recorded bytes again.
# With ZV_SIGN_CERT and ZV_SIGN_KEY (scripts/sign.sh), it then signs copies of both DLLs and
# writes the signed zip and installer to out/release/signed/.
#
# Two runs on the same commit, in any folder, give the same unsigned bytes: the DLL carries no
# time or path, the zip's entries come in a fixed order with the time of the last commit
# (SOURCE_DATE_EPOCH) and fixed permissions, and the installer keeps that time as its files'
# time. Signatures are made last, on copies, since a signature carries its own time.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$zv_root"

scripts/setup.sh >/dev/null
zv_need git python3 sha256sum

# What ships is exactly a commit: no changed and no new files (the build picks up every source
# file of the module's folders).
if [ -n "$(git status --porcelain)" ]; then
  zv_say "the tree is not clean; commit, stash or remove these first:"
  git status --short >&2
  exit 1
fi
for f in INSTALL.txt CHANGELOG.md LICENSE; do
  [ -f "$f" ] || zv_die "$f: missing"
done
# The package's number, once its changelog section, its guide and its record agree.
version=$(scripts/package-check.py) || zv_die "nothing was built"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

zip=out/release/ZorvanShapes-$version-windows.zip
setup=out/release/ZorvanShapes-$version-setup.exe
record=out/release/ZorvanShapes-$version-BUILDINFO.txt
# A package left from an earlier run must not pass for this one.
rm -rf "$zip" "$setup" "$record" out/release/SHA256SUMS out/release/signed
stage=build/release/package
rm -rf build/release
mkdir -p "$stage" out/release
echo "release: building the ZorvanShapes $version package (commit $(git log -1 --format=%h); the DLLs' own version $(scripts/version.sh))"

# Builds one target's DLL and runs the unit tests' artifact checks on it (the DLL beside the
# test program); scripts/stage-package.sh stages both below.
build_dll() {  # target, toolchain file
  local target=$1 build=build/release/$1 checks
  mkdir -p "$build"
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/$2.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DZV_BENCH=OFF >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log" >&2; zv_die "$target: configure failed"; }
  cmake --build "$build" --target ZorvanShapes unit_tests -j "${ZV_JOBS:-2}" >"$build/build.log" 2>&1 ||
    { tail -30 "$build/build.log" >&2; zv_die "$target: the build failed (the whole log: $build/build.log)"; }
  local dll=$build/bin/ZorvanShapes.dll
  checks=$(cd "$build/bin" && "$zv_root/scripts/wine-run.sh" ./unit_tests.exe --gtest_filter="Targets/Dll.*/$target" \
           --gtest_color=no 2>&1) ||
    { printf '%s\n' "$checks" >&2; zv_die "$dll fails the artifact checks; nothing packaged"; }
  checks=$(printf '%s\n' "$checks" | tr -d '\r')
  if printf '%s\n' "$checks" | grep -q SKIPPED || ! printf '%s\n' "$checks" | grep -q '^\[  PASSED  \] [1-9]'; then
    printf '%s\n' "$checks" >&2
    zv_die "the artifact checks did not all run on $dll; nothing packaged"
  fi
  echo "release: $dll passes the artifact checks ($(printf '%s\n' "$checks" | grep -c '^\[       OK \]') checks)"
}
build_dll win32 mingw-i686
build_dll win64 mingw-x86_64
# The writers' guide, drawn by the module itself (the Linux build; the three agree byte for byte).
scripts/guide.sh build/release/ZorvanShapes-Guide.html >build/release/guide.log 2>&1 ||
  { cat build/release/guide.log >&2; zv_die "the guide could not be made; nothing packaged"; }
scripts/stage-package.sh "$stage" build/release/win32/bin/ZorvanShapes.dll build/release/win64/bin/ZorvanShapes.dll \
  build/release/ZorvanShapes-Guide.html


# Writes the zip of a staged package: its files and SHA256SUMS (of the files as they ship,
# with Windows line ends), in a fixed order, with the time of the last commit and fixed
# permissions.
write_zip() {  # stage folder, zip
  (cd "$1" && sha256sum "${zv_package_files[@]}" | sed 's/$/\r/' >SHA256SUMS)
  python3 - "$1" "$2" "${zv_package_files[@]}" SHA256SUMS <<'EOF'
import os, sys, time, zipfile
stage, target, names = sys.argv[1], sys.argv[2], sys.argv[3:]
# Zip times have a two-second resolution and start in 1980.
stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
with zipfile.ZipFile(target + ".tmp", "w") as z:
    for name in names:
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 3  # Unix, so that the permissions below are read
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(stage, name), "rb") as f:
            z.writestr(info, f.read(), compresslevel=9)
os.replace(target + ".tmp", target)
EOF
}

# The unsigned package and installer: the same bytes from every clean clone of this commit.
write_zip "$stage" "$zip"
scripts/build-setup.sh "$stage" "$version" "$setup"
# Windows line ends, as the zip's own SHA256SUMS: one file, read the same on both systems.
(cd out/release && sha256sum "$(basename "$zip")" "$(basename "$setup")" | sed 's/$/\r/' >SHA256SUMS)
# The package's record with the downloads' own SHA-256 (setup.exe cannot hold its own).
{
  cat "$stage/BUILDINFO.txt"
  echo "Downloads-Sha256:"
  (cd out/release && sha256sum "$(basename "$zip")" "$(basename "$setup")") | sed 's/^/ /'
} | sed 's/\r*$/\r/' >"$record"
# A number released before must give the same bytes; a new one gets the lines of its record.
if ! scripts/package-check.py --built out/release/SHA256SUMS; then
  rm -f "$zip" "$setup" "$record" out/release/SHA256SUMS
  zv_die "the package was removed again; nothing is left in out/release"
fi

# Signed copies, when a certificate is given: the DLLs first, then the package and the
# installer made from them (build-setup.sh --sign signs the uninstaller inside and the
# installer).
# They go to out/release/signed/, so that the unsigned files above stay as they were built.
if [ -n "${ZV_SIGN_CERT:-}${ZV_SIGN_KEY:-}" ]; then
  signed=build/release/signed-package
  mkdir -p out/release/signed
  scripts/stage-package.sh "$signed" "$stage/win32/ZorvanShapes.dll" "$stage/win64/ZorvanShapes.dll" \
    "$stage/ZorvanShapes-Guide.html"
  scripts/sign.sh "$signed/win32/ZorvanShapes.dll" "$signed/win64/ZorvanShapes.dll"
  write_zip "$signed" "out/release/signed/$(basename "$zip")"
  scripts/build-setup.sh --sign "$signed" "$version" "out/release/signed/$(basename "$setup")"
  (cd out/release/signed && sha256sum "$(basename "$zip")" "$(basename "$setup")" | sed 's/$/\r/' >SHA256SUMS)
fi

echo "release: $zv_root/$zip"
echo "release: $zv_root/$setup"
echo "release: $zv_root/$record"
tr -d '\r' <out/release/SHA256SUMS | sed 's/^/sha256: /'
if [ -d out/release/signed ]; then
  echo "release: signed with $ZV_SIGN_CERT: $zv_root/out/release/signed/"
  tr -d '\r' <out/release/signed/SHA256SUMS | sed 's/^/sha256 (signed): /'
else
  echo "release: not signed (set ZV_SIGN_CERT and ZV_SIGN_KEY to sign: README, \"The release package\")"
fi
