#!/bin/sh
# Runs the orbiting demo in a window on the X server of DISPLAY (Xvfb in the
# tests) and handles it with xdotool as a user would: a drag with the left
# button, a wheel step, a click on an object, s to save and q to end. What
# it printed must match, and the picture it saved must be the one the demo
# draws offscreen for the same actions given as arguments. Then a bare event
# loop prints the events of a Control-drag as a script sees them.
# usage: orbit_window_test.sh VESK ORBIT
set -u
vesk=$1 orbit=$2
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
case $orbit in /*) ;; *) orbit=$PWD/$orbit ;; esac
title="cVOpenGL orbit"
work=$(mktemp -d) || exit 2
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 2
mkdir window offscreen
failures=0

"$vesk" "$orbit" window > said 2>&1 &
pid=$!
window=$(timeout 20 xdotool search --sync --name "$title" | head -n 1)
[ -n "$window" ] || { echo "FAILED: no window named $title"; cat said; exit 1; }
# Dragged by (60, 30) from the middle, in two moves; the wheel towards the
# user once; a click on the red sphere (where it lies after the drag).
xdotool mousemove --window "$window" 320 240 mousedown 1
xdotool mousemove --window "$window" 350 255
xdotool mousemove --window "$window" 380 270 mouseup 1
xdotool click 4
xdotool mousemove --window "$window" 470 250 click 1
xdotool key s
xdotool key q
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
cat > expected <<'OUT'
drag to orbit, wheel to zoom, click to pick; s saves, q ends
orbit to yaw 0 pitch 40
zoom to distance 10.8
click at 470 250 picks the red sphere
the picture is in window/orbit.png
closed
exit 0
OUT
diff -u expected said || failures=$((failures + 1))

# The same actions offscreen draw the same picture, pixel for pixel.
"$vesk" --headless "$orbit" offscreen drag 60 30 wheel 1 click 470 250 > offscreen/said 2>&1 ||
    { echo "FAILED: offscreen run"; cat offscreen/said; failures=$((failures + 1)); }
if ! cmp -s window/orbit.png offscreen/orbit.png; then
    "$vesk" --headless -e '
        a = new MBmp(argv[0])->GetDIBits();
        b = new MBmp(argv[1])->GetDIBits();
        n = 0;
        if (len(a) == len(b)) for (i = 0; i < len(a); i += 1) if (abs(a[i] - b[i]) > 2) n += 1;
        if (len(a) != len(b) || n > 0) print("FAILED: the saved pictures differ in", n, "bytes");' \
        window/orbit.png offscreen/orbit.png | grep . && failures=$((failures + 1))
fi
# The events as a script sees them, [kind, x, y, button, modifiers]: a
# Control-drag with the left button, then q.
cat > events.vsk <<'EOF'
dc = new MDC(100, 80, "vesk events");
print("ready");
for (;;) {
  e = dc->WaitEvent();
  print(e);
  if (e[0] == "key" && e[3] == 113) break;
}
EOF
"$vesk" events.vsk > said 2>&1 &
pid=$!
window=$(timeout 20 xdotool search --sync --name "vesk events" | head -n 1)
[ -n "$window" ] || { echo "FAILED: no window named vesk events"; cat said; exit 1; }
for _ in $(seq 100); do grep -q ready said && break; sleep 0.1; done
xdotool mousemove --window "$window" 10 10
xdotool keydown Control_L mousedown 1
xdotool mousemove --window "$window" 20 15
xdotool mouseup 1 keyup Control_L key q
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill "$pid" 2>/dev/null
wait "$pid"
echo "exit $?" >> said
pid=
cat > expected <<'OUT'
ready
[motion, 10, 10, 0, 0]
[key, 10, 10, 65507, 0]
[button, 10, 10, 1, 2]
[motion, 20, 15, 1, 2]
[release, 20, 15, 1, 2]
[keyrelease, 20, 15, 65507, 2]
[key, 20, 15, 113, 0]
exit 0
OUT
diff -u expected said || failures=$((failures + 1))
[ "$failures" = 0 ]
