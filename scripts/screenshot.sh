#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window with the bundled sample's images
# open, drawn on Qt's offscreen platform (no display needed).
# Usage: scripts/screenshot.sh [PROGRAM] [OUTPUT]
#   PROGRAM defaults to build/release/vorel (built first when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build/release/vorel}"
output="${2:-$root/docs/screenshot.png}"
if [ ! -x "$program" ]; then
  "$root/scripts/build.sh" release --target vorel >&2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A 1280 x 880 screen; the main window takes three quarters of it.
cat > "$work/screen.json" <<'JSON'
{ "screens": [ { "name": "shot", "x": 0, "y": 0, "width": 1280, "height": 880,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] }
JSON
mkdir -p "$work/runtime" "$(dirname "$output")"
chmod 700 "$work/runtime"

# A private settings folder and socket, so neither the user's settings nor a
# running copy take part; the closing message goes to a log instead of a box.
QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" \
XDG_CONFIG_HOME="$work/config" \
XDG_RUNTIME_DIR="$work/runtime" \
VOREL_INSTANCE_NAME="$work/instance" \
VOREL_MESSAGE_LOG="$work/messages.log" \
VOREL_TEST_SCREENSHOT="$output" \
  "$program" "$root/samples/sample.bin"

echo "$output: $(cat "$work/messages.log" | tr '\t' ' ' | grep INFO || true)"
