#!/usr/bin/env bash
# Adds a throwaway command to a scratch copy of the tree, the way CONTRIBUTING's "Adding a
# command" says, and shows that the build, the tests and the guide take it: "Deselect Graphic"
# in the Select submenu, which deselects the selected graphic. It writes the routine, the
# command table's row, the test rows' row, the guide section and what the docs count, builds
# the Linux module, zorvan-host and the test programs, and runs their tests (the guide's
# included). The tree itself is left untouched. The last line is "touched N files": how many
# files a new command needs; more than ZV_NEW_COMMAND_FILES (8) fails.
#   scripts/new-command-check.sh [--keep]    (--keep: leave the scratch copy and say where)
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

keep=0
case "${1:-}" in
  --keep) keep=1 ;;
  "") ;;
  *) zv_die -2 "usage: scripts/new-command-check.sh [--keep], found '$1'" ;;
esac
most=${ZV_NEW_COMMAND_FILES:-8}
zv_need git cmake ninja perl

before=$(git -C "$zv_root" status --porcelain)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zv-new-command.XXXXXX")
[ $keep = 1 ] || trap 'rm -rf "$scratch"' EXIT
tree=$scratch/tree

# The tree as it stands (committed or not, ignored files left out), made a repository of its
# own so that what the new command changes can be counted.
mkdir -p "$tree"
git -C "$zv_root" ls-files -z --cached --others --exclude-standard |
  (cd "$zv_root" && xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
  (cd "$zv_root" && tar --null -T - -cf -) | tar -C "$tree" -xf -
cd "$tree"
git init -q && git add -A && git -c user.name=check -c user.email=check@localhost commit -qm base

# Replaces the first match of a Perl pattern in a file, or fails naming the file and what it
# looked for: a check that silently edits nothing would pass on nothing.
edit() {  # file, perl substitution s{...}{...}
  local file=$1 expr=$2
  perl -0pi -e "$expr or exit 3" "$file" ||
    zv_die "$file: the place for the new command was not found (perl $expr): update $zv_me"
}

n=$(sed -nE 's/^constexpr int32_t CommandCount = ([0-9]+);/\1/p' tools/tools_internal.h)
[ -n "$n" ] || zv_die "tools/tools_internal.h: no 'constexpr int32_t CommandCount = N;' line"
next=$((n + 1))

# 1. The routine, in a family file of its own.
cat >tools/deselect_graphic.cpp <<'EOF'
// "Deselect Graphic": the selected graphic is deselected.
#include "hostapi/host_constants.h"
#include "hostapi/host_ops.h"
#include "tools/tools_internal.h"

namespace zv {

void DeselectGraphic() {
  GraphicSelection sel;
  if (!FindSelectedGraphic(&sel)) return;
  SetIntProp(sel.doc, sel.graphic, PropSelectedFlag, 0);
}

}  // namespace zv
EOF
# 2. Its declaration and the count.
edit tools/tools_internal.h "s{(void SelectNextObjectBelow\\(\\);\\n)}{\$1void DeselectGraphic();\\n}"
edit tools/tools_internal.h "s{CommandCount = $n;}{CommandCount = $next;}"
# 3. The command table's row, at the end of the Select submenu.
edit tools/commands.cpp "s{(\\n *SelectNextObjectBelow\\},\\n)}{\$1    {$next, \"DESELECT_GRAPHIC_SelMenu\", \"Deselect Graphic\", \"\\\\\\\\!dg\", MenuGroup::Select, EnableForObjectCommands, DeselectGraphic},\\n}"
# 4. The tests' row: its name, its menu place, its pages, its host calls.
edit tests/support/commands.h "s{(  UndoOperation = 19,\\n)}{\$1  DeselectGraphic = $next,\\n}"
edit tests/support/commands.h "s{(\\n *\\{Cmd::TrimTableTitle, )}{\\n      {Cmd::DeselectGraphic, \"Deselect Graphic\", \"DESELECT_GRAPHIC_SelMenu\", \"\\\\\\\\!dg\", G::Select, EnableObjects, P::Graphic, false, 0, \"S SetIntProp\", \"find; deselect it\", \"S ShowAlert\", kSelectObject, \"\", U::None, R::Select},\$1}"
# 5. Its section of the guide, after the other commands of the Select submenu.
cat >docs/guide/03a-deselect-graphic.zvs <<'EOF'
#: command Deselect Graphic
#: summary Deselects the selected graphic.
# Clears the selection of the graphic you selected.
document diagram
frame stack at 36 36 size 360 240
graphic paper rect at 20 20 size 200 140 in stack

select paper
#: caption The paper is no longer selected.
choose Zorvan > Select > Deselect Graphic
expect selection none

choose Zorvan > Select > Deselect Graphic
expect alert error "First select an object. Then try again."
EOF
# 6. The tour's view of the menu.
edit examples/tour.zvs "s{(expect menu Zorvan > Select = [^\\n]*)}{\$1 | Deselect Graphic}"
# 7. The count the installation notes give.
words=(zero one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen
  sixteen seventeen eighteen nineteen twenty twenty-one twenty-two twenty-three twenty-four twenty-five)
[ "$next" -lt ${#words[@]} ] || zv_die "$zv_me: add number words past ${words[-1]}"
edit INSTALL.txt "s{and(\\s+)${words[$n]} commands from}{and\$1${words[$next]} commands from}"

touched=$(git status --porcelain | wc -l)
git status --porcelain | sed 's/^/  /'

zv_say "building the Linux module, zorvan-host and the test programs in $tree"
cmake --preset linux >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; zv_die "configure failed"; }
cmake --build --preset linux -j "${ZV_JOBS:-2}" --target test_programs >"$scratch/build.log" 2>&1 ||
  { grep -E "error|Error" "$scratch/build.log" | head -40; zv_die "the build with the new command failed ($scratch/build.log)"; }
zv_say "running the tests and the guide"
ctest --preset linux --no-tests=error -j "${ZV_JOBS:-2}" >"$scratch/ctest.log" 2>&1 ||
  { grep -E "Failed|\*\*\*|FAILED|Failure" "$scratch/ctest.log" | head -40; zv_die "the tests failed with the new command ($scratch/ctest.log)"; }
grep -E "tests passed" "$scratch/ctest.log"
[ "$(git -C "$zv_root" status --porcelain)" = "$before" ] || zv_die "the tree changed while the check ran"
[ $keep = 0 ] || zv_say "the scratch copy stays in $tree"
if [ "$touched" -gt "$most" ]; then
  echo "touched $touched files (at most $most)"
  exit 1
fi
echo "touched $touched files"
