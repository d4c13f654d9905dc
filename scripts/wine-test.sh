#!/bin/sh
# Runs one end-to-end test command under Wine, holding the UDP port 514 lock: wine-test.sh COMMAND...
#
# ctest calls this for every end-to-end entry.  scripts/e2e.sh sets up the
# prefix and display once for a whole run, and names in BREVAND_E2E_TALLY a
# file that gets one "passed failed" line per entry; when ctest runs an entry
# on its own this script makes a throw-away prefix and display itself.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

export WINEDEBUG=-all
# Not UTC, so that a time written in UTC shows.  A zoneinfo name also
# catches the C runtime's localtime under Wine: msvcrt reads TZ itself and
# takes America/New_York for UTC.
export TZ=${BREVAND_E2E_TZ:-America/New_York}

own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    own_prefix=$(mktemp -d /tmp/brevand-e2e.XXXXXX)
    "$here/wine-prefix.sh" "$own_prefix/prefix"
    export WINEPREFIX="$own_prefix/prefix"
fi

# Wine's own background processes (services, explorer) outlive the command
# and inherit its descriptors: give them a file rather than ctest's pipe,
# which ctest would otherwise wait on, and not the lock (-o).
out=$(mktemp /tmp/brevand-e2e-out.XXXXXX)
# Says how long another user of the port kept us waiting, then runs the command.
locked='waited=$(( $(date +%s) - $0 ))
[ "$waited" -gt 1 ] && echo "(waited ${waited} s for the port 514 lock)"
exec "$@"'
rc=0
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" flock -o /tmp/port514.lock sh -c "$locked" "$(date +%s)" "$@" \
        >"$out" 2>&1 </dev/null || rc=$?
else
    flock -o /tmp/port514.lock sh -c "$locked" "$(date +%s)" "$@" >"$out" 2>&1 </dev/null || rc=$?
fi
cat "$out"

# Cases for scripts/e2e.sh's count: GoogleTest's own summary, else this
# command as one case.  A filter that matches no case is a fault, not a pass.
passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$out" | tail -n 1)
failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$out" | tail -n 1)
if grep -q '^\[==========\] [0-9]* tests\{0,1\} from .* ran\.' "$out"; then
    passed=${passed:-0} failed=${failed:-0}
    if [ $((passed + failed)) -eq 0 ] && ! grep -q '^\[  SKIPPED \] [1-9]' "$out"; then
        echo "wine-test.sh: no test case matched; check the group's --gtest_filter"
        failed=1 rc=1
    fi
elif [ "$rc" -eq 0 ]; then
    passed=1 failed=0
else
    passed=0 failed=1
fi
[ "$rc" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
[ -n "${BREVAND_E2E_TALLY:-}" ] && echo "$passed $failed" >>"$BREVAND_E2E_TALLY"
rm -f "$out"

if [ -n "$own_prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$own_prefix"
fi
exit $rc
