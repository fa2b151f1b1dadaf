#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# moon-terrain on Windows writes the same bytes as on Linux: each command of
# terrain.sha256 (made by the Linux build, see --update) is run through the
# runner and its output compared with the Linux output's SHA-256 (for a set
# of tiles, the SHA-256 of the list of their sums). "-o -" takes standard
# output (binary: no "\r" added); "-o FILE" a file replaced whole, or with
# --tiles the files FILE_X_Y. Both systems build the files with the same
# libpng, libtiff, libdeflate, zlib and tinyexr: every format is compared
# byte for byte.
#   check_terrain.sh RUNNER PROGRAM REFERENCES WORK_DIR [--update]
# RUNNER is the build's moon-wine (or "" for a Linux program).
set -euo pipefail
export LC_ALL=C  # the order of a set of tiles

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
    "export --seed 7 --depth 9 --format png -o FILE"
    "export --seed 42 --depth 6 --format tif -o FILE"
    "export --seed 1709294400 --depth 8 --format tif -o FILE"
    "export --seed 42 --depth 6 --format exr -o FILE"
    "export --seed 42 --depth 5 --format exr -o -"
    "export --seed 42 --depth 6 --format r16 -o FILE"
    "export --seed 7 --depth 6 --tiles 2 --format tif -o FILE"
    "export --seed 7 --depth 6 --tiles 2 --format exr -o FILE"
    "dump --seed 42 --depth 8 --refine --lod 250,40,-250"
    "export --seed 42 --depth 9 --refine --format r16 -o FILE"
    "export --seed 1709294400 --depth 10 --refine --format exr -o FILE"
    "export --seed 7 --depth 4 --refine --format tif -o FILE"
    "export --seed 7 --depth 8 --refine --join --format ply -o FILE"
    "export --seed 42 --depth 8 --refine --mode smooth --format glb -o FILE"
    "export --seed 42 --depth 8 --refine --tiles 2 --format png -o FILE"
    "craters --seed 42 -o FILE"
    "craters --seed 4294967295 -o -"
    "dump --seed 7 --depth 7 --craters --lod 100,20,-400"
    "export --seed 42 --depth 10 --craters --format r16 -o FILE"
    "export --seed 1709294400 --depth 9 --craters --format exr -o FILE"
    "export --seed 42 --depth 8 --craters --join --format glb -o FILE"
    "export --seed 7 --depth 9 --craters --tiles 2 --format tif -o FILE"
    "dump --seed 7 --depth 6 --regeneration 3"
    "export --seed 42 --depth 9 --craters --regeneration 2 --format r16 -o FILE"
    "craters --seed 42 --regeneration 2 -o FILE"
)

status=0
new=()
for command in "${commands[@]}"; do
    read -r -a args <<<"${command//FILE/out.bin}"
    rm -f out.bin out_*_*.bin
    if ! run "${args[@]}" >stdout.bin 2>stderr.txt; then
        echo "FAIL: moon-terrain $command ended with a failure: $(cat stderr.txt)"
        status=1
        continue
    fi
    outputs=(stdout.bin)
    if [[ $command == *--tiles* ]]; then
        outputs=(out_*_*.bin)
    elif [[ $command == *FILE* ]]; then
        outputs=(out.bin)
    fi
    if [[ ! -f ${outputs[0]} ]]; then
        echo "FAIL: moon-terrain $command wrote no file"
        status=1
        continue
    fi
    if [[ ${#outputs[@]} -gt 1 ]]; then
        sum=$(sha256sum "${outputs[@]}" | sha256sum | cut -d' ' -f1)
    else
        sum=$(sha256sum "${outputs[0]}" | cut -d' ' -f1)
    fi
    new+=("$sum  $command")
    expected=$(grep -F "  $command" "$references" | cut -d' ' -f1 || true)
    if [[ -z $update && $sum != "$expected" ]]; then
        kept="failed-$(echo "$command" | tr -c 'a-z0-9' '_')"
        for output in "${outputs[@]}"; do
            cp "$output" "$kept-$output"
        done
        echo "FAIL: moon-terrain $command: SHA-256 $sum, Linux gives ${expected:-nothing recorded} (output in $work/$kept-*)"
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
leftover=$(ls -A | grep -v -E '^(stdout\.bin|stderr\.txt|out(_[0-9]+_[0-9]+)?\.bin|failed-.*)$' || true)
if [[ -n $leftover ]]; then
    echo "FAIL: left in the work folder: $leftover"
    status=1
fi

if [[ -n $update ]]; then
    printf '%s\n' "${new[@]}" >"$references"
    echo "wrote $references"
fi
exit $status
