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

# The core tests again, with the hostile regression inputs and the fuzz corpus
# replays, under AddressSanitizer and UndefinedBehaviorSanitizer (no GUI).
"$root/scripts/build.sh" asan --target vorel_core_tests vorel_replays
ctest --test-dir build/asan -L core --output-on-failure -j2

# Every fuzz target for a short while over its seed corpus (libFuzzer, clang).
# A finding fails the run; its input lands in build/fuzz/fuzz/work/<target>/artifacts.
"$root/scripts/build.sh" fuzz --target vorel_fuzzers
ctest --test-dir build/fuzz -L fuzz --output-on-failure -j2
