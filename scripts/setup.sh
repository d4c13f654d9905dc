#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or names them.
set -euo pipefail

packages=(
    cmake g++ make python3 git
    g++-mingw-w64-x86-64 g++-mingw-w64-i686
    wine wine64 xvfb xauth
    libgtest-dev googletest
    clang libclang-rt-14-dev
    util-linux bsdutils iproute2 procps
)
if [ "${1:-}" = "--with-screenshots" ]; then
    packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
