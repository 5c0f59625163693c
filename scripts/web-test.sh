#!/usr/bin/env bash
# Builds the page (preset "web") and converts mailboxes on it in headless
# Chromium, comparing every zip with the release build's output
# (tests/web/web_test.mjs). Needs emscripten and node-acorn, chromium, node
# and npm (puppeteer-core comes from tests/web/package-lock.json; it never
# downloads a browser). Where one is missing it says which and skips.
#   scripts/web-test.sh [--screenshots]   (--screenshots: renews docs/web-*.png)
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in em++ chromium node npm; do
  if ! command -v "$tool" >/dev/null; then
    echo "web test skipped: $tool is not installed (apt-get install emscripten node-acorn chromium npm)"
    exit 0
  fi
done
# Debian's emscripten runs its optimizer with the node on PATH, which finds
# Debian's acorn only through NODE_PATH when it is not Debian's own node.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}

TIMEFORMAT="web build: %0R s"
build_log=$(mktemp)
trap 'rm -f "$build_log"' EXIT
# Quiet unless it fails: then the end of the build's output says why.
time cmake --workflow --preset web >"$build_log" 2>&1 || { tail -n 40 "$build_log"; exit 1; }
# The command line the zips are compared with, and the mailboxes in other languages.
cmake --preset release >/dev/null
cmake --build --preset release --target quernel quernel_make_language_sample imap_upload_mailbox >/dev/null
(cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --silent)
screenshots=()
[ "${1:-}" = --screenshots ] && screenshots=(--screenshots docs)
TIMEFORMAT="web test: %0R s"
time node tests/web/web_test.mjs build/web build/release/quernel . \
  --languages build/release/tests/quernel_make_language_sample \
  --many build/release/tests/imap_upload_mailbox "${screenshots[@]}"
