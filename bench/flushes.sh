#!/usr/bin/env bash
# Counts the flushes of a flood: flushes.sh EXE [RATE] [SECONDS] [FLUSHTIME]
#
# Starts EXE under Wine (its own prefix and display) with FlushTime FLUSHTIME
# (default 3), sends RATE datagrams a second (default 5000) for SECONDS
# (default 10) to 127.0.0.1:514, and counts the fsync and fdatasync calls of
# the exe and its wineserver meanwhile, with perf's syscall tracepoints (strace
# would stop Wine at every signal it uses and slow it tenfold).  The timer
# that flushes is starved while socket events keep the queue busy: this shows
# whether the file is flushed anyway.  Needs root (port 514), Wine, Xvfb and
# perf (Debian's linux-perf); holds /tmp/port514.lock.
set -euo pipefail
# The port lock and a display for the whole run, neither held by what it starts.
if [ -z "${BREVAND_FLUSHES_LOCKED:-}" ]; then
    BREVAND_FLUSHES_LOCKED=1 exec flock -o /tmp/port514.lock xvfb-run -a "$0" "$@"
fi
exe=$(realpath "$1") rate=${2:-5000} seconds=${3:-10} flush=${4:-3}
here=$(cd "$(dirname "$0")" && pwd)
command -v perf >/dev/null || { echo "flushes.sh: perf is missing (apt-get install linux-perf)" >&2; exit 1; }
[ -d /sys/kernel/tracing/events/syscalls ] || mount -t tracefs nodev /sys/kernel/tracing
work=$(mktemp -d /tmp/brevand-flushes.XXXXXX)
export WINEDEBUG=-all WINEPREFIX="$work/prefix"
cleanup() { [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
g++ -O2 -o "$work/loadgen" "$here/loadgen.cpp"
"$here/../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null
printf '[Brevand]\r\nFlushTime=%s\r\nLogSize=100000000\r\n' "$flush" >"$WINEPREFIX/drive_c/windows/Brevand.ini"
loader=/usr/lib/wine/wine64
file "$exe" | grep -q 'PE32 ' && loader=/usr/lib/wine/wine
cd "$work"
"$loader" "$exe" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 150); do grep -q "is opened" brevand.log 2>/dev/null && break; sleep 0.2; done
# The exe's process and its wineserver: those of our prefix.
ours() {
    for p in /proc/[0-9]*; do
        case "$(cat "$p/comm" 2>/dev/null)" in
        $1) grep -qz "^WINEPREFIX=$WINEPREFIX\$" "$p/environ" 2>/dev/null && echo "${p#/proc/}" && return ;;
        esac
    done
}
# The syscall tracepoints see 64-bit calls only: a 32-bit exe's are counted
# by their i386 numbers (fsync 118, fdatasync 148).
calls="-e syscalls:sys_enter_fsync -e syscalls:sys_enter_fdatasync"
[ "$loader" = /usr/lib/wine/wine ] && calls="-e raw_syscalls:sys_enter --filter id==118||id==148"
perf stat -x, $calls -p "$(ours "$(basename "$exe" | cut -c1-15)")" -o exe.perf &
p1=$!
perf stat -x, -e syscalls:sys_enter_fsync -e syscalls:sys_enter_fdatasync -p "$(ours 'wineserver*')" -o server.perf &
p2=$!
sleep 1
"$work/loadgen" --port 514 --count $((rate * seconds)) --rate "$rate" >loadgen.out || true
kill -INT $p1 $p2
wait $p1 $p2 || true
during=$(cat exe.perf server.perf | awk -F, '/sys_enter/ { n += $1 } END { print n + 0 }')
sleep 2
echo "$(basename "$exe"): $rate/s for $seconds s, FlushTime $flush: $(grep -o 'sent=[0-9]*' loadgen.out)," \
     "$(grep -c 'seq=' brevand.log || true) lines logged; $during flushes during the load"
