#!/usr/bin/env bash
# Throughput bench: builds the tools, makes a throw-away Wine prefix under Xvfb, and runs bench.py's suite.
#
#   bench/run.sh --quick                 smoke test: a short paced run and a small burst per receiver
#   bench/run.sh                         full: zero-loss rate search, 10,000-datagram burst, CPU, memory
#   bench/run.sh --long [--rate N]       1,000,000 datagrams at N/s (default 5000) into brevand, every line checked
#
# Options:
#   --exe PATH        brevand.exe to measure (default: build it with the mingw64 preset)
#   --exe32 PATH      the i686 brevand.exe measured beside it (default: build it with the mingw32
#                     preset); skipped, with a line that says so, where 32-bit programs cannot start
#   --before PATH     an earlier brevand.exe, measured beside the others with default settings
#                     (again for more); a change's cost compared in one run on one machine
#   --no-brevand      measure the minimal receiver only
#   --native          add a native Linux receiver row (reference for Wine's own cost)
#   --port N          port for the minimal and native receivers (default 514; brevand always uses 514)
#   --rcvbuf BYTES    SO_RCVBUF of the minimal receiver (default 4194304; 0 = system default)
#   --rate N          paced rate of the long run;  --count N  its datagram count
#   --long-receiver brevand|minimal|native   what the long run loads (default brevand)
#   --screen-size N   ScreenSize of the long run (default 6000)
#   --trial-seconds N length of each paced trial of the search (default 10)
#   --criterion sustained|lossless   a passing paced run must also leave no backlog after 1 s
#                     (sustained, default) or only lose nothing (lossless)
#   --json FILE       also write every measurement as JSON
#   --keep            keep the temporary folder (prefix, logs) for inspection
#
# Every trial holds /tmp/port514.lock only while it runs: start, load, drain, stop.
set -euo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/.." && pwd)"

before=() mode=full exe="" exe32="" want_brevand=1 native=0 port=514 rcvbuf=4194304 keep=0 json=""
rate=5000 count=1000000 long_receiver=brevand screen_size=6000 trial_seconds=10 criterion=sustained
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) mode=quick ;;
        --long) mode=long ;;
        --full) mode=full ;;
        --exe) exe="$(realpath -m "$2")"; shift ;;
        --exe32) exe32="$(realpath -m "$2")"; shift ;;
        --before) before+=(--before "$(realpath -m "$2")"); shift ;;
        --no-brevand) want_brevand=0 ;;
        --native) native=1 ;;
        --port) port="$2"; shift ;;
        --rcvbuf) rcvbuf="$2"; shift ;;
        --rate) rate="$2"; shift ;;
        --count) count="$2"; shift ;;
        --long-receiver) long_receiver="$2"; shift ;;
        --screen-size) screen_size="$2"; shift ;;
        --trial-seconds) trial_seconds="$2"; shift ;;
        --criterion) criterion="$2"; shift ;;
        --json) json="$(realpath -m "$2")"; shift ;;
        --keep) keep=1 ;;
        -h|--help) sed -n '2,31p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

for tool in g++ x86_64-w64-mingw32-g++-win32 wine wineserver xvfb-run flock ss python3; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing" >&2; exit 1; }
done

work="$(mktemp -d /tmp/brevand-bench.XXXXXX)"
prefix="$work/prefix"
cleanup() {
    if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; fi
    if [ "$keep" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

echo "== building the bench tools in $work/bin"
mkdir -p "$work/bin" "$work/trials"
g++ -O2 -Wall -Wextra -o "$work/bin/loadgen" "$HERE/loadgen.cpp"
g++ -O2 -Wall -Wextra -o "$work/bin/native_receiver" "$HERE/native_receiver.cpp"
x86_64-w64-mingw32-g++-win32 -O2 -Wall -Wextra -static -o "$work/bin/minimal_receiver.exe" \
    "$HERE/minimal_receiver.cpp" -lws2_32

if [ "$want_brevand" = 1 ] && [ -z "$exe" ]; then
    echo "== building brevand.exe (mingw64 preset)"
    (cd "$ROOT" && cmake --preset mingw64 >/dev/null && cmake --build --preset mingw64 -j 2 >/dev/null) || {
        echo "run.sh: brevand.exe did not build; use --exe PATH or --no-brevand" >&2; exit 1; }
    exe="$(find "$ROOT/build" -path '*mingw64*' -name brevand.exe | head -n 1)"
    [ -n "$exe" ] || { echo "run.sh: built, but no brevand.exe found under build/" >&2; exit 1; }
fi
[ "$want_brevand" = 1 ] || exe=""
if [ -n "$exe" ] && [ ! -f "$exe" ]; then echo "run.sh: no such exe: $exe" >&2; exit 1; fi
echo "== brevand: ${exe:-(not measured)}"

# The i686 exe is the one we ship; it needs a kernel that runs 32-bit programs and 32-bit Wine.
# BREVAND_WINE32 names another loader, to try the skip.
if [ "$want_brevand" = 1 ]; then
    if ! why=$("$ROOT/scripts/wine32.sh" "${BREVAND_WINE32:-/usr/lib/wine/wine}"); then
        echo "== brevand i686: SKIPPED, $why"
        exe32=""
    elif [ -z "$exe32" ]; then
        (cd "$ROOT" && cmake --preset mingw32 >/dev/null && cmake --build --preset mingw32 -j 2 >/dev/null) || {
            echo "run.sh: the i686 brevand.exe did not build; use --exe32 PATH" >&2; exit 1; }
        exe32="$ROOT/build/mingw32/brevand.exe"
    fi
    if [ -n "$exe32" ] && [ ! -f "$exe32" ]; then echo "run.sh: no such exe: $exe32" >&2; exit 1; fi
    if [ -n "$exe32" ]; then echo "== brevand i686: $exe32"; fi
fi

args=(suite --mode "$mode" --loadgen "$work/bin/loadgen" --minimal "$work/bin/minimal_receiver.exe"
      --exe "$exe" --exe32 "$exe32" --prefix "$prefix" --tmp "$work/trials" --port "$port" --rcvbuf "$rcvbuf"
      --trial-seconds "$trial_seconds" --criterion "$criterion" --long-rate "$rate" --long-count "$count"
      --long-receiver "$long_receiver" --long-screen-size "$screen_size")
[ "$native" = 1 ] && args+=(--native "$work/bin/native_receiver")
args+=("${before[@]}")
[ -n "$json" ] && args+=(--json-out "$json")
[ "$keep" = 1 ] && args+=(--keep)

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; rmem_max $(cat /proc/sys/net/core/rmem_max)"
# One display for the prefix and every trial; the suite makes the prefix and ends its wineserver.
WINEDEBUG=-all xvfb-run -a -s "-screen 0 1280x1024x24" python3 "$HERE/bench.py" "${args[@]}"
