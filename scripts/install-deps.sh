#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and any named on the command line
# (the benchmarks' peers); packages already present are skipped.
set -euo pipefail

packages=(
  g++
  clang
  cmake
  ninja-build
  make
  pkg-config
  libgtest-dev
  libgmock-dev
  libjpeg-dev
  libftdi1-dev
  libusb-1.0-0-dev
  qt6-base-dev
  qt6-qpa-plugins
  qt6-wayland
  fonts-dejavu-core
  fonts-liberation2
  xvfb
  openbox
  xdotool
  x11-utils
  imagemagick
  "$@"
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
