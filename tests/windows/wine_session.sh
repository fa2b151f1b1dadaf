#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows test session: one virtual X display and one wineserver kept for
# every test of the suite, so no test pays for starting them.
#   wine_session.sh start SESSION_DIR WINE_RUNNER   (CTest fixture setup)
#   wine_session.sh stop SESSION_DIR                (CTest fixture cleanup)
# The runner (the build's moon-wine) makes the Wine prefix on first use and
# reads the display from SESSION_DIR/display.
set -euo pipefail
[[ -n ${MOON_TRACE:-} ]] && set -x

action=${1:?usage: wine_session.sh start|stop SESSION_DIR [WINE_RUNNER]}
session=${2:?usage: wine_session.sh start|stop SESSION_DIR [WINE_RUNNER]}
export WINEPREFIX="$session/prefix"
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=wineserver

stop() {
    if [[ -f $session/xvfb.pid ]]; then
        kill "$(cat "$session/xvfb.pid")" 2>/dev/null || true
        rm -f "$session/xvfb.pid"
    fi
    rm -f "$session/display"
    # Ended, and waited for: a new one cannot start while the old one runs.
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
}

case $action in
stop)
    stop
    ;;
start)
    runner=${3:?usage: wine_session.sh start SESSION_DIR WINE_RUNNER}
    mkdir -p "$session"
    stop
    # Xvfb picks a free display and writes its number once it accepts
    # connections.
    exec {numbers}<> <(:)
    setsid Xvfb -displayfd "$numbers" -screen 0 1280x1024x24 -nolisten tcp -noreset \
        +extension GLX >/dev/null 2>"$session/xvfb.log" </dev/null &
    echo $! >"$session/xvfb.pid"
    number=""
    read -r -t 30 number <&"$numbers" || true
    exec {numbers}<&-
    if [[ -z $number ]]; then
        echo "Xvfb did not start (see $session/xvfb.log)" >&2
        exit 1
    fi
    echo ":$number" >"$session/display"
    # A server that stays until stop (detached from CTest's output, which
    # CTest waits on), then the prefix, made on first use (some seconds).
    mkdir -p "$WINEPREFIX"
    # (One a Wine program started a moment ago may still be ending: ask again.)
    for _ in 1 2 3; do
        "$wineserver" -p >/dev/null 2>&1 </dev/null && break
        "$wineserver" -k 2>/dev/null || true
        "$wineserver" -w 2>/dev/null || true
    done
    "$runner" cmd /c exit 0 >/dev/null 2>&1 </dev/null
    echo "Wine session: prefix $WINEPREFIX, display :$number"
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
