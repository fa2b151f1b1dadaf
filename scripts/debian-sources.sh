#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches the Debian source packages that the Windows build compiles
# (cmake/windows/debian-sources.txt: zlib, libdeflate, libtiff) and unpacks
# them with Debian's patches applied, when they are missing.
#   debian-sources.sh [FOLDER]
# FOLDER is $MOON_DEBIAN_SOURCES, or else /var/cache/moon-debian-sources:
# outside the clone, so a fresh clone on the same machine finds them there
# (the build reads the same variable, see cmake/MoonWindowsLibraries.cmake).
# Each package goes into FOLDER/<package>_<version> (no epoch), whole or not
# at all: it is unpacked beside it and moved into place once complete.
# The system's apt configuration is left alone: apt reads a list of sources
# of its own (bookworm's deb-src, signed by Debian's archive key) into a
# scratch folder that goes away at the end.
set -euo pipefail

list="$(cd "$(dirname "$0")/.." && pwd)/cmake/windows/debian-sources.txt"
cache=${1:-${MOON_DEBIAN_SOURCES:-/var/cache/moon-debian-sources}}

packages=() versions=()
while read -r package version; do
    [[ -z $package || $package == \#* ]] && continue
    if [[ ! -d $cache/${package}_${version#*:} ]]; then
        packages+=("$package")
        versions+=("$version")
    fi
done <"$list"
[[ ${#packages[@]} -eq 0 ]] && exit 0

# The folder belongs to whoever builds: made through sudo when needed.
if ! mkdir -p "$cache" 2>/dev/null || [[ ! -w $cache ]]; then
    sudo mkdir -p "$cache"
    sudo chown "$(id -u):$(id -g)" "$cache"
fi
work=$(mktemp -d "$cache/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache" "$work/download"
cat >"$work/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
EOF
apt_options=(-o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=-
             -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
             -o "APT::Sandbox::User=$(id -un)")

echo "Fetching Debian's sources into $cache: ${packages[*]}"
apt-get "${apt_options[@]}" update -qq
requests=()
for i in "${!packages[@]}"; do
    requests+=("${packages[$i]}=${versions[$i]}")
done
if ! (cd "$work/download" && apt-get "${apt_options[@]}" source --download-only -qq "${requests[@]}"); then
    # The archive keeps one version of each package: a newer point release
    # replaces the pinned one, which then has to be moved on in the list.
    for package in "${packages[@]}"; do
        echo "debian-sources.sh: bookworm offers $package" \
             "$(apt-cache "${apt_options[@]}" showsrc "$package" | sed -n 's/^Version: //p' | paste -sd' ')" >&2
    done
    echo "debian-sources.sh: cannot fetch ${requests[*]}; update $list" >&2
    exit 1
fi
for i in "${!packages[@]}"; do
    name=${packages[$i]}_${versions[$i]#*:}
    # apt has checked every file against the archive's signed index; the
    # uploader's own signature (no key for it here) adds nothing to that.
    dpkg-source --no-check -x "$work/download/$name.dsc" "$work/$name" >/dev/null
    mv "$work/$name" "$cache/$name"
    echo "  $cache/$name"
done
