#!/bin/sh
# Runs the end-to-end tests of a MinGW x86_64 build folder under Wine: e2e.sh [BUILD_DIR] [ctest args...]
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

if [ -z "${BREVAND_E2E_DISPLAY_UP:-}" ]; then
    # A display of our own for the whole run; 24-bit so that nothing is
    # drawn through a palette.
    export BREVAND_E2E_DISPLAY_UP=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$@"
fi

export WINEDEBUG=-all
work=$(mktemp -d /tmp/brevand-e2e.XXXXXX)
export WINEPREFIX="$work/prefix"

finish() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT

"$here/wine-prefix.sh" "$WINEPREFIX" "$build/wine-template"
# Keep one wineserver, and Wine's background processes, for the whole run
# instead of one per program start; they must not hold our output open.
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null

cd "$build"
ctest -L e2e --output-on-failure "$@"
