#!/usr/bin/env bash
# Builds brevand.exe and starts it: under Wine on your display here, directly on Windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

# cmake reads the presets from the current folder; the log file goes to the caller's.
for preset in mingw32 mingw64; do
    (cd "$root" && cmake --preset $preset >/dev/null && cmake --build --preset $preset --target brevand)
done
echo "Built build/mingw32/brevand.exe (i686, the one we ship) and build/mingw64/brevand.exe (x86_64)."

case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*)
    exec "$root/build/mingw32/brevand.exe" ;;
esac

# The shipped exe where 32-bit Wine can start, the x86_64 one otherwise.
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=wine
if why=$("$root/scripts/wine32.sh" 2>/dev/null); then
    exe="$root/build/mingw32/brevand.exe"
    wine=/usr/lib/wine/wine
    echo "Starting the i686 exe (the one we ship) under 32-bit Wine: $exe"
else
    exe="$root/build/mingw64/brevand.exe"
    wine=$wine64
    echo "32-bit Wine cannot run here: $why"
    echo "Starting the x86_64 exe under 64-bit Wine instead: $exe"
fi

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
    WINEDLLOVERRIDES="mscoree,mshtml=" "$wine64" wineboot --init >/dev/null 2>&1
    wineserver -w
fi
echo "The log file is written to $(pwd)."
exec "$wine" "$exe"
