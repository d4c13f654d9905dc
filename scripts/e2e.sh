#!/bin/sh
# Runs the end-to-end tests of a MinGW build folder under Wine: e2e.sh [BUILD_DIR] [ctest args...]
#
# The build folder says which exe this is: build/mingw64 (x86_64) runs under
# 64-bit Wine, build/mingw32 (i686, the shipped exe) under 32-bit Wine.
# Where 32-bit programs cannot start, the i686 run is skipped with a line
# saying why.  Ends with "e2e ARCH: N passed, N failed", counting cases.
#
# One Wine prefix (copied from a template kept in the build folder) and one
# Xvfb display serve the whole run; every ctest entry takes the port 514
# lock for itself (scripts/wine-test.sh), so other users of the port get
# their turn between entries.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/mingw64}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)

if [ ! -f "$build/CTestTestfile.cmake" ]; then
    echo "$0: $build is not a configured build folder" >&2
    exit 2
fi
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
arch=$(cached BREVAND_E2E_ARCH)
wine=$(cached BREVAND_E2E_WINE)
if [ -z "$arch" ] || [ -z "$wine" ]; then
    echo "$0: $build has no end-to-end tests of a cross build (configure it with a mingw preset)" >&2
    exit 2
fi

if [ -z "${BREVAND_E2E_DISPLAY_UP:-}" ]; then
    if [ "$arch" = i686 ] && ! why=$("$here/wine32.sh" "$wine" 2>/dev/null); then
        echo "e2e i686: skipped, not run: $why"
        exit 0
    fi
    # A display of our own for the whole run; 24-bit so that nothing is
    # drawn through a palette.
    export BREVAND_E2E_DISPLAY_UP=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi

export WINEDEBUG=-all
work=$(mktemp -d /tmp/brevand-e2e.XXXXXX)
export WINEPREFIX="$work/prefix"
export BREVAND_E2E_TALLY="$work/tally"
: >"$BREVAND_E2E_TALLY"

finish() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

"$here/wine-prefix.sh" "$WINEPREFIX" "$build/wine-template"
# Keep one wineserver, and Wine's background processes, for the whole run
# instead of one per program start; they must not hold our output open.
wineserver -p >/dev/null 2>&1 </dev/null
"$wine" cmd /c exit >/dev/null 2>&1 </dev/null

cd "$build"
start=$(date +%s)
rc=0
ctest -L e2e --output-on-failure -O "$work/ctest.log" "$@" || rc=$?

# An entry that ended before reporting (a timeout) counts as one failed case.
set -- $(awk '{ p += $1; f += $2; n++ } END { print p + 0, f + 0, n + 0 }' "$BREVAND_E2E_TALLY")
passed=$1 failed=$2 reported=$3
entries=$(sed -n 's/.* tests\{0,1\} failed out of \([0-9]*\).*/\1/p' "$work/ctest.log" | tail -n 1)
[ "${entries:-0}" -gt "$reported" ] && failed=$((failed + entries - reported))
[ "$rc" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
echo "e2e $arch: $passed passed, $failed failed ($(($(date +%s) - start)) s)"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
