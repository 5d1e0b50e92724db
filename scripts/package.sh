#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds (the runner,
# the libraries, the module and the man page) and runs `cpack -G DEB`.
# Prints the path of cvopengl_VERSION_ARCH.deb, which `apt install ./...deb`
# installs under /usr.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2 --target vesk cVOpenGL manpage
cd "$build"
rm -f cvopengl_*.deb
cpack -G DEB > cpack.log || { cat cpack.log; exit 1; }
ls "$build"/cvopengl_*.deb
