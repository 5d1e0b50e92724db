#!/usr/bin/env bash
# Renders every example offscreen into examples/gallery/, the pictures the
# examples' README shows: builds first when vesk is not built yet. The
# picking demo picks at one object so that it shows lit, the orbiting demo
# turns the camera and picks one too; the flight keeps its contact sheet
# (its frames go to a scratch folder), the frames example shows one of its
# frames, and the spin the first frame of its animation (the GIF goes to a
# scratch folder).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
if [ ! -x "$build/bin/vesk" ]; then
  "$top/scripts/deps.sh"
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
  cmake --build "$build" -j2
fi
vesk=$build/bin/vesk
gallery=$top/examples/gallery
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$gallery"
cd "$top"
for script in examples/*.vsk; do
  name=$(basename "$script" .vsk)
  case $name in
    pick) "$vesk" --headless "$script" "$gallery" 405 236 > /dev/null ;;
    orbit) "$vesk" --headless "$script" "$gallery" drag 60 30 wheel 1 click 470 250 > /dev/null ;;
    flight)
      "$vesk" --headless "$script" "$scratch" > /dev/null
      cp "$scratch/flight.png" "$gallery/flight.png" ;;
    frames)
      "$vesk" --headless "$script" 5 5 "$scratch" > /dev/null
      cp "$scratch/frame-0005.png" "$gallery/frames.png" ;;
    spin)
      "$vesk" --headless "$script" "$scratch" > /dev/null
      cp "$scratch/spin.png" "$gallery/spin.png" ;;
    *) "$vesk" --headless "$script" "$gallery" > /dev/null ;;
  esac
  echo "$gallery/$name.png"
done
