#!/usr/bin/env bash
# Imports the bundled examples into out/examples/ (tools/run-examples.sh) and takes a picture
# of their contact sheet, out/examples/index.html, as a headless browser draws it, into
# docs/contact_sheet.png. Installs the browser when it is missing (tools/install-deps.sh
# --screenshot); not part of the build or of CI.
# Usage: tools/contact-sheet-screenshot.sh [--window-size WIDTH,HEIGHT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
size=1280,900
if [[ "${1:-}" == "--window-size" && -n "${2:-}" ]]; then
  size="$2"
elif [[ $# -gt 0 ]]; then
  echo "usage: tools/contact-sheet-screenshot.sh [--window-size WIDTH,HEIGHT]" >&2
  exit 64
fi
tools/install-deps.sh --screenshot
tools/run-examples.sh >/dev/null
sheet="$root/out/examples/index.html"
[[ -s "$sheet" ]] || { echo "contact-sheet-screenshot: $sheet was not written" >&2; exit 1; }
# The browser's own profile goes into a folder of its own, removed afterwards.
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --screenshot="$root/docs/contact_sheet.png" --window-size="$size" "file://$sheet" 2>/dev/null
echo "docs/contact_sheet.png: the contact sheet of out/examples/ at $size"
