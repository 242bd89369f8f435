#!/usr/bin/env bash
# The guide for writers: made from docs/guide with the real module, it holds a section for each
# of the module's menu commands with its menu path, keys, pictures (each with a text alternative
# saying what changed), prompts and alerts; and it is not written when a source no longer holds
# (a failed expectation, a command without a section, a wrong note), with the reason on stderr.
#   guide_test.sh ZORVAN_HOST SOURCES_DIR WORK_DIR
set -uo pipefail
host=$1 sources=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

"$host" guide --output "$work/guide.html" "$sources" >"$work/out.txt" 2>&1 || { cat "$work/out.txt"; fail "the guide was not made"; }
sections=$(cat "$sources"/*.zvs | grep -c '^#: command ')
[ "$(grep -c '<section id="cmd-' "$work/guide.html")" = "$sections" ] || fail "expected $sections command sections"
# What a writer reads, as the module showed it: row = a text the guide must hold.
while IFS= read -r want; do
  [ -n "$want" ] && { grep -qF -- "$want" "$work/guide.html" || fail "the guide lacks: $want"; }
done <<'ROWS'
Menu: <b>Zorvan › Select › Select Parent Object</b><br/>Shortcut: <span class="keys"><kbd>Esc</kbd> <kbd>s</kbd> <kbd>p</kbd> <kbd>o</kbd></span>
<td><a href="#cmd-resize-graphic-to-grid-height">Zorvan &gt; Resize Graphic To Grid Height...</a></td><td><span class="keys"><kbd>Esc</kbd> <kbd>r</kbd> <kbd>g</kbd> <kbd>g</kbd> <kbd>h</kbd></span></td>
aria-label="After: title x from 20 pt to 274.17 pt; title width from 200 pt to 265.83 pt"
aria-label="Before: selection from paper to stamp"
<blockquote class="asks">Height Factor? (x * Grid Spacing)
(offered: 8)</blockquote>
<blockquote>Both objects must share the same frame.</blockquote>
<blockquote>First select an object or table cell(s). Then try again.</blockquote>
<blockquote>Nothing to undo.</blockquote>
<blockquote>First copy a graphic with Copy Graphic Props. Then try again.</blockquote>
ZorvanShapes v1.3  (Apr  8 2006 10:23:34)
ROWS

# Planted faults: name | what is done to a copy of the sources | what stderr must say. Each
# leaves no guide behind and exits with 1.
while IFS='|' read -r name plant says; do
  [ -n "$name" ] || continue
  dir=$work/$name && mkdir -p "$dir" && cp "$sources"/*.zvs "$dir"/
  (cd "$dir" && eval "$plant")
  "$host" guide --output "$dir/guide.html" "$dir" >"$dir/out.txt" 2>"$dir/err.txt"
  status=$?
  [ $status -eq 1 ] || fail "$name: exit status $status, expected 1"
  [ ! -e "$dir/guide.html" ] || fail "$name: a guide was written"
  grep -Eq -- "$says" "$dir/err.txt" || { cat "$dir/err.txt"; fail "$name: stderr does not say /$says/"; }
done <<'ROWS'
expectation fails|sed -i 's/expect photo.height = 120/expect photo.height = 121/' 16-*.zvs|16-resize-graphic-to-grid-height.zvs:[0-9]+: expect photo.height = 121: FAILED
command without a section|rm 13-*.zvs|no section for the command 'Zorvan > Paste Graphic Height' \(\\!pgh\)
section for no command|sed -i 's/#: command Paste Graphic Height/#: command Paste Graphic Heigth/' 13-*.zvs|13-paste-graphic-height.zvs:1: 'Paste Graphic Heigth' is not a command of the module's Zorvan menu
caption of no change|sed -i 's/^choose Zorvan > Copy Graphic Props$/#: caption nothing\n&/' 05-*.zvs|05-copy-graphic-props.zvs:[0-9]+: the step after '#: caption' changed nothing
section without picture|sed -i '/^#: caption/d' 19-*.zvs|19-undo-operation.zvs:1: the section for 'Undo Operation' has no picture
unknown note|sed -i 's/^#: caption/#: captoin/' 11-*.zvs|11-paste-graphic-size.zvs:[0-9]+: expected '#: title\|command\|summary\|caption\|show WORDS'
step cannot run|sed -i 's/^select second$/select nobody/' 11-*.zvs|11-paste-graphic-size.zvs:[0-9]+: .*nobody
ROWS

"$host" guide "$sources" 2>"$work/usage.txt"
[ $? -eq 2 ] && grep -q 'needs --output FILE' "$work/usage.txt" || fail "a guide without --output is not a usage error (2)"
[ $failed -eq 0 ] && echo "guide: made, and refused for each planted fault"
exit $failed
