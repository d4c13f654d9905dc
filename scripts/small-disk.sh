#!/bin/sh
# Runs a Wine command with a small disk of its own: small-disk.sh SIZE COMMAND...
#
# A tmpfs of SIZE, mounted in a private mount namespace, is named to the
# command in BREVAND_SMALL_DISK (a Linux path; Wine's Z: drive reaches it).
# Wine's server opens the files its programs ask for, so it must run inside
# the namespace too: the command gets a copy of WINEPREFIX, and with it a
# wineserver of its own.  Where no namespace can be made (not root, or a
# sandbox without them) the command runs as it is, with the reason in
# BREVAND_SMALL_DISK_WHY, and the cases that need the disk skip.
set -u

size=$1
shift
if [ -z "${BREVAND_SMALL_DISK_INSIDE:-}" ]; then
    if why=$(unshare -m true 2>&1) && [ "$(id -u)" -eq 0 ]; then
        BREVAND_SMALL_DISK_INSIDE=1 exec unshare -m --propagation private "$0" "$size" "$@"
    fi
    export BREVAND_SMALL_DISK_WHY="no private mount namespace here (needs root and unshare -m): ${why:-not root}"
    exec "$@"
fi

work=$(mktemp -d /tmp/brevand-disk.XXXXXX)
mkdir "$work/disk"
if ! mount -t tmpfs -o "size=$size" tmpfs "$work/disk"; then
    export BREVAND_SMALL_DISK_WHY="the tmpfs could not be mounted"
    rm -rf "$work"
    exec "$@"
fi
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX="$work/prefix" BREVAND_SMALL_DISK="$work/disk"
rc=0
"$@" || rc=$?
wineserver -k 2>/dev/null
umount "$work/disk"
rm -rf "$work"
exit $rc
