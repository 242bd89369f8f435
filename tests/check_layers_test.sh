#!/usr/bin/env bash
# The layer check passes on the tree, and catches an upward include planted in each layer.
set -u
check="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/scripts/check-layers.sh"
"$check" >/dev/null || { echo "FAILED: the tree itself breaks the layers"; exit 1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail=0
# folder, include that runs upward
for row in "util hostapi/prop_list.h" "util client/client.h" "platform hostapi/abi.h" "platform util/text.h" \
           "tools client/client.h" "hostapi tools/tools.h" "version util/text.h" "client host/binding/host.h" \
           "host/model host/binding/host.h" "host/view host/scenario/runner.h" "host/binding host/cli/interrupt.h" \
           "host/scenario host/cli/scenario_files.h"; do
  set -- $row
  rm -rf "$tmp"/*; mkdir -p "$tmp/$1"
  printf '// planted\n#include "%s"\n' "$2" > "$tmp/$1/planted.cpp"
  err=$("$check" "$tmp" 2>&1 >/dev/null); rc=$?
  if [ $rc -ne 1 ] || [[ "$err" != "$1/planted.cpp:2: "*"found \"$2\""* ]]; then
    echo "FAILED: $1/ including $2 gave exit $rc: $err"; fail=1
  fi
done
# Downward and same-folder includes pass.
rm -rf "$tmp"/*; mkdir -p "$tmp/client" "$tmp/util" "$tmp/host/cli"
printf '#include "tools/tools.h"\n#include "version/version_info.h"\n#include <cstdio>\n' > "$tmp/client/a.cpp"
printf '#include "util/text.h"\n#include "platform/platform.h"\n#include "local.h"\n' > "$tmp/util/b.cpp"
printf '#include "host/scenario/runner.h"\n#include "host/model/model.h"\n' > "$tmp/host/cli/c.cpp"
"$check" "$tmp" >/dev/null 2>&1 || { echo "FAILED: downward includes refused"; fail=1; }
[ $fail -eq 0 ] && echo "layer check: all cases held"
exit $fail
