#!/bin/sh
# Runs the tour offscreen in a fresh folder, as a user would, and checks that
# it says where its picture went and that the picture is a 640 x 480 PNG.
# usage: tour_test.sh VESK TOUR
set -eu
vesk=$1 tour=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$vesk" --headless "$tour" picture.png > said
cat said
grep -q '^the picture is in picture.png (640 x 480)$' said
"$vesk" -e 'b = new MBmp("picture.png"); print(b->GetWidth(), b->GetHeight(), len(b->GetDIBits()));' > size
test "$(cat size)" = "640 480 921600"
