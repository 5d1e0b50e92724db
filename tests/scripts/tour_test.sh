#!/bin/sh
# Runs the tour offscreen in a fresh folder, as a user would, and checks that
# it says where its picture went, that the picture is a 640 x 480 PNG, that
# the known objects have their colours at known places, and that the pixel
# the tour read back is the one in the picture.
# usage: tour_test.sh VESK TOUR
set -eu
vesk=$1 tour=$2
case $vesk in /*) ;; *) vesk=$PWD/$vesk ;; esac
case $tour in /*) ;; *) tour=$PWD/$tour ;; esac
pixels=$(dirname "$0")/tools/pixels.vsk
case $pixels in /*) ;; *) pixels=$PWD/$pixels ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$vesk" --headless "$tour" picture.png > said
cat said
grep -q '^the picture is in picture.png (640 x 480)$' said
"$vesk" -e 'b = new MBmp("picture.png"); print(b->GetWidth(), b->GetHeight(), len(b->GetDIBits()));' > size
test "$(cat size)" = "640 480 921600"

# x y red green blue tolerance (the three differences added), y from the top.
"$vesk" "$pixels" picture.png \
    5 5 158 173 199 24 \
    113 185 229 101 103 60 \
    320 190 74 107 175 60 \
    247 190 74 137 97 60 \
    275 240 237 214 95 60 \
    466 243 236 211 104 60 \
    440 270 106 172 73 60 \
    190 250 224 222 199 60 \
    320 40 173 84 96 60 \
    110 370 209 174 112 60 \
    205 370 89 183 137 60 \
    418 350 193 138 106 60 \
    320 440 232 107 135 60 > checked || true
cat checked
test "$(cat checked)" = ok
# sky, sphere, box, cylinder, gem, the picture's sun and hills, colour
# wheel, curtain, pyramid, dome, steps, ribbon

# The read-back: the middle of a 9 x 9 square at (109, 290) from the lower
# left, that is the pixel (113, 185) from the top, exactly.
rgb=$(sed -n 's/^read back 243 bytes; the sphere.s middle is red \([0-9]*\) green \([0-9]*\) blue \([0-9]*\)$/\1 \2 \3/p' said)
test -n "$rgb"
# shellcheck disable=SC2086 # three numbers
"$vesk" "$pixels" picture.png 113 185 $rgb 0 | grep -qx ok
