#!/usr/bin/env bash
# Installs every Debian 12 package Torvane needs to build, run and test.
# Only what is missing is installed; runs as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libqt6sql6-sqlite sqlite3
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 mesa-utils
  libsdl2-dev libsdl2-mixer-dev libvorbis-dev libogg-dev
  xvfb xauth x11-utils
  fontconfig fonts-dejavu-core
  qt6-qpa-plugins
  desktop-file-utils appstream dpkg-dev file libx11-dev lintian
  clang-14 libclang-rt-14-dev libassimp-dev libmeshoptimizer-dev libsdl2-image-dev libbenchmark-dev
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
