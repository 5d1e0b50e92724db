#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the headless ones,
# then the window ones under a virtual X server.
# VESK_SANITIZE=1 builds with the address and undefined-behaviour sanitizers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
if [ "${VESK_SANITIZE:-0}" = 1 ]; then
  build=${BUILD_DIR:-$top/build-asan}
  options=(-DVESK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DVESK_BENCH=OFF)
else
  build=${BUILD_DIR:-$top/build}
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
cmake -S "$top" -B "$build" "${options[@]}" > /dev/null
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2 -LE x11
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -L x11
