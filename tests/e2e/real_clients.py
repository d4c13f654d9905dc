#!/usr/bin/env python3
"""Sends syslog datagrams from clients we did not write (util-linux logger, Python's
SysLogHandler) to brevand.exe running under Wine, and checks the lines in its log file.

Run by ctest through scripts/wine-test.sh, which provides WINEPREFIX, a display and
the port 514 lock.
"""
import argparse
import logging
import logging.handlers
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

LINE = re.compile(rb"^([A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d) 127\.0\.0\.1:(\d+) (<[^>]*>) (.*)\r\n$", re.S)
MONTHS = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()


def port_514_taken():
    """True when any UDP socket on this machine is bound to port 514."""
    for table in ("/proc/net/udp", "/proc/net/udp6"):
        try:
            with open(table) as f:
                next(f)
                for row in f:
                    local = row.split()[1]
                    if local.rsplit(":", 1)[1] == "0202":
                        return True
        except OSError:
            pass
    return False


def wait_until(done, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if done():
            return True
        time.sleep(0.05)
    return done()


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def stamp_is_local_now(stamp, before, after):
    """The log's "Mmm dd hh:mm:ss" lies between two local times (one second of slack)."""
    month, day, clock = stamp.split()
    hour, minute, second = (int(x) for x in clock.split(":"))
    for year in {before.tm_year, after.tm_year}:
        t = time.mktime((year, MONTHS.index(month) + 1, int(day), hour, minute, second, 0, 0, -1))
        if time.mktime(before) - 1 <= t <= time.mktime(after) + 1:
            return True
    return False


class Run:
    def __init__(self, log_path):
        self.log_path = log_path
        self.failures = []

    def check(self, name, send, label, text_pattern):
        """Sends with send() and checks that exactly one new line with this label
        and a message text matching text_pattern (bytes regex) was logged."""
        old = read(self.log_path)
        before = time.localtime()
        send()
        grew = wait_until(lambda: read(self.log_path).endswith(b"\r\n") and len(read(self.log_path)) > len(old), 5)
        time.sleep(0.2)
        after = time.localtime()
        added = read(self.log_path)[len(old):]
        problem = None
        match = LINE.match(added)
        if not grew:
            problem = "no line was logged"
        elif not match:
            problem = "not one well-formed line: %r" % added
        elif match.group(3).decode() != label:
            problem = "label %s, expected %s" % (match.group(3).decode(), label)
        elif not re.fullmatch(text_pattern, match.group(4), re.S):
            problem = "text %r does not match %r" % (match.group(4), text_pattern)
        elif not stamp_is_local_now(match.group(1).decode(), before, after):
            problem = "timestamp %s is not the local time %s" % (
                match.group(1).decode(), time.strftime("%b %d %H:%M:%S", after))
        if problem:
            self.failures.append("%s: %s" % (name, problem))
            print("FAIL  %s: %s" % (name, problem))
        else:
            print("ok    %s: %r" % (name, added))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", required=True, help="brevand.exe")
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--logger", default="logger")
    args = parser.parse_args()

    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        sys.exit("WINEPREFIX is not set (run through scripts/wine-test.sh)")
    if port_514_taken():
        sys.exit("UDP port 514 is already taken by another program")

    work = tempfile.mkdtemp(prefix="brevand-clients-")
    ini = os.path.join(prefix, "drive_c", "windows", "Brevand.ini")
    with open(ini, "wb") as f:
        f.write(b"[Brevand]\r\nFlushTime=0\r\n")
    log_path = os.path.join(work, "brevand.log")

    exe = subprocess.Popen([args.wine, os.path.abspath(args.exe)], cwd=work,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run = Run(log_path)
    try:
        # The About box stays up for 3 s before the listener opens.
        if not wait_until(lambda: exe.poll() is None and port_514_taken() and b"is opened" in read(log_path), 30):
            sys.exit("brevand.exe did not open port 514 (exit code %s)" % exe.poll())

        def logger_send(priority, tag, message):
            return lambda: subprocess.run(
                [args.logger, "-n", "127.0.0.1", "-P", "514", "-d", "--rfc3164",
                 "-p", priority, "-t", tag, message], check=True, timeout=10)

        rfc3164_head = rb"[A-Z][a-z]{2} [ \d]\d \d\d:\d\d:\d\d \S+ "
        run.check("logger local3.warning", logger_send("local3.warning", "e2etag", "hello from logger"),
                  "<Local3.Warning>", rfc3164_head + rb"e2etag: hello from logger")
        run.check("logger auth.crit", logger_send("auth.crit", "sshd[42]", "login failed for x"),
                  "<Auth.Crit>", rfc3164_head + rb"sshd\[42\]: login failed for x")

        def python_send(facility, level, message, ident=""):
            def send():
                handler = logging.handlers.SysLogHandler(address=("127.0.0.1", 514), facility=facility)
                handler.ident = ident
                log = logging.getLogger("brevand-e2e")
                log.propagate = False
                log.addHandler(handler)
                try:
                    log.log(level, message)
                finally:
                    log.removeHandler(handler)
                    handler.close()
            return send

        # SysLogHandler ends each datagram with a zero byte, which ends the text.
        run.check("SysLogHandler local7 error",
                  python_send(logging.handlers.SysLogHandler.LOG_LOCAL7, logging.ERROR, "python says hi"),
                  "<Local7.Err>", rb"python says hi")
        run.check("SysLogHandler user warning with ident",
                  python_send(logging.handlers.SysLogHandler.LOG_USER, logging.WARNING, "careful", "py: "),
                  "<User.Warning>", rb"py: careful")
    finally:
        if exe.poll() is None:
            exe.send_signal(signal.SIGTERM)
            try:
                exe.wait(10)
            except subprocess.TimeoutExpired:
                exe.kill()
                exe.wait(10)
        try:
            os.remove(ini)
        except OSError:
            pass
        shutil.rmtree(work, ignore_errors=True)

    if run.failures:
        print("%d of 4 client checks failed" % len(run.failures))
        sys.exit(1)
    print("all 4 client checks passed")


if __name__ == "__main__":
    main()
