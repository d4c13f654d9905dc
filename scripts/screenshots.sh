#!/bin/sh
# Takes the screenshots in docs/ under Wine: screenshots.sh [EXE [LOADER]]
#
# Once at 96 DPI and once at 144 (LogPixels under HKCU\Control Panel\Desktop),
# each in a fresh prefix with Wine's default theme: the About box at start-up,
# the window after a dozen datagrams, the Options dialog and the Statistics
# message box, each cut to the program's windows.  The 96 DPI ones are
# docs/brevand-<what>.png (the README shows them), the others
# docs/brevand-<what>-144dpi.png.  EXE defaults to the shipped i686 build,
# LOADER to 32-bit Wine.  Needs root (UDP port 514), imagemagick and xdotool
# (scripts/setup.sh --with-screenshots installs them).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
exe=$(realpath "${1:-$root/build/mingw32/brevand.exe}")
wine=${2:-/usr/lib/wine/wine}

if [ -z "${BREVAND_SHOTS_DISPLAY_UP:-}" ]; then
    "$here/setup.sh" --with-screenshots
    export BREVAND_SHOTS_DISPLAY_UP=1
    # A 1024x768 screen, as many an operator's; the port is ours for the run.
    exec xvfb-run -a -s "-screen 0 1024x768x24" flock /tmp/port514.lock "$0" "$exe" "$wine"
fi

export WINEDEBUG=-all
work=$(mktemp -d /tmp/brevand-shots.XXXXXX)
finish() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# The program's top-level windows, one "caption WxH+X+Y" line each.
windows() {
    xwininfo -root -children | sed -n 's/^ *0x[0-9a-f]* "\(.*\)": ("brevand.exe".* \([0-9]*x[0-9]*+[0-9]*+[0-9]*\) .*/\1 \2/p'
}
wait_for() {
    for _ in $(seq 100); do
        windows | grep -q "^$1 " && return 0
        sleep 0.1
    done
    echo "$0: no window \"$1\" appeared" >&2
    exit 1
}
wait_gone() {
    for _ in $(seq 100); do
        windows | grep -q "^$1 " || return 0
        sleep 0.1
    done
    echo "$0: the window \"$1\" stayed" >&2
    exit 1
}
# Cuts the screen to the union of the program's visible windows.
snap() {
    sleep 0.5
    box=$(windows | awk '{ split($NF, g, /[x+]/)
        if (g[1] > 1 && g[2] > 1) {
            if (n++ == 0 || g[3] < x0) x0 = g[3]; if (n == 1 || g[4] < y0) y0 = g[4]
            if (g[3] + g[1] > x1) x1 = g[3] + g[1]; if (g[4] + g[2] > y1) y1 = g[4] + g[2]
        } } END { printf "%dx%d+%d+%d", x1 - x0, y1 - y0, x0, y0 }')
    import -window root -crop "$box" +repage -strip "$root/docs/brevand-$1$suffix.png"
    echo "docs/brevand-$1$suffix.png ($box)"
}

# A menu command by its accelerators, with time for the menu to open.
menu() {
    xdotool key "alt+$1"
    sleep 0.5
    xdotool key "$2"
}

send_datagrams() {
    python3 - <<'EOF'
import socket, time
lines = [
    "<38>{t} gw sshd[812]: Failed password for invalid user admin from 198.51.100.23 port 40022 ssh2",
    "<86>{t} gw sshd[812]: Accepted publickey for deploy from 198.51.100.7 port 51312 ssh2",
    "<78>{t} gw CRON[1990]: (root) CMD (/usr/local/bin/backup --incremental)",
    "<13>{t} gw kernel: [ 8123.551] eth0: link up, 1000 Mbps, full duplex",
    "<134>{t} gw nginx[2211]: 203.0.113.50 GET /api/v1/status 200 0.004",
    "<19>{t} gw postfix/smtpd[3001]: NOQUEUE: reject: RCPT from unknown[192.0.2.9]",
    "<30>{t} gw systemd[1]: Started Daily apt upgrade and clean activities.",
    "<28>{t} gw named[640]: client 192.0.2.44#53412: query (cache) denied",
    "<27>{t} gw ntpd[701]: kernel reports TIME_ERROR: 0x41: Clock Unsynchronized",
    "<85>{t} gw sudo: operator : TTY=pts/0 ; PWD=/home/operator ; COMMAND=/bin/true",
    "<13>a datagram without a timestamp or host",
    "no priority header at all",
]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
t = time.strftime("%b %e %H:%M:%S")
for line in lines:
    s.sendto(line.format(t=t).encode(), ("127.0.0.1", 514))
    time.sleep(0.02)
EOF
}

shoot() {
    dpi=$1 suffix=$2
    export WINEPREFIX="$work/prefix-$dpi"
    "$here/wine-prefix.sh" "$WINEPREFIX" "$work/template"
    # Wine's default theme, which the test prefix turns off for speed; the DPI.
    wine64=/usr/lib/wine/wine64
    "$wine64" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' \
        /v ThemeActive /d 1 /f >/dev/null 2>&1
    "$wine64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    # The log file lands in C:\Brevand, as it would for an operator.
    mkdir -p "$WINEPREFIX/drive_c/Brevand"
    cd "$WINEPREFIX/drive_c/Brevand"
    "$wine" "$exe" >/dev/null 2>&1 &
    pid=$!

    wait_for "About Brevand"
    snap about
    wait_gone "About Brevand"
    sleep 1
    send_datagrams
    snap window
    menu c o
    wait_for " Brevand Options"
    snap options
    xdotool key Escape
    wait_gone " Brevand Options"
    menu i s
    wait_for "BREVAND: Statistics"
    snap message
    xdotool key Return
    wait_gone "BREVAND: Statistics"
    menu f x
    wait_for "Exit BREVAND"
    xdotool key y
    wait "$pid"
    wineserver -k 2>/dev/null || true
}

shoot 96 ""
shoot 144 -144dpi
