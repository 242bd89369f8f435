#!/usr/bin/env bash
# The release's package check: in a small git tree of its own, each row sets up the changelog,
# the package's number and the record, and expects the check's exit status and the start of its
# first message (FILE:LINE: ...), so that a package is never built under a number or a
# changelog that does not fit it.
set -u
check="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/scripts/package-check.py"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail=0
sha=$(printf 'a%.0s' $(seq 64))
setup() {  # VERSION, changelog body, record line
  rm -rf "$tmp/t"; mkdir -p "$tmp/t/release"; cd "$tmp/t"
  printf '%s\n' "$1" >release/VERSION
  printf '# Changelog\n\n%b' "$2" >CHANGELOG.md
  printf '# record\n%b' "$3" >release/packages.txt
  printf 'Run ZorvanShapes-%s-setup.exe\n' "${1:-0}" | tee INSTALL.txt >README.md
  git init -q . && git -c user.name=t -c user.email=t@t add -A && git -c user.name=t -c user.email=t@t commit -qm t
}
rows=(
  # VERSION|changelog|record|status|message start
  "1.3.0|## [Unreleased]\n\n## [1.3.0] - 2026-12-09\n- x\n||0|1.3.0"
  "1.3.0|## [Unreleased]\n- left over\n\n## [1.3.0] - 2026-12-09\n||1|CHANGELOG.md:3: \"Unreleased\" still holds entries"
  "1.3.0|## [1.2.1] - 2026-12-08\n- x\n||1|CHANGELOG.md:3: the newest section must be \"## [1.3.0]"
  "1.3.0|## [1.3.0]\n- x\n||1|CHANGELOG.md:3: the newest section must be"
  "1.3.0|## [1.3.0] - 2026-13-40\n||1|CHANGELOG.md:3: '2026-13-40' is not a date"
  "1.3|## [1.3] - 2026-12-09\n||1|release/VERSION:1: expected one line"
  "1.3.0|## [1.3.0] - 2026-12-09\n|1.3.0 2026-12-09 0000000 ZorvanShapes-1.3.0-setup.exe $sha\n|1|release/packages.txt:2: 1.3.0 was released on 2026-12-09 from commit 0000000, which this clone does not have"
  "1.3.0|## [1.3.0] - 2026-12-09\n|1.3.0 2026-12-09 HEAD ZorvanShapes-1.3.0-setup.exe\n|1|release/packages.txt:2: expected 'NUMBER DATE COMMIT FILE SHA256'"
  "1.3.0|## [1.3.0] - 2026-12-09\n|1.2.1 2026-12-08 0000000 ZorvanShapes-1.2.1-win32.zip $sha\n|0|1.3.0"
)
for row in "${rows[@]}"; do
  IFS='|' read -r version changelog record want message <<<"$row"
  setup "$version" "$changelog" "$record"
  out=$("$check" --root . 2>&1); rc=$?
  if [ $rc -ne "$want" ] || [[ "$out" != "$message"* ]]; then
    echo "FAILED: VERSION $version, changelog '$changelog', record '$record': exit $rc, expected $want; got: $out"; fail=1
  fi
done
# A recorded number rebuilds from its own commit (the record's lines aside), not from another tree.
setup 1.3.0 '## [1.3.0] - 2026-12-09\n' ''
head=$(git rev-parse --short HEAD)
printf '1.3.0 2026-12-09 %s ZorvanShapes-1.3.0-setup.exe %s\n' "$head" "$sha" >>release/packages.txt
git -c user.name=t -c user.email=t@t commit -qam record
"$check" --root . >/dev/null 2>&1 || { echo "FAILED: the released commit itself is refused"; fail=1; }
printf '%s  ZorvanShapes-1.3.0-setup.exe\n' "$(printf 'b%.0s' $(seq 64))" >"$tmp/sums"
out=$("$check" --root . --built "$tmp/sums" 2>&1) &&
  { echo "FAILED: other bytes under a released number pass: $out"; fail=1; }
printf 'x\n' >>INSTALL.txt; git -c user.name=t -c user.email=t@t commit -qam change
out=$("$check" --root . 2>&1) && { echo "FAILED: a changed tree under a released number passes"; fail=1; }
[[ "$out" == *"this tree differs from it (1 file, e.g. INSTALL.txt)"* ]] || { echo "FAILED: $out"; fail=1; }
# The install guide names the package it ships in.
setup 1.3.0 '## [1.3.0] - 2026-12-09\n' ''
printf 'Unzip ZorvanShapes-1.2.1-windows.zip\n' >>INSTALL.txt
out=$("$check" --root . 2>&1)
[[ "$out" == "INSTALL.txt:2: names the package ZorvanShapes-1.2.1-windows.zip, but this package is 1.3.0"* ]] ||
  { echo "FAILED: INSTALL.txt naming another package passes: $out"; fail=1; }
# A new number's record lines are printed once built.
setup 1.4.0 '## [1.4.0] - 2026-12-10\n' ''
printf '%s  ZorvanShapes-1.4.0-setup.exe\n' "$sha" >"$tmp/sums"
out=$("$check" --root . --built "$tmp/sums" 2>&1)
[[ "$out" == *"1.4.0 2026-12-10 $(git rev-parse --short=12 HEAD) ZorvanShapes-1.4.0-setup.exe $sha"* ]] ||
  { echo "FAILED: no record line for a new number: $out"; fail=1; }
[ $fail -eq 0 ] && echo "package check: all cases held"
exit $fail
