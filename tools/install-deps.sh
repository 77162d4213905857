#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages Tavrel needs to build, run and test, where they are missing.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-dejavu-core
    libqt6svg6 hicolor-icon-theme
    xvfb xauth xdotool x11-utils imagemagick libx11-dev strace
    appstream desktop-file-utils dpkg-dev file util-linux lintian man-db
    neovim nodejs
)
# The language server's clients: Neovim, and node with npm for the protocol packages. A node
# of another origin may bring npm with it, where Debian's npm would not install beside it.
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y "${missing[@]}"
