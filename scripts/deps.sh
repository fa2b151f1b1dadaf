#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that moon needs, when any is missing.
#   deps.sh build   packages to build and run the viewer and its tools
#   deps.sh windows packages to cross-build the Windows programs (MinGW-w64,
#                   stb, GoogleTest's sources) and to run them (Wine) and
#                   package them (NSIS)
#   deps.sh test    build and windows, plus the test tools (virtual X server,
#                   input driver, desktop and AppStream validators, Debian
#                   packaging, ...)
set -euo pipefail

packages=(g++ cmake make pkg-config libsdl2-dev libx11-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
          libpng-dev libgtest-dev libbenchmark-dev)
if [[ "${1:-build}" == test || "${1:-build}" == windows ]]; then
    packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
               googletest libstb-dev wine64 nsis xvfb)
fi
if [[ "${1:-build}" == test ]]; then
    packages+=(xvfb xauth openbox wmctrl xdotool x11-utils imagemagick faketime assimp-utils
               desktop-file-utils appstream dpkg-dev file)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
