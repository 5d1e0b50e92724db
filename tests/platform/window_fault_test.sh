#!/bin/sh
# Scripts whose window or X server goes away under them. Each must end
# within seconds, exit 1, and say nothing but the device error (15) at the
# line it was on; pictures it saved before stay readable. Windows open on the
# X server of DISPLAY (Xvfb in the tests); the server that is killed is a
# private Xvfb this test starts. Every run is cut off after 30 s, which fails.
# usage: window_fault_test.sh VESK
set -u
vesk=$1
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
title="vesk fault"
work=$(mktemp -d) || exit 2
pid= server=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 2
failures=0

# start: runs the script on standard input as fault.vsk, in the background.
start() {
    rm -f fault.vsk said saved.png
    cat > fault.vsk
    timeout 30 "$vesk" fault.vsk > said 2>&1 &
    pid=$!
}

# window: the id of the script's window, once it is there.
window() {
    id=$(timeout 20 xdotool search --sync --name "$title" | head -n 1)
    [ -n "$id" ] || { echo "FAILED: no window named $title"; exit 1; }
    echo "$id"
}

# finish WHAT EXPECTED: waits for the script, then compares what it said and
# "exit N" with EXPECTED; the display's name reads DISPLAY there. More than
# five seconds from the fault to the end fails too.
finish() {
    wait "$pid"
    code=$?
    pid=
    took=$(($(date +%s) - fault))
    [ "$code" = 124 ] && echo "FAILED: $1: the script was still running after 30 s"
    [ "$took" -gt 5 ] && echo "FAILED: $1: the script took $took s to end"
    echo "exit $code" >> said
    sed "s|the X display [^ ]* was lost|the X display DISPLAY was lost|" said > got
    printf '%s\n' "$2" > expected
    if ! diff -u expected got || [ "$took" -gt 5 ]; then
        echo "in: $1"
        failures=$((failures + 1))
    fi
}

# picture: the size of saved.png as a fresh vesk reads it.
picture() {
    "$vesk" --headless -e 'b = new MBmp("saved.png"); print("saved", b->GetWidth(), b->GetHeight());'
}

lost="error 15: the X display DISPLAY was lost: its server closed the connection or stopped"

# A window another client destroys gives "close", and is gone for good.
start <<'EOF'
dc = new MDC(120, 90, "vesk fault");
print(dc->WaitEvent()[0]);
dc->WaitEvent();
EOF
id=$(window) || exit 1
xdotool windowclose "$id"
fault=$(date +%s)
finish windowclose "close
fault.vsk:3: error 15: WaitEvent: device 1 has lost its window
exit 1"

# The client's connection killed while it swaps a double-buffered window.
start <<'EOF'
dc = new MDC(120, 90, "vesk fault");
gl = new VOpenGL();
gl->EnableDoubleBuff(true);
gl->Open(dc);
while (true) {
  gl->Clear();
  gl->Sphere(0, 0, 0, 0.5);
  gl->SwapBuffers();
}
EOF
id=$(window) || exit 1
sleep 0.5
xdotool windowkill "$id"
fault=$(date +%s)
finish "windowkill while swapping" "fault.vsk:8: $lost
exit 1"

# ... while it flushes a single-buffered window: the driver never returns
# from that flush, and the platform's watch ends the script.
start <<'EOF'
dc = new MDC(120, 90, "vesk fault");
gl = new VOpenGL();
gl->Open(dc);
while (true) {
  gl->Clear();
  gl->Flush();
}
EOF
id=$(window) || exit 1
sleep 0.5
xdotool windowkill "$id"
fault=$(date +%s)
finish "windowkill while flushing" "fault.vsk:6: $lost
exit 1"

# ... while it waits for an event, after it saved its picture.
start <<'EOF'
dc = new MDC(120, 90, "vesk fault");
gl = new VOpenGL();
gl->Open(dc);
gl->SetClearColor(0, 0, 1);
gl->Clear();
gl->Flush();
dc->SaveAs("saved.png");
print("waiting");
dc->WaitEvent();
EOF
id=$(window) || exit 1
for _ in $(seq 100); do grep -q waiting said && break; sleep 0.1; done
xdotool windowkill "$id"
fault=$(date +%s)
finish "windowkill while waiting" "waiting
fault.vsk:9: $lost
exit 1"
[ "$(picture)" = "saved 120 90" ] || { echo "FAILED: the picture saved before the loss: $(picture)"; failures=$((failures + 1)); }

# ... while it polls a multisampled window for events: releases and motion
# with buttons held come through the same queue, which the loss ends.
start <<'EOF'
dc = new MDC(120, 90, "vesk fault");
dc->SetSamples(4);
gl = new VOpenGL();
gl->Open(dc);
gl->Sphere(0, 0, 0, 0.5);
gl->Flush();
dc->SaveAs("saved.png");
print("polling", dc->GetSamples());
while (true) { e = dc->NextEvent(); }
EOF
id=$(window) || exit 1
for _ in $(seq 100); do grep -q polling said && break; sleep 0.1; done
xdotool mousemove --window "$id" 10 10 mousedown 1 mousemove --window "$id" 30 20 mouseup 1
xdotool windowkill "$id"
fault=$(date +%s)
finish "windowkill while polling a multisampled window" "polling 4
fault.vsk:9: $lost
exit 1"
[ "$(picture)" = "saved 120 90" ] || { echo "FAILED: the picture saved before the loss: $(picture)"; failures=$((failures + 1)); }

# The X server stops while the script draws offscreen: its pbuffers belong
# to that server's EGL display too.
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3> display 2> /dev/null &
server=$!
for _ in $(seq 100); do [ -s display ] && break; sleep 0.1; done
[ -s display ] || { echo "FAILED: the private X server did not start"; exit 1; }
export DISPLAY=":$(cat display)"
start <<'EOF'
dc = new MDC(64, 48);
gl = new VOpenGL();
gl->Open(dc);
while (true) {
  gl->Clear();
  gl->Flush();
  dc->SaveAs("saved.png");
}
EOF
for _ in $(seq 100); do [ -s saved.png ] && break; sleep 0.1; done
kill "$server"
fault=$(date +%s)
server=
finish "server stopped while drawing offscreen" "fault.vsk:7: $lost
exit 1"
[ "$(picture)" = "saved 64 48" ] || { echo "FAILED: the picture saved before the loss: $(picture)"; failures=$((failures + 1)); }

[ "$failures" = 0 ]
