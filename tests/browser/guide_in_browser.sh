#!/usr/bin/env bash
# Makes the guide for writers and checks it in headless Chromium with an accessibility audit
# (guide_in_browser.js). Exits 77 (skipped) when Chromium, Node.js or the pinned npm packages
# are missing: scripts/setup.sh --browser installs them.
#   guide_in_browser.sh ZORVAN_HOST SOURCES_DIR OUT_DIR
set -euo pipefail
host=$1 sources=$2 out=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
skip() { echo "skipped: $* (scripts/setup.sh --browser installs it)"; exit 77; }
CHROMIUM=${CHROMIUM:-$(command -v chromium || command -v chromium-browser || true)}
[ -n "$CHROMIUM" ] || skip "chromium is not installed"
command -v node >/dev/null 2>&1 || skip "Node.js is not installed"
[ -d "$here/node_modules/puppeteer-core" ] && [ -d "$here/node_modules/axe-core" ] ||
  skip "the npm packages of $here are not installed"
export CHROMIUM
mkdir -p "$out"
"$host" guide --output "$out/guide.html" "$sources"
node "$here/guide_in_browser.js" "$out/guide.html" "$out"
