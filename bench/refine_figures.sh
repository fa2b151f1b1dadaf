#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The refined landscape's heightmaps, with and without craters, against the
# written generation's: wall time (median of RUNS runs) and peak memory
# (maximum resident set, from GNU time) of `moon-terrain export --seed 42
# --depth D [--refine | --craters] -o FILE`, by depth and format, and the
# refined export on one core against every core (taskset), all in one run, as
# Markdown tables.
#   bench/refine_figures.sh [PROGRAM]
# PROGRAM defaults to build/release/tools/moon-terrain, else build/default's.
# DEPTHS (default "10 12 14"), FORMATS (default "r16 png") and RUNS (default
# 3) change what is measured; SPLIT_DEPTH (default 13) is the depth timed on
# one core and on all. Files go to a temporary folder, removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-}
if [[ -z "$program" ]]; then
    for candidate in build/release/tools/moon-terrain build/default/tools/moon-terrain; do
        [[ -x "$candidate" ]] && program=$candidate && break
    done
fi
[[ -x "$program" ]] || { echo "refine_figures.sh: no moon-terrain; build it first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "refine_figures.sh: needs GNU time (Debian package time)" >&2; exit 1; }
runs=${RUNS:-3}
cores=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs the command RUNS times; prints the median seconds and the largest peak MiB.
measure() {
    local seconds=() peak=0 s kib
    for ((i = 0; i < runs; ++i)); do
        /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
        read -r s kib <"$work/time"
        seconds+=("$s")
        ((kib > peak)) && peak=$kib
    done
    printf '%s %s\n' "$(printf '%s\n' "${seconds[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
        "$((peak / 1024))"
}

echo "| depth | format | written | --refine | --craters | refined / written | craters / refined |"
echo "|------:|--------|--------:|--------:|--------:|------:|------:|"
for depth in ${DEPTHS:-10 12 14}; do
    for format in ${FORMATS:-r16 png}; do
        read -r ws wm < <(measure "$program" export --seed 42 --depth "$depth" -o "$work/w.$format")
        read -r rs rm < <(measure "$program" export --seed 42 --depth "$depth" --refine \
            -o "$work/r.$format")
        read -r cs cm < <(measure "$program" export --seed 42 --depth "$depth" --craters \
            -o "$work/c.$format")
        printf '| %s | %s | %s s, %s MiB | %s s, %s MiB | %s s, %s MiB | %.2f | %.2f |\n' \
            "$depth" "$format" "$ws" "$wm" "$rs" "$rm" "$cs" "$cm" \
            "$(awk -v a="$rs" -v b="$ws" 'BEGIN { print a / b }')" \
            "$(awk -v a="$cs" -v b="$rs" 'BEGIN { print a / b }')"
        rm -f "$work"/*."$format"
    done
done

split=${SPLIT_DEPTH:-13}
echo
echo "| depth ${split} refined .r16 | seconds | peak MiB |"
echo "|---|--:|--:|"
read -r one onem < <(measure taskset -c 0 "$program" export --seed 42 --depth "$split" --refine \
    -o "$work/one.r16")
read -r all allm < <(measure taskset -c "0-$((cores - 1))" "$program" export --seed 42 \
    --depth "$split" --refine -o "$work/all.r16")
printf '| 1 core | %s | %s |\n| %s cores | %s | %s |\n' "$one" "$onem" "$cores" "$all" "$allm"
printf '\n%s cores / 1 core: %.2f\n' "$cores" "$(awk -v a="$all" -v b="$one" 'BEGIN { print a / b }')"
