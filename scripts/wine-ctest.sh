#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs CTest on a Windows cross build under Wine, on a virtual X display:
#   scripts/wine-ctest.sh build/win64 [ctest arguments...]
# The Wine prefix lives in the build folder (made on first use, which takes
# a while); one wineserver is kept for the whole run, so each test does not
# start its own; WINEDEBUG=-all keeps Wine's diagnostics off the tests' output.
set -euo pipefail

build=${1:?usage: wine-ctest.sh BUILD_DIR [ctest arguments...]}
shift
build=$(cd "$build" && pwd)
wine_dir=/usr/lib/wine
export PATH="$wine_dir:$PATH"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# The first free display from :90 on.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do
  [[ -e /tmp/.X11-unix/X$display ]] && break
  sleep 0.1
done

mkdir -p "$WINEPREFIX"
wineserver -p  # persistent until killed at the end
# Wine's own services (explorer, services, winedevice) start here, not
# inside a test: they outlive it, and a test's output pipe they held would
# keep CTest waiting for them.
wine64 wineboot --init >/dev/null 2>&1 || true
cd "$build"
ctest "$@"
