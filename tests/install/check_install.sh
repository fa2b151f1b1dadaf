#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a staging prefix and checks what a packager and a
# desktop need: every file in its place, the desktop entry and the AppStream
# metainfo valid, the installed programs running, and the Debian package with
# the same files and the right dependencies, clean by lintian's measure.
#   check_install.sh BUILD_DIR WORK_DIR
# Exit status: 0 pass, 1 fail, 77 skipped (a validator is missing).
set -uo pipefail
build=$(cd "$1" && pwd)
work=$2
id=io.github.moonviewer.Moon

for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (bash scripts/deps.sh test)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
stage=$work/stage
if ! cmake --install "$build" --prefix "$stage/usr" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install"
    exit 1
fi

expected=(
    usr/bin/moon
    usr/bin/moon-terrain
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    usr/share/man/man6/moon.6.gz
    usr/share/man/man1/moon-terrain.1.gz
    usr/share/doc/moon/README.md
    usr/share/doc/moon/LICENSE
    usr/share/doc/moon/copyright
    usr/share/doc/moon/changelog.gz
    usr/share/doc/moon/docs/moon.png
)
for size in 16 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    [[ -f "$stage/$file" ]] || fail "not installed: $file"
done
for program in moon moon-terrain; do
    [[ -x "$stage/usr/bin/$program" ]] || fail "not executable: usr/bin/$program"
done
# Each icon is the size its folder says.
for size in 16 32 48 64 128 256; do
    icon=$stage/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [[ -f "$icon" ]] || continue
    actual=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [[ "$actual" == "${size}x${size}" ]] || fail "$id.png in ${size}x${size} is $actual"
done

# The installed programs run and know their version.
version=$("$stage/usr/bin/moon" --version) || fail "moon --version"
[[ "$version" =~ ^moon\ [0-9] ]] || fail "moon --version printed \"$version\""

desktop-file-validate "$stage/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
# The desktop entry starts a program that is installed, and names the icon.
grep -qx 'Exec=moon' "$stage/usr/share/applications/$id.desktop" || fail "Exec is not moon"
grep -qx "Icon=$id" "$stage/usr/share/applications/$id.desktop" || fail "Icon is not $id"
# A desktop matches the running windows to the entry by their class, which the
# program sets to the same id (checked on real windows by the e2e tests).
grep -qx "StartupWMClass=$id" "$stage/usr/share/applications/$id.desktop" ||
    fail "StartupWMClass is not $id"
# The metainfo names who makes moon.
grep -q '<developer_name>.' "$stage/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo names no developer"

# Debian's documentation: a machine-readable copyright file and a changelog
# whose newest entry is this release.
head -n 1 "$stage/usr/share/doc/moon/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
zcat "$stage/usr/share/doc/moon/changelog.gz" | head -n 1 | grep -q "^moon (${version#moon }) " ||
    fail "the changelog's first entry is not version ${version#moon }"

# The companion knows its version too; the manual pages read.
"$stage/usr/bin/moon-terrain" --version | grep -q '^moon-terrain [0-9]' ||
    fail "moon-terrain --version"
for page in man6/moon.6.gz man1/moon-terrain.1.gz; do
    zcat "$stage/usr/share/man/$page" | grep -q '@PROJECT_VERSION@' && fail "$page: version not filled in"
    if command -v man >/dev/null; then
        warnings=$(MANWIDTH=80 man --warnings -l "$stage/usr/share/man/$page" 2>&1 >/dev/null)
        [[ -z "$warnings" ]] || fail "$page: $warnings"
    fi
done

# The Debian package: the same files, and dependencies on the libraries the
# programs link.
if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb") \
        >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack -G DEB"
    exit 1
fi
deb=$(ls "$work"/deb/moon_*.deb 2>/dev/null | head -n 1)
if [[ -z "$deb" ]]; then
    fail "no moon_*.deb in $work/deb"
    exit 1
fi
contents=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
    grep -q " \./$file\$" <<<"$contents" || fail "not in the package: $file"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# libGL itself is loaded by SDL at run time, so it is named by hand.
listed=", ${depends// | /, },"
for package in libc6 libstdc++6 libsdl2-2.0-0 libgl1 libopengl0 libglu1-mesa libpng16-16; do
    [[ "$listed" == *", $package "* || "$listed" == *", $package,"* ]] ||
        fail "Depends lacks $package"
done
for package in libgtest libbenchmark; do
    grep -q "$package" <<<"$depends" && fail "Depends names the test library $package"
done
[[ "$(dpkg-deb -f "$deb" Package)" == moon ]] || fail "package name"

# lintian, at its most demanding: no error, no warning, and the programs
# built with the hardening Debian expects (its hardening tags are only
# informational, so they are looked for by name).
lintian --pedantic --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
lintian_status=$?
cat "$work/lintian.log"
((lintian_status == 0)) || fail "lintian reports errors or warnings"
grep -q 'hardening-no-' "$work/lintian.log" && fail "lintian finds a program not hardened"

if ((failures > 0)); then
    echo "$failures check(s) failed; the staged files are in $work"
    exit 1
fi
rm -rf "$work"
echo "PASS"
