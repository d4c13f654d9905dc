#!/usr/bin/env bash
# Builds brevand.exe and starts it: under Wine on your display here, directly on Windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

cmake --preset mingw64 -S "$root" >/dev/null
cmake --build --preset mingw64 --target brevand
exe="$root/build/mingw64/brevand.exe"
cmake --preset mingw32 -S "$root" >/dev/null
cmake --build --preset mingw32 --target brevand
echo "Built $exe (and the 32-bit build/mingw32/brevand.exe, the one to ship)."

case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*)
    exec "$exe" ;;
esac

if [ -z "${DISPLAY:-}" ]; then
    echo "There is no display (DISPLAY is not set), so the window cannot be shown here." >&2
    echo "Run this on a desktop session, or start it under a virtual display: xvfb-run -a $0" >&2
    exit 1
fi
if [ "$(id -u)" -ne 0 ] && [ "$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)" -gt 514 ]; then
    echo "Note: UDP port 514 needs root here (or sysctl net.ipv4.ip_unprivileged_port_start=514);" >&2
    echo "without it Brevand shows the bind error and ends." >&2
fi

# A Wine prefix of its own, so that Brevand.ini (in its C:\windows) stays apart.
export WINEPREFIX=${WINEPREFIX:-$HOME/.local/share/brevand/wine}
export WINEDEBUG=${WINEDEBUG:--all}
if [ ! -d "$WINEPREFIX" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once, about 15 s)..."
    mkdir -p "$(dirname "$WINEPREFIX")"
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
    wineserver -w
fi
echo "Starting Brevand; the log file is written to $(pwd)."
exec wine "$exe"
