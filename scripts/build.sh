#!/usr/bin/env bash
# Configures and builds one preset (default: release). Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
shift || true
cmake --preset "$preset" >/dev/null
cmake --build "build/$preset" -j"$(nproc)" "$@"
