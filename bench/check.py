#!/usr/bin/env python3
"""Checks a collector's log and archives: every numbered datagram from loadgen must appear exactly once.

Reads base.N .. base.000 (oldest first) and then the live file as one stream, since a rotation can
fall inside a line, and parses every CR LF line:

    Mmm dd hh:mm:ss a.b.c.d:port <Fac.Sev> message

The message is loadgen's datagram after its <PRI> (or the whole datagram with a "<none>" label); its
sequence number, priority label and CRC must all agree. Exit code 0 only when each number from
--first to --first+expected-1 is found exactly once and nothing is malformed.
"""

import argparse
import json
import os
import re
import sys
import zlib

FACILITIES = ["Kern", "User", "Mail", "Daemon", "Auth", "Syslog", "Lpr", "News",
              "Uucp", "Cron", "AuthPriv", "Ftp", "Ntp", "Res13", "Res14", "Res15",
              "Local0", "Local1", "Local2", "Local3", "Local4", "Local5", "Local6", "Local7"]
SEVERITIES = ["Emerg", "Alert", "Crit", "Err", "Warning", "Notice", "Info", "Debug"]
LABELS = [("<%s.%s>" % (FACILITIES[p >> 3], SEVERITIES[p & 7])).encode() for p in range(192)]

LINE = re.compile(
    rb"(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-3]\d [0-2]\d:[0-5]\d:[0-5]\d "
    rb"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}):(\d{1,5}) (<[A-Za-z0-9?]+\.[A-Za-z]+>|<none>) (.*)")
# loadgen's datagram body, after its <PRI>: ... seq=NNNNNNN run=TAG chk=XXXXXXXX
BODY = re.compile(rb"(.* seq=(\d{7}) run=([A-Za-z0-9_-]+)) chk=([0-9a-f]{8})")
NONE_PRI = re.compile(rb"<(\d{1,3})>")
BANNER = re.compile(rb"---- .* Windows BREVAND is opened ----")

SHOW_LIMIT = 5  # examples kept per kind of problem


def archive_name(base, number):
    return "%s.%03d" % (base, number)


def split_log_name(path):
    """base = the path without its extension, as the collector derives it (backslash or slash)."""
    cut = max(path.rfind("/"), path.rfind("\\"))
    dot = path.rfind(".")
    return path[:dot] if dot > cut else path


def read_stream(path, logs_num):
    """Oldest archive first, newest last, then the live file. Returns (bytes, list of files read)."""
    base = split_log_name(path)
    parts, files = [], []
    for number in range(logs_num, -1, -1):
        name = archive_name(base, number)
        if os.path.exists(name):
            with open(name, "rb") as f:
                parts.append(f.read())
            files.append(name)
    if os.path.exists(path):
        with open(path, "rb") as f:
            parts.append(f.read())
        files.append(path)
    return b"".join(parts), files


def check(path, logs_num, expected, first=1, run=None):
    data, files = read_stream(path, logs_num)
    counts = bytearray(expected)
    report = {
        "files": len(files), "bytes": len(data), "lines": 0, "found": 0, "missing": 0,
        "duplicated": 0, "malformed": 0, "out_of_range": 0, "foreign_run": 0,
        "banners": 0, "socket_errors": 0, "blank": 0, "out_of_order": 0, "incomplete_tail": 0,
        "examples": {},
    }
    beyond = archive_name(split_log_name(path), logs_num + 1)
    if os.path.exists(beyond):
        report["note"] = "%s exists: LogsNum given lower than the one used?" % beyond

    def example(kind, text):
        shown = report["examples"].setdefault(kind, [])
        if len(shown) < SHOW_LIMIT:
            shown.append(text[:160].decode("latin-1"))

    lines = data.split(b"\r\n")
    tail = lines.pop()  # text after the last CR LF: a line that never got its end
    if tail:
        report["incomplete_tail"] = 1
        example("incomplete_tail", tail)

    highest = -1
    for line in lines:
        report["lines"] += 1
        if not line:
            report["blank"] += 1  # socket error reports are wrapped in blank lines
            continue
        m = LINE.fullmatch(line)
        if not m:
            if BANNER.fullmatch(line):
                report["banners"] += 1
            elif line.startswith(b"SOCKET ERROR:"):
                report["socket_errors"] += 1
                example("socket_error", line)
            else:
                report["malformed"] += 1
                example("malformed", line)
            continue
        label, message = m.group(3), m.group(4)
        pri = None
        if label == b"<none>":
            head = NONE_PRI.match(message)
            if head:
                pri = int(head.group(1))
                message = message[head.end():]
        b = BODY.fullmatch(message)
        if not b or zlib.crc32(b.group(1)) != int(b.group(4), 16):
            report["malformed"] += 1
            example("malformed", line)
            continue
        seq = int(b.group(2))
        if run is not None and b.group(3) != run.encode():
            report["foreign_run"] += 1
            continue
        wanted = LABELS[seq % 192]
        if (label != b"<none>" and label != wanted) or (pri is not None and pri != seq % 192):
            report["malformed"] += 1
            example("wrong_label", line)
            continue
        index = seq - first
        if not 0 <= index < expected:
            report["out_of_range"] += 1
            example("out_of_range", line)
            continue
        if seq < highest:
            report["out_of_order"] += 1
        highest = max(highest, seq)
        if counts[index] < 255:
            counts[index] += 1

    report["found"] = expected - counts.count(0)
    report["missing"] = counts.count(0)
    report["duplicated"] = sum(1 for c in counts if c > 1)
    missing_examples = []
    start = 0
    while len(missing_examples) < SHOW_LIMIT:
        index = counts.find(0, start)
        if index < 0:
            break
        missing_examples.append(first + index)
        start = index + 1
    if missing_examples:
        report["examples"]["missing"] = missing_examples
    report["ok"] = (report["missing"] == 0 and report["duplicated"] == 0 and report["malformed"] == 0
                    and report["out_of_range"] == 0 and report["incomplete_tail"] == 0)
    return report


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("log", help="live log file (archives are derived from it)")
    parser.add_argument("logs_num", type=int, help="LogsNum: archives base.000 .. base.N are read")
    parser.add_argument("expected", type=int, help="how many numbered datagrams were sent")
    parser.add_argument("--first", type=int, default=1, help="first sequence number (default 1)")
    parser.add_argument("--run", help="only count datagrams of this run tag")
    parser.add_argument("--json", action="store_true", help="print the report as one JSON line")
    args = parser.parse_args()
    if args.expected < 0 or args.logs_num < 0 or args.logs_num > 100000:
        parser.error("bad counts")

    report = check(args.log, args.logs_num, args.expected, args.first, args.run)
    if args.json:
        print(json.dumps(report))
    else:
        print("check: %s files=%d lines=%d found=%d missing=%d duplicated=%d malformed=%d "
              "out_of_range=%d incomplete_tail=%d banners=%d socket_errors=%d out_of_order=%d%s" % (
                  "OK" if report["ok"] else "FAIL", report["files"], report["lines"], report["found"],
                  report["missing"], report["duplicated"], report["malformed"], report["out_of_range"],
                  report["incomplete_tail"], report["banners"], report["socket_errors"],
                  report["out_of_order"], " foreign_run=%d" % report["foreign_run"] if args.run else ""))
        for kind, shown in report["examples"].items():
            print("  %s: %s" % (kind, shown))
        if "note" in report:
            print("  note: " + report["note"])
    return 0 if report["ok"] else 1


if __name__ == "__main__":
    sys.exit(main())
