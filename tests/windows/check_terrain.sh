#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# moon-terrain on Windows writes the same bytes as on Linux: each command of
# terrain.sha256 (made by the Linux build, see --update) is run through the
# runner and its output compared with the Linux output's SHA-256 (a
# heightmap's decoded samples and text). "-o -"
# takes standard output (binary: no "\r" added); "-o FILE" a file replaced
# whole.
#   check_terrain.sh RUNNER PROGRAM REFERENCES WORK_DIR [--update]
# RUNNER is the build's moon-wine (or "" for a Linux program).
set -euo pipefail

runner=$1 program=$2 references=$3 work=$4 update=${5:-}
rm -rf "$work"
mkdir -p "$work"
cd "$work"
run() {
    if [[ -n $runner ]]; then "$runner" "$program" "$@"; else "$program" "$@"; fi
}

# The commands, one a line; FILE stands for an output file in the work folder.
commands=(
    "dump --seed 42 --depth 6 --stars"
    "dump --seed 4294967295 --depth 8 --lod 250,40,-250 --lod 100,20,-400"
    "export --seed 42 --depth 6 -o -"
    "export --seed 1709294400 --depth 7 --mode smooth --palette 3 -o FILE"
    "export --seed 7 --depth 6 --lod 250,40,-250 --format obj -o FILE"
    "export --seed 42 --depth 5 --mode smooth --format glb -o FILE"
    "export --seed 42 --depth 6 --join --format ply -o FILE"
    "export --seed 42 --depth 6 --format heightmap -o FILE"
)

# A heightmap is compared by what it holds, not by its bytes: the samples
# (ImageMagick) and the text chunks. Windows has no libpng, and another
# deflate gives other bytes for the same picture.
heightmap_contents() {
    convert "png:$1" -depth 16 gray:-
    python3 - "$1" <<'PYTHON'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = 8
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"tEXt":
        sys.stdout.write(repr(data[at + 8:at + 8 + length]) + "\n")
    at += 12 + length
PYTHON
}

status=0
new=()
for command in "${commands[@]}"; do
    read -r -a args <<<"${command//FILE/out.bin}"
    rm -f out.bin
    if ! run "${args[@]}" >stdout.bin 2>stderr.txt; then
        echo "FAIL: moon-terrain $command ended with a failure: $(cat stderr.txt)"
        status=1
        continue
    fi
    output=stdout.bin
    [[ $command == *FILE* ]] && output=out.bin
    if [[ $command == *heightmap* ]]; then
        sum=$(heightmap_contents "$output" | sha256sum | cut -d' ' -f1)
    else
        sum=$(sha256sum "$output" | cut -d' ' -f1)
    fi
    new+=("$sum  $command")
    expected=$(grep -F "  $command" "$references" | cut -d' ' -f1 || true)
    if [[ -z $update && $sum != "$expected" ]]; then
        kept="failed-$(echo "$command" | tr -c 'a-z0-9' '_').bin"
        cp "$output" "$kept"
        echo "FAIL: moon-terrain $command: SHA-256 $sum, Linux gives ${expected:-nothing recorded} (output in $work/$kept)"
        status=1
    elif [[ -z $update ]]; then
        echo "ok: moon-terrain $command"
    fi
done

# NUL is a device: written in place, never replaced.
if [[ -n $runner ]] && ! run export --seed 1 --depth 3 -o NUL 2>stderr.txt; then
    echo "FAIL: export to NUL: $(cat stderr.txt)"
    status=1
fi
leftover=$(ls -A | grep -v -E '^(stdout\.bin|stderr\.txt|out\.bin|failed-.*)$' || true)
if [[ -n $leftover ]]; then
    echo "FAIL: left in the work folder: $leftover"
    status=1
fi

if [[ -n $update ]]; then
    printf '%s\n' "${new[@]}" >"$references"
    echo "wrote $references"
fi
exit $status
