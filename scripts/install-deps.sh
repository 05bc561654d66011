#!/usr/bin/env bash
# Installs everything Vorel needs to build, run and test, from Debian's packages.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins qt6-translations-l10n libx11-dev
  qt6-image-formats-plugins
  libgl-dev
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev llvm
  libtiff-tools imagemagick python3-pil bchunk genisoimage
  acl
  xvfb xauth fonts-noto-cjk
  help2man man-db groff-base desktop-file-utils shared-mime-info appstream dpkg-dev file python3-debian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
