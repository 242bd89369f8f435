#!/usr/bin/env bash
# Rebuilds a package from its record and says whether every file comes out the same.
#
#   scripts/rebuild-check.sh BUILDINFO.txt [PACKAGE.zip]
#
# BUILDINFO.txt is the record in a package (the zip's, or the one installed beside the
# uninstaller) or the one release.sh writes beside the downloads (which adds the zip's and the
# installer's SHA-256). The script checks out the record's commit in a fresh folder (a clone of
# this repository, build/rebuild-check/src), compares the tools installed here with the
# record's and names each version that differs, builds the package there with scripts/release.sh
# at the record's SOURCE_DATE_EPOCH, and compares the SHA-256 of every file the record names.
# Where a file differs and the package it came from is given, diffoscope (Debian's package)
# shows how the two copies differ.
# Exit status: 0 every file agrees (tools that differ are named but do not fail the check);
# 1 a file differs or the rebuild failed; 2 the record cannot be read.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
[ $# -eq 1 ] || [ $# -eq 2 ] || zv_die -2 "usage: $zv_me BUILDINFO.txt [PACKAGE.zip]"
record=$1 given=${2:-}
[ -r "$record" ] || zv_die -2 "$record: cannot read it"
[ -z "$given" ] || [ -r "$given" ] || zv_die -2 "$given: cannot read it"
record=$(cd "$(dirname "$record")" && pwd)/$(basename "$record")
[ -z "$given" ] || given=$(cd "$(dirname "$given")" && pwd)/$(basename "$given")
zv_need git sha256sum

# The record's fields: "Name: value" lines, and indented lines under a name that ends a line.
field() { tr -d '\r' <"$record" | sed -n "s/^$1: //p" | head -1; }
section() { tr -d '\r' <"$record" | awk -v name="$1:" '$0 == name {on = 1; next} /^[^ ]/ {on = 0} on {sub(/^ /, ""); print}'; }
[ "$(tr -d '\r' <"$record" | head -1)" = "Format: ZorvanShapes BUILDINFO 1" ] ||
  zv_die -2 "$record:1: expected 'Format: ZorvanShapes BUILDINFO 1', found '$(tr -d '\r' <"$record" | head -1 | cut -c1-40)'"
package=$(field Package) commit=$(field Commit) epoch=$(field Source-Date-Epoch)
[[ "$commit" =~ ^[0-9a-f]{40}$ ]] || zv_die -2 "$record: expected 'Commit: ' and 40 hex digits, found '${commit:0:44}'"
[[ "$epoch" =~ ^[0-9]+$ ]] || zv_die -2 "$record: expected 'Source-Date-Epoch: ' and a number, found '${epoch:0:20}'"
files=$(section Checksums-Sha256)
[ -n "$files" ] || zv_die -2 "$record: no 'Checksums-Sha256:' lines"
echo "rebuild-check: package $package, commit ${commit:0:12}, SOURCE_DATE_EPOCH $epoch"

# The tools: each recorded version against the installed one.
tools_differ=0
installed=$(zv_toolchain_versions)
while read -r name version; do
  [ -n "$name" ] || continue
  now=$(awk -v n="$name" '$1 == n {print $2}' <<<"$installed")
  if [ "$now" != "$version" ]; then
    echo "rebuild-check: $name: recorded $version, installed ${now:-nothing}"
    tools_differ=1
  fi
done < <(section Toolchain)
[ $tools_differ -eq 1 ] || echo "rebuild-check: the tools installed are the recorded versions"

work=$zv_root/build/rebuild-check
rm -rf "$work"
mkdir -p "$work"
git clone --quiet --no-checkout "$zv_root" "$work/src" || zv_die "cannot clone $zv_root into $work/src"
git -C "$work/src" checkout --quiet --detach "$commit" 2>/dev/null ||
  zv_die "commit $commit is not in $zv_root: fetch it first"
echo "rebuild-check: building in $work/src (scripts/release.sh; its log: $work/release.log)"
if ! (cd "$work/src" && SOURCE_DATE_EPOCH=$epoch scripts/release.sh) >"$work/release.log" 2>&1; then
  tail -20 "$work/release.log" >&2
  zv_die "the rebuild failed (the whole log: $work/release.log)"
fi
rebuilt=$work/src/out/release/ZorvanShapes-$package-BUILDINFO.txt
[ -f "$rebuilt" ] || zv_die "the rebuild wrote no $rebuilt"
stage=$work/src/build/release/package

# Every file the record names, with its SHA-256, against the rebuild's.
differ=0 agree=0
compare() {  # recorded lines, folder of the rebuilt files
  local sum name
  while read -r sum name; do
    [ -n "$name" ] || continue
    local now
    now=$(sha256sum "$2/$name" 2>/dev/null | cut -d' ' -f1)
    if [ "$now" = "$sum" ]; then
      agree=$((agree + 1))
    else
      echo "rebuild-check: $name differs: recorded ${sum:0:16}..., rebuilt ${now:-nothing}"
      differ=$((differ + 1))
      printf '%s\n' "$2/$name" >>"$work/differing"
    fi
  done <<<"$1"
}
compare "$files" "$stage"
downloads=$(section Downloads-Sha256)
[ -z "$downloads" ] || compare "$downloads" "$work/src/out/release"
if [ $differ -eq 0 ]; then
  echo "rebuild-check: all $agree files agree with the record"
  exit 0
fi
if [ -n "$given" ] && command -v diffoscope >/dev/null 2>&1; then
  mkdir -p "$work/given"
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$given" "$work/given"
  while read -r path; do
    name=${path#"$stage"/}
    name=${name#"$work/src/out/release/"}
    [ -f "$work/given/$name" ] || continue
    echo "rebuild-check: diffoscope $name (the package's, then the rebuild's):"
    diffoscope --text - "$work/given/$name" "$path" | head -60 || true
  done <"$work/differing"
elif [ -n "$given" ]; then
  echo "rebuild-check: install diffoscope (apt-get install diffoscope) to see how the files differ"
else
  echo "rebuild-check: give the package too (scripts/rebuild-check.sh $1 PACKAGE.zip) and install diffoscope"
  echo "  to see how they differ; the rebuilt files are in $stage"
fi
echo "rebuild-check: $differ of $((agree + differ)) files differ$( [ $tools_differ -eq 0 ] || echo '; the tools named above differ from the record')"
exit 1
