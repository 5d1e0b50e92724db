#!/bin/sh
# Runs one example offscreen in a fresh folder of its own, writing there (an
# example finds its files from its own folder, wherever it is started), and
# checks that it ends well and that every PNG it wrote is a real picture:
# not empty, not one flat colour. The flight must also have written its
# twelve frames, and the spin its animated GIF.
# usage: gallery_test.sh VESK TOP SCRIPT
set -u
vesk=$1 top=$2 script=$3
pixels=$(cd "$(dirname "$0")" && pwd)/tools/pixels.vsk
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
case $script in /*) ;; *) script=$top/$script ;; esac
name=$(basename "$script" .vsk)
if ! "$vesk" --headless "$script" "$work" > "$work/said" 2>&1; then
    echo "FAILED: $name ended with an error:"
    cat "$work/said"
    exit 1
fi
failures=0
count=0
for png in "$work"/*.png; do
    [ -e "$png" ] || break
    count=$((count + 1))
    if [ ! -s "$png" ]; then
        echo "FAILED: $(basename "$png") is empty"
        failures=$((failures + 1))
    elif ! "$vesk" "$pixels" "$png" varied | grep -qx ok; then
        echo "FAILED: $(basename "$png") is not a picture:"
        "$vesk" "$pixels" "$png" varied
        failures=$((failures + 1))
    fi
done
[ "$count" -gt 0 ] || { echo "FAILED: $name wrote no PNG"; failures=$((failures + 1)); }
if [ "$name" = flight ]; then
    for f in 00 01 02 03 04 05 06 07 08 09 10 11; do
        [ -s "$work/flight-$f.png" ] || { echo "FAILED: no frame flight-$f.png"; failures=$((failures + 1)); }
    done
fi
if [ "$name" = spin ] && [ "$(head -c 6 "$work/spin.gif" 2> /dev/null)" != GIF89a ]; then
    echo "FAILED: no animated GIF spin.gif"
    failures=$((failures + 1))
fi
echo "$name: $count pictures"
[ "$failures" = 0 ]
