#!/usr/bin/env bash
# Installs, on Debian, whatever the build, the tests and the examples need
# that the machine lacks. Does nothing when everything is there.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri libx11-dev libx11-xcb-dev libxtst-dev
  libpng-dev libgtest-dev libbenchmark-dev libedit-dev
  dpkg-dev man-db            # the Debian package (dpkg-shlibdeps) and the man page check
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libgif-dev python3-pil
  xvfb xauth xdotool
  python3 vim
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
