#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# moon-terrain export by format, depth and --join: file size, wall time and
# peak memory (maximum resident set, from GNU time), as a Markdown table.
#   bench/export_sizes.sh [PROGRAM] [DEPTHS...]
# PROGRAM defaults to build/release/tools/moon-terrain, else build/default's;
# DEPTHS to 6 8 10. Each export runs once (seed 42, flat, palette 0); meshes
# stop at depth 10 (about 2 GB of memory), heightmaps go on to 14 (about 3 GB
# and 2 GB of disk for the float formats). Files go to a temporary folder,
# removed at the end. FORMATS="png r16" limits the formats.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-}
if [[ -z "$program" ]]; then
    for candidate in build/release/tools/moon-terrain build/default/tools/moon-terrain; do
        [[ -x "$candidate" ]] && program=$candidate && break
    done
fi
[[ -x "$program" ]] || { echo "export_sizes.sh: no moon-terrain; build it first" >&2; exit 1; }
shift || true
depths=("$@")
[[ ${#depths[@]} -gt 0 ]] || depths=(6 8 10)
[[ -x /usr/bin/time ]] || { echo "export_sizes.sh: needs GNU time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| depth | format | join | bytes | seconds | peak MiB |"
echo "|------:|--------|------|------:|--------:|---------:|"
for depth in "${depths[@]}"; do
    for format in ${FORMATS:-ply obj glb png r16 tif exr}; do
        for join in "" --join; do
            heightmap=false
            [[ $format == png || $format == r16 || $format == tif || $format == exr ]] && heightmap=true
            # A heightmap is one grid already: --join changes nothing there.
            [[ $heightmap == true && -n $join ]] && continue
            [[ $heightmap == false && $depth -gt 10 ]] && continue
            file="$work/terrain.$format"
            /usr/bin/time -f '%e %M' -o "$work/time" \
                "$program" export --seed 42 --depth "$depth" $join -o "$file" >/dev/null
            read -r seconds kib <"$work/time"
            printf '| %s | %s | %s | %s | %s | %s |\n' "$depth" "$format" "${join:+yes}" \
                "$(stat -c %s "$file")" "$seconds" "$((kib / 1024))"
            rm -f "$file"
        done
    done
done
