#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The packages for Windows users, made from a Windows build and tried under
# Wine as a user would:
#   zip        moon-VERSION-win64.zip holds both programs, README.md,
#              LICENSE and the licences of the libraries built into them
#              (licenses/); unpacked, the programs run from it; they import no
#              DLL but Windows' own (the runtimes are linked in)
#   installer  /S installs silently into a folder, with a Start-menu entry and
#              an uninstaller, which /S removes again
#   check_packages.sh BUILD_DIR RUNNER WORK_DIR
# Exit status 77 (skipped) without cpack's NSIS (Debian package nsis).
set -euo pipefail

build=$1 runner=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
fail() {
    echo "FAIL: $*"
    exit 1
}
if ! command -v makensis >/dev/null; then
    echo "SKIP: makensis is missing (Debian package nsis)"
    exit 77
fi

(cd "$build" && cpack -G "ZIP;NSIS" -B "$work" >"$work/cpack.log" 2>&1) ||
    fail "cpack failed (see $work/cpack.log)"
zip=$(ls "$work"/moon-*-win*.zip 2>/dev/null | head -1)
installer=$(ls "$work"/moon-*-win*.exe 2>/dev/null | head -1)
[[ -n $zip ]] || fail "no moon-VERSION-win64.zip in $work"
[[ -n $installer ]] || fail "no installer in $work"
folder=$(basename "$zip" .zip)

# --- the zip ------------------------------------------------------------------
mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
top=$work/unzipped/$folder
programs=(moon-terrain.exe)
[[ -f $build/src/viewer/moon.exe ]] && programs+=(moon.exe)
licenses=(licenses/{zlib,libpng,libdeflate,libtiff,tinyexr}.txt)
for file in "${programs[@]}" README.md LICENSE "${licenses[@]}"; do
    [[ -f $top/$file ]] || fail "$folder.zip has no $file"
done
objdump=x86_64-w64-mingw32-objdump
for program in "${programs[@]}"; do
    # Windows' own DLLs only: no C++, GCC or thread runtime beside the program.
    imports=$("$objdump" -p "$top/$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    for dll in $imports; do
        case $dll in
        kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | opengl32.dll | glu32.dll | \
            advapi32.dll | shell32.dll | ole32.dll | api-ms-win-*) ;;
        *) fail "$program needs $dll beside it" ;;
        esac
    done
    # The version resource and the icon are there.
    "$objdump" -h "$top/$program" | grep -q '\.rsrc' || fail "$program has no resources"
    version=$("$runner" "$top/$program" --version | tr -d '\r')
    [[ $version == "${program%.exe} "* ]] || fail "$program --version printed \"$version\""
done
out=$("$runner" "$top/moon-terrain.exe" dump --seed 1 --depth 1 | tail -1)
[[ $out == "5 4 "* ]] || fail "moon-terrain from the zip printed \"$out\""
echo "ok: $folder.zip"

# --- the installer ------------------------------------------------------------
prefix=${WINEPREFIX:-}
[[ -n $prefix ]] || prefix=$(dirname "$runner")/prefix
target='C:\moon-test'
unix_target=$prefix/drive_c/moon-test
# /D= comes last and unquoted, as NSIS wants it.
"$runner" "$installer" /S "/D=$target" || fail "the installer ended with a failure"
for file in "${programs[@]}" README.md LICENSE Uninstall.exe; do
    [[ -f $unix_target/$file ]] || fail "the installer left no $file in $target"
done
entry=$(find "$prefix/drive_c" -path '*Start Menu*' -name '*.lnk' -path '*moon*' | head -1)
[[ -n $entry ]] || fail "no Start-menu entry"
"$runner" "$unix_target/moon-terrain.exe" --version >/dev/null ||
    fail "the installed moon-terrain does not run"
# The uninstaller runs a copy of itself and returns at once: wait for it.
"$runner" "$unix_target/Uninstall.exe" /S || fail "the uninstaller ended with a failure"
for _ in $(seq 100); do
    [[ -e $unix_target/moon-terrain.exe ]] || break
    sleep 0.3
done
[[ ! -e $unix_target/moon-terrain.exe ]] || fail "the uninstaller left the programs"
entry=$(find "$prefix/drive_c" -path '*Start Menu*' -name '*.lnk' -path '*moon*' | head -1)
[[ -z $entry ]] || fail "the uninstaller left the Start-menu entry $entry"
echo "ok: $(basename "$installer") installs and uninstalls silently"
