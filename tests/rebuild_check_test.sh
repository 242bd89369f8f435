#!/usr/bin/env bash
# The rebuild check's reading of a record: each row writes a BUILDINFO.txt and expects the
# check's exit status and a part of what it says, before anything is built. (The rebuild
# itself takes a release's time: README, "The release package", says how it was checked.)
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
check=$root/scripts/rebuild-check.sh
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail=0
head="Format: ZorvanShapes BUILDINFO 1\r\nPackage: 1.3.0\r\n"
sums="Checksums-Sha256:\r\n $(printf 'a%.0s' $(seq 64))  LICENSE\r\n"
commit=$(printf 'f%.0s' $(seq 40))
rows=(
  # record (printf format)|status|what it says
  "Format: something else\n|2|record.txt:1: expected 'Format: ZorvanShapes BUILDINFO 1', found 'Format: something else'"
  "${head}Commit: 1a2b3c4\r\nSource-Date-Epoch: 1\r\n$sums|2|expected 'Commit: ' and 40 hex digits, found '1a2b3c4'"
  "${head}Commit: $commit\r\nSource-Date-Epoch: yesterday\r\n$sums|2|expected 'Source-Date-Epoch: ' and a number, found 'yesterday'"
  "${head}Commit: $commit\r\nSource-Date-Epoch: 1\r\n|2|no 'Checksums-Sha256:' lines"
  "${head}Commit: $commit\r\nSource-Date-Epoch: 1\r\nToolchain:\r\n cmake 0.0-never\r\n$sums|1|cmake: recorded 0.0-never, installed"
)
for row in "${rows[@]}"; do
  IFS='|' read -r record want says <<<"$row"
  printf "$record" >"$tmp/record.txt"
  out=$(cd "$tmp" && "$check" record.txt 2>&1); rc=$?
  if [ $rc -ne "$want" ] || [[ "$out" != *"$says"* ]]; then
    echo "FAILED: record '$record': exit $rc, expected $want and '$says'; got: $out"; fail=1
  fi
done
# A commit this repository does not have is named, and nothing is built.
printf "${head}Commit: $commit\r\nSource-Date-Epoch: 1\r\n$sums" >"$tmp/record.txt"
out=$("$check" "$tmp/record.txt" 2>&1); rc=$?
[ $rc -eq 1 ] && [[ "$out" == *"commit $commit is not in $root: fetch it first"* ]] ||
  { echo "FAILED: an unknown commit: exit $rc; got: $out"; fail=1; }
"$check" >/dev/null 2>&1; [ $? -eq 2 ] || { echo "FAILED: no arguments should exit 2"; fail=1; }
[ $fail -eq 0 ] && echo "rebuild check: every record row as expected"
exit $fail
