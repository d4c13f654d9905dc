#!/bin/sh
# Tells whether 32-bit Windows programs can run here: wine32.sh [LOADER]
#
# Exits 0 when the 32-bit Wine loader (default /usr/lib/wine/wine) starts;
# otherwise prints why not and exits 1.  The loader is itself a 32-bit Linux
# program, so starting it is the test: on a kernel without 32-bit support it
# fails as any 32-bit program would.
loader=${1:-/usr/lib/wine/wine}

if [ ! -x "$loader" ]; then
    echo "32-bit Wine is not installed ($loader is missing; scripts/setup.sh installs wine32:i386 as root)"
    exit 1
fi
rc=0
out=$("$loader" --version 2>&1 </dev/null) || rc=$?
[ "$rc" -eq 0 ] && exit 0
if [ "$rc" -gt 128 ]; then
    how="killed by signal $((rc - 128))"
else
    how="exit code $rc"
fi
echo "this machine cannot start 32-bit programs: '$loader --version' failed ($how)${out:+: $(echo "$out" | head -n 1)}"
exit 1
