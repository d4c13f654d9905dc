#!/usr/bin/env bash
# Syslog clients we did not write (util-linux logger, Python's SysLogHandler) against the real exe:
# real_clients.sh WINE EXE.  Run through scripts/wine-test.sh, which brings the prefix, display and lock.
set -u
work=$(mktemp -d /tmp/brevand-clients.XXXXXX)
printf '[Brevand]\r\nFlushTime=0\r\n' >"$WINEPREFIX/drive_c/windows/Brevand.ini"
(cd "$work" && exec "$1" "$2") >/dev/null 2>&1 &
exe=$!
trap 'kill $exe 2>/dev/null; wait $exe; rm -rf "$work" "$WINEPREFIX/drive_c/windows/Brevand.ini"' EXIT
for _ in $(seq 150); do grep -q "is opened" "$work/brevand.log" 2>/dev/null && break; sleep 0.2; done

logger -n 127.0.0.1 -P 514 -d --rfc3164 -p local3.warning -t e2etag "hello from logger"
# SysLogHandler ends its datagram with a zero byte, which ends the text.
python3 -c 'import logging, logging.handlers as h; s = h.SysLogHandler(("127.0.0.1", 514), h.SysLogHandler.LOG_LOCAL7)
s.ident = "py: "; s.emit(logging.makeLogRecord({"msg": "python says hi", "levelno": 40, "levelname": "ERROR"}))'
head='[A-Z][a-z][a-z] [0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] 127\.0\.0\.1:[0-9]* '
tag='[A-Z][a-z][a-z] [ 0-9][0-9] [0-9:]* [^ ]*'
for line in "<Local3.Warning> $tag e2etag: hello from logger" "<Local7.Err> py: python says hi"; do
    for _ in $(seq 50); do grep -q "^$head$line"$'\r'"\$" "$work/brevand.log" && continue 2; sleep 0.2; done
    cat -v "$work/brevand.log"; echo "FAIL: no line $line"; exit 1
done
echo "both client lines logged"
