#!/usr/bin/env bash
# The tour's HTML report in a real browser (headless Chromium) with its normal scroll bar, at
# 1400, 1280 and 800 pixels wide: screenshots for a person to look at, no horizontal scrolling,
# before and after side by side from 1280 pixels, names of at least 10 pixels in the pictures of
# a wide window, and nothing fetched from outside the file. Then the report of a crowded page
# (3,000 graphics, 400 navigation steps, 100 rounds of copy, paste, undo and redo, made by
# scripts/crowded-scenario.py): it opens, its pictures are bounded (at most one reference to a
# page drawing each, a few hundred elements at most), and it says where its pictures stop. The
# time to its first screen and the renderer's memory are printed, not judged (the figures are
# in docs/performance-log.md).
#   report_in_browser.sh ZORVAN_HOST TOUR.zvs OUT_DIR
# Exits 77 (skipped) when Chromium is not installed; scripts/setup.sh --browser installs it.
set -euo pipefail
host=$1 tour=$2 out=$3
generator=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../scripts" && pwd)/crowded-scenario.py

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "skipped: chromium is not installed (scripts/setup.sh --browser installs it)"
  exit 77
fi
mkdir -p "$out"
report=$out/tour.html
"$host" run --quiet --html "$report" "$tour" >"$out/run.txt" || { cat "$out/run.txt"; exit 1; }

failed=0
fail() { echo "FAILED: $*"; failed=1; }

# Self-contained: no scripts, style sheets, images, frames or fonts from elsewhere (a clip path
# within the page, url(#id), is its own).
outside() {
  if grep -Eno '<script|<link|<img|<iframe|<object|<embed|@import|url\([^#]|src=|href="[a-z]+:' "$1"; then
    fail "$1 refers to something outside itself (above)"
  fi
}
outside "$report"

# A copy with a measuring script: it writes what it measured into the page, which --dump-dom
# prints. The report itself stays without scripts. Shapes inside a picture may reach past its
# edge (the picture shows only part of the page); the pictures themselves may not.
measure=$out/measure.html
sed 's|</body>|<script>\
const d = document.documentElement;\
let over = [];\
for (const e of document.querySelectorAll("body *")) {\
  if (e.ownerSVGElement) continue;\
  const r = e.getBoundingClientRect();\
  if (r.width > 0 \&\& r.right > d.clientWidth + 0.5) over.push(e.tagName + "." + e.getAttribute("class"));\
}\
let small = 1e9, labels = 0, stacked = 0;\
function texts(node, found, seen) {\
  for (const t of node.querySelectorAll("text")) found.push(t);\
  for (const u of node.querySelectorAll("use")) {\
    const id = u.getAttribute("href").slice(1);\
    if (seen.has(id)) continue;\
    seen.add(id);\
    const def = document.getElementById(id);\
    if (def) texts(def, found, seen);\
  }\
}\
for (const svg of document.querySelectorAll(".step > .pics svg")) {\
  const k = svg.getBoundingClientRect().width / svg.viewBox.baseVal.width;\
  const found = [];\
  texts(svg, found, new Set());\
  for (const t of found) {\
    small = Math.min(small, parseFloat(t.getAttribute("font-size") \|\| "16") * k);\
    labels++;\
  }\
}\
for (const pics of document.querySelectorAll(".step > .pics")) {\
  const f = pics.querySelectorAll(":scope > figure");\
  if (f.length == 2 \&\& f[1].getBoundingClientRect().top > f[0].getBoundingClientRect().top + 1) stacked++;\
}\
const external = performance.getEntriesByType("resource").map(x => x.name).filter(n => !n.startsWith("file:"));\
const p = document.createElement("pre");\
p.textContent = "MEASURE scrollWidth=" + d.scrollWidth + " clientWidth=" + d.clientWidth + " overflowing=" +\
  over.length + " first=" + (over[0] \|\| "-") + " smallestTextPx=" + small.toFixed(1) + " texts=" + labels +\
  " stacked=" + stacked + " scrollbar=" + (window.innerWidth - d.clientWidth) +\
  " external=" + external.length + " END";\
document.body.appendChild(p);\
</script></body>|' "$report" >"$measure"

for width in 1400 1280 800; do
  profile=$(mktemp -d)
  flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
         --disable-component-update --disable-sync --user-data-dir="$profile"
         --host-resolver-rules="MAP * ~NOTFOUND" --window-size="$width,2400")
  timeout 120 "$browser" "${flags[@]}" --screenshot="$out/tour-$width.png" "file://$(realpath "$report")" \
    >/dev/null 2>&1 || fail "chromium could not take the screenshot at $width px"
  line=$(timeout 120 "$browser" "${flags[@]}" --dump-dom "file://$(realpath "$measure")" 2>/dev/null |
         grep -o 'MEASURE.*END' || true)
  rm -rf "$profile"
  echo "$width px: ${line:-no measurement}  screenshot $out/tour-$width.png"
  [ -n "$line" ] || { fail "no measurement at $width px"; continue; }
  get() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
  [ "$(get scrollWidth)" -le "$(get clientWidth)" ] || fail "at $width px the page scrolls sideways"
  [ "$(get overflowing)" = 0 ] || fail "at $width px $(get overflowing) element(s) stick out, first $(get first)"
  [ "$(get external)" = 0 ] || fail "at $width px the page fetched $(get external) resource(s) from outside"
  [ "$(get texts)" -gt 0 ] || fail "no names found in the pictures"
  [ "$(get scrollbar)" -gt 0 ] || fail "at $width px no scroll bar takes room: the widths are not a real window's"
  if [ "$width" -ge 1280 ] && [ "$(get stacked)" != 0 ]; then
    fail "at $width px before and after stand one above the other in $(get stacked) step(s)"
  fi
  if [ "$width" = 1400 ] && awk -v s="$(get smallestTextPx)" 'BEGIN { exit !(s < 10) }'; then
    fail "at 1400 px the smallest text in a picture is $(get smallestTextPx) px (at least 10 wanted)"
  fi
done

# The crowded page's report.
crowded=$out/crowded.html
python3 "$generator" 3000 400 100 >"$out/crowded.zvs"
"$host" run --quiet --html "$crowded" "$out/crowded.zvs" >"$out/crowded-run.txt" || { cat "$out/crowded-run.txt"; exit 1; }
outside "$crowded"
grep -q 'Pictures stop here' "$crowded" || fail "the crowded report does not say where its pictures stop"
sed 's|</body>|<script>\
let most = 0, uses = 0, figures = 0;\
for (const f of document.querySelectorAll("figure")) {\
  figures++;\
  most = Math.max(most, f.querySelectorAll("svg *").length);\
  uses += f.querySelectorAll("use").length;\
}\
const p = document.createElement("pre");\
p.textContent = "MEASURE figures=" + figures + " most=" + most +\
  " uses=" + uses + " END";\
document.body.appendChild(p);\
</script></body>|' "$crowded" >"$out/crowded-measure.html"
profile=$(mktemp -d)
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir="$profile" --window-size=1280,1000)
start=$(date +%s%N)
timeout 120 "$browser" "${flags[@]}" --screenshot="$out/crowded-1280.png" "file://$(realpath "$crowded")" \
  >/dev/null 2>&1 &
shot=$! peak=0
while kill -0 "$shot" 2>/dev/null; do  # the renderer's memory, sampled
  kb=$(ps -eo rss=,args= | grep -F -- "$profile" | grep -F -- --type=renderer | awk '{s += $1} END {print s + 0}' || true)
  [ "$kb" -gt "$peak" ] && peak=$kb
  sleep 0.2
done
wait "$shot" || fail "chromium could not take the screenshot of the crowded report"
ms=$((($(date +%s%N) - start) / 1000000))
line=$(timeout 120 "$browser" "${flags[@]}" --dump-dom "file://$(realpath "$out/crowded-measure.html")" 2>/dev/null |
       grep -o 'MEASURE.*END' || true)
rm -rf "$profile"
echo "crowded report ($(stat -c %s "$crowded") bytes): first screen in $ms ms, renderer at most $((peak / 1024)) MB" \
     "(load $(cut -d' ' -f1-3 /proc/loadavg)); ${line:-no measurement}"
get() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
if [ -z "$line" ]; then
  fail "no measurement of the crowded report"
else
  [ "$(get figures)" -ge 300 ] || fail "the crowded report has $(get figures) pictures (300 wanted: 150 steps, cropped)"
  [ "$(get uses)" -le "$(get figures)" ] || fail "$(get uses) references in $(get figures) pictures: more than one each"
  [ "$(get most)" -le 400 ] || fail "a picture of the crowded report holds $(get most) elements (at most 400 wanted)"
fi
exit $failed
