#!/usr/bin/env bash
# Installs what Vorel needs, builds it and runs every test through ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/scripts/install-deps.sh"

# Tests must not read or write the user's own settings.
export XDG_CONFIG_HOME="$(mktemp -d)"
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

"$root/scripts/build.sh" release
ctest --test-dir build/release --output-on-failure -j2
