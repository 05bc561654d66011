#!/usr/bin/env bash
# Installs what Vorel needs, builds it and searches FILE (or the bundled sample).
# With a display it starts the windowed program; without one it lists the
# images with the headless finder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
# Only what runs here: the two programs and the finder's PNG plug-in, not the tests and benchmarks.
"$root/scripts/build.sh" release --target vorel vorel-find vorel_png_export >&2

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=("$root/samples/sample.bin")
fi

bin="$root/build/release"
if [ -x "$bin/vorel" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; }; then
  exec "$bin/vorel" "${files[@]}"
fi
if [ -x "$bin/vorel" ]; then
  echo "No display available: listing the images with the headless finder instead." >&2
fi
exec "$bin/vorel-find" "${files[@]}"
