#!/usr/bin/env bash
# Builds Vorel's Debian package with CPack and prints its path, for
#   sudo apt install "$(scripts/package.sh)"
# The package's dependencies are read from the binaries (dpkg-shlibdeps), so it
# installs on a clean Debian 12. Everything but the path goes to stderr.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" >&2
# The release build folder, and in it only what the package holds.
"$root/scripts/build.sh" release --target vorel_installed >&2

out="$root/build/package"
mkdir -p "$out"
rm -f "$out"/vorel_*.deb
cpack --config "$root/build/release/CPackConfig.cmake" -B "$out" >&2
rm -rf "$out/_CPack_Packages"
debs=("$out"/vorel_*.deb)
if [ ! -f "${debs[0]}" ]; then
  echo "package.sh: CPack made no package in $out" >&2
  exit 1
fi
echo "${debs[0]}"
