#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the tour
# (examples/tour.vsk) offscreen from the repository's root; prints where the
# picture went.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2
cd "$top"
"$build/bin/vesk" --headless examples/tour.vsk
echo "picture: $top/tour.png"
