#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs a framework program under a private virtual X server with a window
# manager, waits for its window, then either closes it as a user would (the
# window manager's close request) or sends the program SIGTERM, and expects
# it to end with status 0 within a few seconds.
# Usage: run_example.sh PROGRAM [close|signal] [TITLE [WIDTHxHEIGHT]]
set -u
program=$1
how=${2:-close}
title=${3:-OpenGL}
size=${4:-320x240}
work=$(mktemp -d)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in program xvfb openbox; do
        if [ -s "$work/$log.log" ]; then
            echo "--- $log output"
            cat "$work/$log.log"
        fi
    done
    exit 1
}

# -displayfd: the server picks a free display number and writes it when ready,
# so several of these tests can run at once.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# Generous waits: CI runs these beside other tests on two cores. A window
# manager that could not reach the new server is started once more.
for _ in 1 2 3; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    openbox_pid=$!
    pids+=($openbox_pid)
    for _ in $(seq 300); do
        wmctrl -m >/dev/null 2>&1 && break
        kill -0 "$openbox_pid" 2>/dev/null || break
        sleep 0.1
    done
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.5
done
wmctrl -m >/dev/null 2>&1 || fail "openbox did not start"

"$program" >"$work/program.log" 2>&1 &
program_pid=$!
for _ in $(seq 300); do
    wmctrl -l 2>/dev/null | grep -q "$title" && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
wmctrl -l 2>/dev/null | grep -q "$title" || fail "no window titled '$title' appeared"

window=$(xdotool search --name "$title" | head -n1)
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "$size" ] || fail "client area is $geometry, expected $size"

if [ "$how" = signal ]; then
    kill -TERM "$program_pid"
else
    wmctrl -c "$title"
fi
for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
    kill "$program_pid"
    fail "program still running 5 s after the $how request"
fi
wait "$program_pid"
status=$?
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "PASS: window $geometry, $how request, exit status 0"
