#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Mesh exports compared between builds of moon-terrain, in one run on one
# machine: median wall time and peak memory (maximum resident set, from GNU
# time) by depth, format and --join, and each build's time and memory as a
# fraction of the first one's.
#   bench/export_figures.sh NAME=PROGRAM [NAME=PROGRAM...]
# Environment: DEPTHS (default "8 10 12"), FORMATS (default "ply obj glb"),
# RUNS (runs per export, default 3; 1 at depth 11 and deeper), SEED (42),
# OUT (where files go, default a temporary folder; /dev/null measures
# without the disk). Each file is removed after its run. A build that refuses
# a depth shows "refused".
set -euo pipefail

[[ $# -ge 1 ]] || { echo "usage: bench/export_figures.sh NAME=PROGRAM [NAME=PROGRAM...]" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "export_figures.sh: needs GNU time (Debian package time)" >&2; exit 1; }
names=() programs=()
for pair in "$@"; do
    names+=("${pair%%=*}")
    programs+=("${pair#*=}")
    [[ -x ${pair#*=} ]] || { echo "export_figures.sh: ${pair#*=} is not a program" >&2; exit 1; }
done
read -r -a depths <<<"${DEPTHS:-8 10 12}"
read -r -a formats <<<"${FORMATS:-ply obj glb}"
seed=${SEED:-42}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "seconds KiB" for one export, or "refused".
measure() {
    local program=$1 depth=$2 format=$3 join=$4 target
    target=${OUT:-$work/mesh.$format}
    if ! /usr/bin/time -f "%e %M" -o "$work/time" "$program" export --seed "$seed" \
        --depth "$depth" --format "$format" $join -o "$target" >/dev/null 2>"$work/err"; then
        rm -f "$work/mesh.$format"
        echo refused
        return
    fi
    rm -f "$work/mesh.$format"
    tail -n 1 "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| depth | format | join | build | median s | peak MiB | time vs ${names[0]} | memory vs ${names[0]} |"
echo "|------:|--------|------|-------|---------:|---------:|-----:|-----:|"
for depth in "${depths[@]}"; do
    runs=${RUNS:-3}
    [[ $depth -ge 11 ]] && runs=1
    for format in "${formats[@]}"; do
        for join in "" "--join"; do
            base_time="" base_memory=""
            for i in "${!programs[@]}"; do
                times=() memories=() refused=""
                for ((run = 0; run < runs; run++)); do
                    result=$(measure "${programs[$i]}" "$depth" "$format" "$join")
                    [[ $result == refused ]] && { refused=1; break; }
                    times+=("${result% *}")
                    memories+=("${result#* }")
                done
                label=${join:+yes}
                if [[ -n $refused ]]; then
                    echo "| $depth | $format | ${label:-no} | ${names[$i]} | refused | | | |"
                    continue
                fi
                seconds=$(printf '%s\n' "${times[@]}" | median)
                mib=$(printf '%s\n' "${memories[@]}" | sort -g | tail -n 1 | awk '{ printf "%.0f", $1 / 1024 }')
                time_ratio="" memory_ratio=""
                if [[ -z $base_time ]]; then
                    base_time=$seconds base_memory=$mib
                else
                    time_ratio=$(awk -v a="$seconds" -v b="$base_time" 'BEGIN { printf "%.2f", a / b }')
                    memory_ratio=$(awk -v a="$mib" -v b="$base_memory" 'BEGIN { printf "%.3f", a / b }')
                fi
                echo "| $depth | $format | ${label:-no} | ${names[$i]} | $seconds | $mib | $time_ratio | $memory_ratio |"
            done
        done
    done
done
