#!/bin/sh
# Runs the picking demo in a window on the X server of DISPLAY (Xvfb in the
# tests), clicks on it with xdotool and checks what it printed: the objects
# under the pointer, nearest first, also after the window was made smaller;
# then ends it once by destroying the window and once with the key q.
# usage: pick_window_test.sh VESK PICK
set -u
vesk=$1 pick=$2
title="cVOpenGL picking"
work=$(mktemp -d) || exit 2
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0

# start: runs the demo in the background and sets window to its window's id.
start() {
    "$vesk" "$pick" > said 2>&1 &
    pid=$!
    window=$(timeout 20 xdotool search --sync --name "$title" | head -n 1)
    [ -n "$window" ] || { echo "FAILED: no window named $title"; exit 1; }
}

# finish EXPECTED: waits (20 s at most) for the demo to end, then compares
# what it said, and "exit N", with EXPECTED.
finish() {
    for _ in $(seq 200); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAILED: the demo did not end"
        kill "$pid"
    fi
    wait "$pid"
    echo "exit $?" >> said
    pid=
    printf '%s\n' "$1" > expected
    diff -u expected said || failures=$((failures + 1))
}

start
xdotool mousemove --window "$window" 147 178 click 1
xdotool mousemove --window "$window" 405 236 click 1
xdotool mousemove --window "$window" 20 20 click 1
# Half the size: the same objects lie at half the coordinates.
xdotool windowsize --sync "$window" 320 240
xdotool mousemove --window "$window" 73 89 click 1
xdotool mousemove --window "$window" 202 118 click 1
xdotool windowclose "$window"
finish "click on the objects; close the window (or press q) to end
click at 147 178 hits red sphere
click at 405 236 hits white sphere, grey block
click at 20 20 hits nothing
click at 73 89 hits red sphere
click at 202 118 hits white sphere, grey block
closed
exit 0"

start
xdotool mousemove --window "$window" 495 217 click 1
xdotool key q
finish "click on the objects; close the window (or press q) to end
click at 495 217 hits blue sphere, purple box
closed
exit 0"

[ "$failures" = 0 ]
