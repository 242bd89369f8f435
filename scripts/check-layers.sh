#!/usr/bin/env bash
# Checks that every module folder includes only itself and the folders beneath it:
#
#   client/  -> tools/ hostapi/ util/ platform/ version/
#   tools/   -> hostapi/ util/ platform/ version/
#   hostapi/ -> util/ platform/ version/
#   util/    -> platform/ version/
#   platform/ -> version/
#   version/ -> nothing of the module
#
# and that no module folder includes the reference host, tests, benchmarks or fuzz targets.
# The reference host's rooms follow the same rule among themselves:
#
#   host/cli/      -> host/scenario/ host/view/ host/binding/ host/model/ version/
#   host/scenario/ -> host/view/ host/binding/ host/model/
#   host/view/     -> host/model/
#   host/binding/  -> host/model/ hostapi/
#   host/model/    -> hostapi/ (the interface's own numbers and layouts)
# Usage: scripts/check-layers.sh [ROOT]   (ROOT defaults to the checkout this script is in)
# Prints FILE:LINE: diagnostics on stderr; exits 1 when an include runs against the layers,
# 2 when ROOT holds no module folders.
set -euo pipefail

zv_me=check-layers
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
root=${1:-$zv_root}
if [ "${1:-}" = "--help" ] || [ "${1:-}" = "-h" ]; then
  sed -n '2,20p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit 0
fi
cd "$root" 2>/dev/null || { echo "check-layers: cannot enter $root" >&2; exit 2; }

# The folders each folder may include besides itself, lowest layers last.
declare -A allowed=(
  [client]="tools hostapi util platform version"
  [tools]="hostapi util platform version"
  [hostapi]="util platform version"
  [util]="platform version"
  [platform]="version"
  [version]=""
  [host/cli]="host/scenario host/view host/binding host/model version"
  [host/scenario]="host/view host/binding host/model"
  [host/view]="host/model"
  [host/binding]="host/model hostapi"
  [host/model]="hostapi"
)
layers="client tools hostapi util platform version"
rooms="host/cli host/scenario host/view host/binding host/model"

found_any=0
bad=0
for folder in $layers $rooms; do
  [ -d "$folder" ] || continue
  while IFS= read -r -d '' file; do
    found_any=1
    # Every quoted include: LINE:PATH.
    while IFS=: read -r line target; do
      case "$target" in
        host/*/*) rest=${target#host/}; top=host/${rest%%/*} ;;  # a room of the host
        */*) top=${target%%/*} ;;
        *) continue ;;  # beside the including file
      esac
      [ "$top" = "$folder" ] && continue
      ok=0
      for a in ${allowed[$folder]}; do [ "$top" = "$a" ] && ok=1; done
      [ $ok -eq 1 ] && continue
      if [ -z "${allowed[$folder]}" ]; then may="nothing of the module"; else
        may=$(printf '%s/ ' ${allowed[$folder]}); may=${may% }
      fi
      printf '%s:%s: %s/ may include only %s/ and %s; found "%s": move what it needs down a layer (docs/architecture.md)\n' \
        "$file" "$line" "$folder" "$folder" "$may" "$target" >&2
      bad=1
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/' || true)
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0 | sort -z)
done

if [ $found_any -eq 0 ]; then
  echo "check-layers: no module sources under $root (expected client/, tools/, hostapi/, util/, platform/, version/)" >&2
  exit 2
fi
if [ $bad -ne 0 ]; then
  echo "check-layers: includes run against the layers (see above)" >&2
  exit 1
fi
echo "check-layers: every include looks down"
