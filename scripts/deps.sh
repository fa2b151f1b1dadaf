#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that moon needs, when any is missing.
#   deps.sh build   packages to build and run the viewer and its tools
#   deps.sh windows packages to cross-build the Windows programs (MinGW-w64,
#                   GoogleTest's sources) and to run them (Wine) and package
#                   them (NSIS); and Debian's sources of the libraries the
#                   build compiles for Windows (zlib, libpng, libdeflate,
#                   libtiff: scripts/debian-sources.sh, into
#                   /var/cache/moon-debian-sources)
#   deps.sh test    build and windows, plus the test tools (virtual X server,
#                   input driver, desktop and AppStream validators, Debian
#                   packaging and lintian, the glTF validator, tmux for
#                   Ctrl+C under Wine, ...)
set -euo pipefail

packages=(g++ cmake make pkg-config libsdl2-dev libx11-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
          libpng-dev libtiff-dev zlib1g-dev libtinyexr-dev libgtest-dev libbenchmark-dev)
if [[ "${1:-build}" == test || "${1:-build}" == windows ]]; then
    packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
               googletest wine64 nsis xvfb
               dpkg-dev bzip2 xz-utils debian-archive-keyring)
fi
if [[ "${1:-build}" == test ]]; then
    packages+=(clang-format xvfb xauth openbox wmctrl xdotool x11-utils imagemagick faketime assimp-utils
               desktop-file-utils appstream dpkg-dev file time lintian gdal-bin tmux)
    # The glTF validator runs on node; a node from elsewhere (with its own npm) will do.
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
fi

# The test tools from npm, at the versions package-lock.json pins.
install_npm_tools() {
    [[ "${1:-build}" == test ]] || return 0
    local dir
    dir="$(cd "$(dirname "$0")/.." && pwd)/tests/tools/gltf"
    if [[ ! -f "$dir/node_modules/.package-lock.json" ||
          "$dir/package-lock.json" -nt "$dir/node_modules/.package-lock.json" ]]; then
        echo "Installing the glTF validator (npm ci in tests/tools/gltf)"
        (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
    fi
}

# Debian's sources, for the libraries that have no MinGW package.
fetch_debian_sources() {
    [[ "${1:-build}" == test || "${1:-build}" == windows ]] || return 0
    bash "$(dirname "$0")/debian-sources.sh"
}

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
    install_npm_tools "${1:-build}"
    fetch_debian_sources "${1:-build}"
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_npm_tools "${1:-build}"
fetch_debian_sources "${1:-build}"
