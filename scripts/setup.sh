#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root), or names them.
#
# 32-bit Wine (wine32:i386) runs the shipped i686 exe; it comes from the i386
# side of the archive, which is enabled here first.
set -euo pipefail

packages=(
    cmake g++ make python3 git
    g++-mingw-w64-x86-64 g++-mingw-w64-i686
    wine wine64 wine32:i386 xvfb xauth
    libgtest-dev googletest
    clang libclang-rt-14-dev
    util-linux bsdutils iproute2 procps unzip
)
if [ "${1:-}" = "--with-screenshots" ]; then
    packages+=(imagemagick xdotool x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

add_i386=
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    add_i386=1
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    [ -n "$add_i386" ] && echo "  sudo dpkg --add-architecture i386" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Waits for another apt or dpkg run to finish instead of failing.
apt=(apt-get -o DPkg::Lock::Timeout=900)
[ -n "$add_i386" ] && dpkg --add-architecture i386
"${apt[@]}" update -qq
"${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
