#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Frame times of the real program, native and under Wine, in one run:
# moon --render draws K frames of each view before its picture, so the time a
# frame takes is what K = 360 costs beyond K = 1, over 2 x 359 frames (both
# views; start-up, reading back and the PNG cancel out). Prints the median of
# RUNS runs of each, per frame in milliseconds, and the ratio Wine / native.
#   bench/render_frames.sh [RUNS]
# Needs build/default (or build/release) and build/windows built; the Windows
# program runs through the build's Wine wrapper, on a virtual display of its
# own (Xvfb), with Mesa's llvmpipe drawing in both.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
native=
for candidate in build/release/src/viewer/moon build/default/src/viewer/moon; do
    [[ -x "$candidate" ]] && native=$candidate && break
done
windows=build/windows/src/viewer/moon.exe
wine=build/windows/wine/moon-wine
[[ -n "$native" ]] || { echo "render_frames.sh: no native moon; build it first" >&2; exit 1; }
[[ -f "$windows" && -x "$wine" ]] || {
    echo "render_frames.sh: no moon.exe; cmake --build --preset windows first" >&2
    exit 1
}

work=$(mktemp -d)
display=:$((200 + RANDOM % 300))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
sleep 1

# Seconds one render takes.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" --render "$work/picture.png" --seed 42 >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Milliseconds per frame, one measurement: the difference of a long and a
# short render of the same program.
frame_ms() {
    local long short
    long=$(seconds "$@" --frames 360)
    short=$(seconds "$@" --frames 1)
    echo "($long - $short) * 1000 / (2 * 359)" | bc -l
}

"$wine" "$windows" --version >/dev/null 2>&1  # the prefix made, once, outside the timing
native_ms=$(for _ in $(seq "$runs"); do frame_ms "$native"; done | median)
wine_ms=$(for _ in $(seq "$runs"); do DISPLAY=$display MOON_KEEP_DISPLAY=1 frame_ms "$wine" "$windows"; done | median)

printf '| program | median ms per frame (%s runs) |\n|---|---:|\n' "$runs"
printf '| %s | %.2f |\n' "$native" "$native_ms"
printf '| %s under Wine | %.2f |\n' "$windows" "$wine_ms"
printf 'Wine / native: %.2f\n' "$(echo "$wine_ms / $native_ms" | bc -l)"
