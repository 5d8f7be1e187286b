#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: installs the Debian packages the build and the
# tests need (only those missing), then configures and builds with CMake.
# Usage: setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$1"
shift

packages=(
  cmake g++ ninja-build pkg-config clang-format
  qt6-base-dev qt6-translations-l10n qt6-wayland libgl-dev libblkid-dev liburing-dev libssl-dev bash-completion libgtest-dev
  fonts-liberation fonts-dejavu-core
  util-linux mount dosfstools e2fsprogs xfsprogs btrfs-progs xorriso squashfs-tools fusefat ntfs-3g
  fuse3 libfuse3-dev
  libxcb1-dev
  xvfb xdotool x11-utils imagemagick time openbox
  sway wtype grim
  dpkg-dev lintian appstream
  udisks2 udev polkitd dbus-daemon dbus-system-bus-common python3-dbus python3-gi
  at-spi2-core python3-pyatspi dbus-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages need root: run as root, or install them with sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$here/$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$here/$build_dir" -j"$(nproc)"
