#!/usr/bin/env python3
"""Throughput bench driver: runs receivers under Wine, loads them with loadgen, checks their logs.

Sub-commands:
  prefix DIR      make a fresh Wine prefix in DIR (needs a display)
  trial ...       one receiver, one load, one check; prints a JSON line. Binds port 514:
                  callers run it under `flock /tmp/port514.lock`.
  suite ...       quick / full / long: runs trials (each under the lock), prints the table.
run.sh builds the tools, makes the prefix under Xvfb and calls `suite`.
"""

import argparse
import json
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True
import check  # noqa: E402

LOCK = "/tmp/port514.lock"
TICK = os.sysconf("SC_CLK_TCK")
LINE_BYTES = 170  # a collector line for one loadgen datagram, rounded up


def log(msg):
    print(msg, file=sys.stderr, flush=True)


# ---- /proc and ss readings --------------------------------------------------------------------

def cpu_ticks(pid):
    """utime + stime of one process, in clock ticks; None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError, ValueError):
        return None


def vm_kib(pid, key):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def comm(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def prefix_processes(prefix):
    """pid -> comm of every process whose environment names our Wine prefix."""
    wanted = b"WINEPREFIX=" + os.fsencode(prefix) + b"\0"
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                env = f.read()
        except OSError:
            continue
        if (b"\0" + env).find(b"\0" + wanted) >= 0:
            found[int(name)] = comm(int(name))
    return found


def display_server_pid():
    """The Xvfb serving $DISPLAY, when there is one we can tell apart."""
    display = os.environ.get("DISPLAY", "")
    if not display.startswith(":"):
        return None
    number = display[1:].split(".")[0]
    for name in os.listdir("/proc"):
        if not name.isdigit() or comm(int(name)) != "Xvfb":
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as f:
                args = f.read().split(b"\0")
        except OSError:
            continue
        if (":" + number).encode() in args:
            return int(name)
    return None


SKMEM = re.compile(r"skmem:\(r(\d+),rb(\d+),.*?d(\d+)\)")
USERS = re.compile(r'\("([^"]*)",pid=(\d+),fd=\d+\)')


def udp_socket(port):
    """The UDP socket bound to port: {pids, queued, rcvbuf, drops}, or None when the port is free."""
    out = subprocess.run(["ss", "-uanpm", "sport = :%d" % port], capture_output=True, text=True,
                         timeout=10).stdout
    lines = out.splitlines()[1:]
    if not lines:
        return None
    text = " ".join(lines)
    sock = {"pids": [int(p) for _, p in USERS.findall(text)], "queued": 0, "rcvbuf": 0, "drops": 0}
    m = SKMEM.search(text)
    if m:
        sock["queued"], sock["rcvbuf"], sock["drops"] = int(m.group(1)), int(m.group(2)), int(m.group(3))
    return sock


def log_files(path, logs_num):
    base = check.split_log_name(path)
    names = [path] + [check.archive_name(base, n) for n in range(logs_num + 1)]
    return [n for n in names if os.path.exists(n)]


def files_state(path, logs_num):
    state = []
    for name in log_files(path, logs_num):
        st = os.stat(name)
        state.append((name, st.st_size, st.st_mtime_ns))
    return state


# ---- one trial --------------------------------------------------------------------------------

def write_ini(prefix, settings):
    path = os.path.join(prefix, "drive_c", "windows", "Brevand.ini")
    with open(path, "w", newline="\r\n") as f:
        f.write("[Brevand]\n")
        for key, value in settings.items():
            f.write("%s=%s\n" % (key, value))
    return path


def brevand_settings(args, count):
    """Defaults, with LogSize raised when 3 archives + the live file would not hold the whole run."""
    settings = {"LogsNum": 2, "LogSize": 100000, "FlushTime": 3, "ScreenSize": args.screen_size}
    need = count * LINE_BYTES
    if args.logsnum:
        settings["LogsNum"] = args.logsnum
    if args.logsize:
        settings["LogSize"] = args.logsize
    elif need > settings["LogSize"] * (settings["LogsNum"] + 1):
        settings["LogSize"] = min(1 << 30, int(math.ceil(need / (settings["LogsNum"] + 1))))
    return settings


def wine_loader(exe):
    """The loader of the exe's own bitness: the generic one would start a 64-bit exe through a 32-bit
    start.exe, and the pid we watch would not be the receiver's."""
    with open(exe, "rb") as f:
        head = f.read(4096)
    pe = int.from_bytes(head[0x3c:0x40], "little")
    machine = int.from_bytes(head[pe + 4:pe + 6], "little")
    return "/usr/lib/wine/wine" if machine == 0x14c else "/usr/lib/wine/wine64"


def start_receiver(args, workdir, env):
    limit = str(int(args.seconds * 3 + args.drain + 120))
    if args.receiver == "brevand":
        settings = brevand_settings(args, args.count)
        write_ini(args.prefix, settings)
        cmd = [wine_loader(args.exe), args.exe]
        logfile, logs_num = os.path.join(workdir, "brevand.log"), settings["LogsNum"]
    elif args.receiver == "minimal":
        settings = {"rcvbuf": args.rcvbuf}
        cmd = [wine_loader(args.minimal), args.minimal, "--port", str(args.port), "--rcvbuf", str(args.rcvbuf),
               "--out", "minimal.log", "--seconds", limit]
        logfile, logs_num = os.path.join(workdir, "minimal.log"), 0
    else:
        settings = {"rcvbuf": args.rcvbuf}
        cmd = [args.native, "--port", str(args.port), "--rcvbuf", str(args.rcvbuf),
               "--out", "native.log", "--seconds", limit]
        logfile, logs_num = os.path.join(workdir, "native.log"), 0
    out = open(os.path.join(workdir, "receiver.out"), "wb")
    proc = subprocess.Popen(cmd, cwd=workdir, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=out)
    out.close()
    return proc, logfile, logs_num, settings


def wait_until_ready(proc, port, logfile, deadline):
    """Bound to the port by our process and its log file opened; the About box takes its 3 s first."""
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return "receiver exited with %s before binding" % proc.returncode
        sock = udp_socket(port)
        # Under Wine the socket is wineserver's until the program's first receive fetches its fd.
        ours = sock and any(p == proc.pid or comm(p).startswith("wineserver") for p in sock["pids"])
        if ours and os.path.exists(logfile):
            time.sleep(0.3)  # let start-up finish writing its banner
            return None
        time.sleep(0.05)
    return "receiver did not bind port %d in time" % port


def drain(port, logfile, logs_num, deadline):
    """Waits until the socket queue is empty and the log has not changed for 0.5 s. Returns seconds."""
    start = time.monotonic()
    last, quiet_since = None, None
    while time.monotonic() < deadline:
        sock = udp_socket(port)
        state = files_state(logfile, logs_num)
        now = time.monotonic()
        if sock and sock["queued"] == 0 and state == last:
            if quiet_since is None:
                quiet_since = now
            elif now - quiet_since >= 0.5:
                return quiet_since - start
        else:
            quiet_since = None
        last = state
        time.sleep(0.1)
    return None


def stop_receiver(proc, port):
    """Ends the process we started, by its pid, and waits for the port to be released."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=10)
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline and udp_socket(port):
        time.sleep(0.1)


def parse_loadgen(text):
    values = {}
    for key, value in re.findall(r"(\w+)=(\"[^\"]*\"|\S+)", text):
        try:
            values[key] = float(value) if "." in value else int(value)
        except ValueError:
            values[key] = value.strip('"')
    return values


class Sampler(threading.Thread):
    """Watches the socket queue during a trial (its peak) and, when asked, the memory of the receiver
    and of wineserver once a memory period."""

    def __init__(self, port, pids, memory_period, period=0.1):
        super().__init__(daemon=True)
        self.port, self.pids, self.period = port, pids, period
        self.memory_every = max(1, int(round(memory_period / period))) if memory_period else 0
        self.peak_queued = 0
        self.samples = []
        self.stop_event = threading.Event()

    def run(self):
        start, n = time.monotonic(), 0
        while not self.stop_event.wait(self.period):
            sock = udp_socket(self.port)
            if sock:
                self.peak_queued = max(self.peak_queued, sock["queued"])
            n += 1
            if self.memory_every and n % self.memory_every == 0:
                row = [round(time.monotonic() - start, 1)]
                row += [vm_kib(pid, "VmRSS") if pid else None for pid in self.pids]
                self.samples.append(row)


def run_trial(args):
    env = dict(os.environ, WINEDEBUG="-all")
    if args.prefix:
        env["WINEPREFIX"] = args.prefix
    result = {"receiver": args.receiver, "rate": args.rate, "count": args.count, "ok": False}
    if udp_socket(args.port):
        result["error"] = "port %d is already taken" % args.port
        return result
    workdir = tempfile.mkdtemp(prefix="trial.", dir=args.tmp)
    result["workdir"] = workdir
    proc, logfile, logs_num, settings = start_receiver(args, workdir, env)
    result["settings"] = settings
    try:
        error = wait_until_ready(proc, args.port, logfile, time.monotonic() + args.start_timeout)
        if error:
            result["error"] = error
            return result
        sock = udp_socket(args.port)
        result["rcvbuf"] = sock["rcvbuf"]
        servers = [p for p in sock["pids"] if comm(p).startswith("wineserver")]
        watched = {"exe": proc.pid, "wineserver": servers[0] if servers else None,
                   "display": display_server_pid()}
        wine = args.prefix and args.receiver != "native"
        others = [p for p in (prefix_processes(args.prefix) if wine else {}) if p not in watched.values()]
        before = {k: cpu_ticks(p) if p else None for k, p in watched.items()}
        before_other = sum(cpu_ticks(p) or 0 for p in others)
        sampler = Sampler(args.port, [proc.pid, watched["wineserver"]], args.sample_memory)
        sampler.start()

        # The last paced datagram is due just before --seconds: give the generator's own limit some slack.
        limit = args.seconds * 1.1 + 2
        cmd = [args.loadgen, "--port", str(args.port), "--count", str(args.count), "--rate", str(args.rate),
               "--seconds", "%.1f" % limit, "--run", args.run]
        started = time.monotonic()
        gen = subprocess.run(cmd, capture_output=True, text=True, timeout=limit + 30)
        sent_at = time.monotonic()
        result["loadgen"] = parse_loadgen(gen.stdout)
        if gen.returncode not in (0, 1) or "sent" not in result["loadgen"]:
            result["error"] = "loadgen failed: " + (gen.stderr or gen.stdout).strip()
            return result

        drained = drain(args.port, logfile, logs_num, sent_at + args.drain)
        result["drain_seconds"] = round(drained, 2) if drained is not None else None
        result["wall_seconds"] = round(time.monotonic() - started, 2)
        after = {k: cpu_ticks(p) if p else None for k, p in watched.items()}
        after_other = sum(cpu_ticks(p) or 0 for p in others)
        result["cpu_seconds"] = {k: (after[k] - before[k]) / TICK
                                 for k in watched if after[k] is not None and before[k] is not None}
        result["cpu_seconds"]["wine_other"] = (after_other - before_other) / TICK
        result["vm_hwm_kib"] = vm_kib(proc.pid, "VmHWM")
        result["vm_rss_kib"] = vm_kib(proc.pid, "VmRSS")
        if watched["wineserver"]:
            result["wineserver_rss_kib"] = vm_kib(watched["wineserver"], "VmRSS")
        sock = udp_socket(args.port)
        result["socket_drops"] = sock["drops"] if sock else None
        sampler.stop_event.set()
        sampler.join()
        result["peak_queued_kib"] = sampler.peak_queued // 1024
        if args.sample_memory:
            result["memory_samples"] = sampler.samples
    finally:
        stop_receiver(proc, args.port)

    sent = result["loadgen"]["sent"]
    report = check.check(logfile, logs_num, sent, first=1)
    result["check"] = {k: v for k, v in report.items() if k != "examples"}
    result["check_examples"] = report["examples"]
    result["received"] = report["found"]
    result["lost"] = sent - report["found"]
    result["ok"] = report["ok"] and result.get("drain_seconds") is not None
    if not args.keep:
        shutil.rmtree(workdir, ignore_errors=True)
        del result["workdir"]
    return result


# ---- suite ------------------------------------------------------------------------------------

def trial_under_lock(suite, receiver, rate, count, seconds, extra=()):
    """Runs one trial as its own process under the port 514 lock, so that the hold stays short."""
    cmd = ["flock", "-o", "-w", str(suite.lock_wait), LOCK, sys.executable, os.path.abspath(__file__), "trial",
           "--receiver", receiver, "--rate", str(rate), "--count", str(count), "--seconds", str(seconds),
           "--port", str(suite.port if receiver != "brevand" else 514),
           "--loadgen", suite.loadgen, "--minimal", suite.minimal or "", "--exe", suite.exe or "",
           "--native", suite.native or "", "--prefix", suite.prefix or "", "--tmp", suite.tmp,
           "--rcvbuf", str(suite.rcvbuf), "--drain", str(suite.drain), "--run", "r%d" % int(rate)]
    cmd += list(extra)
    if suite.keep:
        cmd.append("--keep")
    # Bounded: start-up, the load itself, the drain, the check, and the wait for the lock.
    limit = seconds + suite.drain + 300 + suite.lock_wait
    try:
        done = subprocess.run(cmd, capture_output=True, text=True, timeout=limit)
    except subprocess.TimeoutExpired:
        return {"ok": False, "error": "trial timed out", "rate": rate, "count": count}
    lines = [line for line in done.stdout.splitlines() if line.startswith("{")]
    if not lines:
        return {"ok": False, "error": "trial failed: " + done.stderr.strip()[-400:], "rate": rate}
    return json.loads(lines[-1])


def describe(r, verdict=None):
    lg = r.get("loadgen", {})
    cpu = r.get("cpu_seconds", {})
    return ("%-8s rate=%-7s sent=%-7s received=%-7s lost=%-6s drops=%-6s exe_cpu=%.2fs wineserver=%.2fs "
            "drain=%ss peak_queue=%sKiB%s" % (
                r.get("receiver", "?"), r.get("rate"), lg.get("sent"), r.get("received"), r.get("lost"),
                r.get("socket_drops"), cpu.get("exe") or 0, cpu.get("wineserver") or 0,
                r.get("drain_seconds"), r.get("peak_queued_kib"),
                "  " + verdict if verdict else "" if r.get("ok") else "  FAIL " + str(r.get("error", ""))))


def paced_ok(r, rate, criterion="sustained"):
    """A pass needs a clean check and a load generator that really kept the pace. "sustained" also
    needs the receiver to have kept up: a backlog still draining after 1 s means the socket buffer
    was hiding a shortfall that a longer run (or a smaller buffer) would turn into loss."""
    lg = r.get("loadgen", {})
    ok = bool(r.get("ok")) and lg.get("sent") == lg.get("count") and lg.get("rate", 0) >= 0.95 * rate
    if criterion == "sustained":
        ok = ok and (r.get("drain_seconds") or 0) <= 1.0
    return ok


def search_rate(suite, receiver, extra):
    """Doubles until a loss, then bisects until the bracket is within 10 %."""
    lo, hi, best = None, None, None
    rate = suite.start_rate
    for _ in range(suite.max_trials):
        r = trial_under_lock(suite, receiver, rate, int(rate * suite.trial_seconds), suite.trial_seconds, extra)
        passed = paced_ok(r, rate, suite.criterion)
        log("  paced   " + describe(r, "pass" if passed else "FAIL " + str(r.get("error", ""))))
        if "error" in r and r.get("loadgen") is None:
            return None, None, best, r.get("error")
        if passed:
            lo, best = rate, r
        else:
            hi = rate
        if lo and hi and hi <= lo * 1.10:
            break
        if hi is None:
            rate = rate * 2
            if rate > suite.max_rate:
                break
        elif lo is None:
            rate = rate // 2
            if rate < suite.min_rate:
                break
        else:
            rate = (lo + hi) // 2
    return lo, hi, best, None


def per_datagram_us(r, key):
    cpu = (r or {}).get("cpu_seconds", {}).get(key)
    n = (r or {}).get("received")
    return cpu * 1e6 / n if cpu is not None and n else None


def fmt(value, form="%.0f"):
    return "-" if value is None else form % value


def receivers_for(suite):
    rows = [("minimal (4 MiB)" if suite.rcvbuf else "minimal (default)", "minimal", [])]
    if suite.exe:
        rows.append(("brevand default", "brevand", ["--screen-size", "6000"]))
        rows.append(("brevand Screen 32000", "brevand", ["--screen-size", "32000"]))
    if suite.exe32:
        rows.append(("brevand i686 default", "brevand", ["--screen-size", "6000", "--exe", suite.exe32]))
    for n, exe in enumerate(suite.before):
        # An earlier build beside this one, in the same run: a change's cost on the same machine.
        rows.append(("brevand before %d" % (n + 1), "brevand", ["--screen-size", "6000", "--exe", exe]))
    if suite.native:
        rows.insert(0, ("native Linux", "native", []))
    return rows


def suite_full(suite):
    rows = []
    for label, receiver, extra in receivers_for(suite):
        log("== %s" % label)
        if suite.mode == "quick":
            paced = trial_under_lock(suite, receiver, suite.quick_rate, suite.quick_rate * 2, 2, extra)
            passed = paced_ok(paced, suite.quick_rate, suite.criterion)
            log("  paced   " + describe(paced, "pass" if passed else "FAIL " + str(paced.get("error", ""))))
            lo = suite.quick_rate if passed else None
            hi, best, error = None, paced, paced.get("error")
            burst_count = 2000
        else:
            lo, hi, best, error = search_rate(suite, receiver, extra)
            burst_count = suite.burst
        burst = trial_under_lock(suite, receiver, 0, burst_count, 10, extra)
        log("  burst   " + describe(burst))
        rows.append({"label": label, "lo": lo, "hi": hi, "best": best, "burst": burst, "error": error})

    print()
    head = "%-21s %9s %8s %7s %8s %11s %7s %8s %8s %8s %8s %7s"
    print(head % ("receiver", "zero-loss", "first", "drain", "peak", "burst", "burst", "exe", "wsrv",
                  "display", "other", "VmHWM"))
    print(head % ("", "rate/s", "fail/s", "s", "queue KiB", "received", "drain s", "us/dgram", "us/dgram",
                  "us/dgram", "us/dgram", "MiB"))
    for row in rows:
        best, burst = row["best"], row["burst"]
        hwm = max(filter(None, [(best or {}).get("vm_hwm_kib"), burst.get("vm_hwm_kib")]), default=None)
        print(head % (
            row["label"], fmt(row["lo"]), fmt(row["hi"]), fmt((best or {}).get("drain_seconds"), "%.2f"),
            fmt((best or {}).get("peak_queued_kib")),
            "%s/%s" % (burst.get("received", "-"), burst.get("loadgen", {}).get("sent", "-")),
            fmt(burst.get("drain_seconds"), "%.2f"),
            fmt(per_datagram_us(best, "exe"), "%.1f"), fmt(per_datagram_us(best, "wineserver"), "%.1f"),
            fmt(per_datagram_us(best, "display"), "%.1f"), fmt(per_datagram_us(best, "wine_other"), "%.1f"),
            fmt(hwm / 1024 if hwm else None, "%.1f")))
    print("(drain, peak queue and CPU per datagram from the highest passing paced run of %d s; criterion %s;"
          % (2 if suite.mode == "quick" else suite.trial_seconds, suite.criterion))
    print(" VmHWM of the receiver's process; display = Xvfb, other = the prefix's other Wine processes)")

    base = next((r for r in rows if r["label"].startswith("minimal")), None)
    for row in rows:
        if not row["label"].startswith("brevand") or not base:
            continue
        rate = row["lo"] / base["lo"] if row["lo"] and base["lo"] else None
        cpu_b, cpu_m = per_datagram_us(row["best"], "exe"), per_datagram_us(base["best"], "exe")
        both_b = [per_datagram_us(row["best"], k) for k in ("exe", "wineserver")]
        both_m = [per_datagram_us(base["best"], k) for k in ("exe", "wineserver")]
        both = sum(both_b) / sum(both_m) if None not in both_b + both_m and sum(both_m) else None
        if suite.mode == "quick":
            rate = None  # one fixed rate: nothing was searched
        print("ratio %-16s zero-loss rate x%s, exe CPU per datagram x%s, exe + wineserver x%s" % (
            row["label"] + "/minimal:", fmt(rate, "%.2f"),
            fmt(cpu_b / cpu_m if cpu_b and cpu_m else None, "%.2f"), fmt(both, "%.2f")))

    if suite.json_out:
        with open(suite.json_out, "w") as f:
            json.dump(rows, f, indent=1)
    failed = [row["label"] for row in rows if row["lo"] is None]
    if failed:
        print("no lossless paced run for: " + ", ".join(failed))
    return 1 if failed else 0


def suite_long(suite):
    receiver = suite.long_receiver
    extra = ["--sample-memory", "1"]
    if receiver == "brevand":
        extra += ["--screen-size", str(suite.long_screen_size), "--logsize", "1000000", "--logsnum", "1000"]
    seconds = suite.long_count / suite.long_rate * 1.2 + 30
    log("== long run: %s, %d datagrams at %d/s" % (receiver, suite.long_count, suite.long_rate))
    r = trial_under_lock(suite, receiver, suite.long_rate, suite.long_count, seconds, extra)
    log("  " + describe(r))
    samples = r.get("memory_samples") or []
    print("long run: %s rate=%s sent=%s received=%s lost=%s duplicated=%s malformed=%s files=%s "
          "exe_cpu_us/dgram=%s" % (
              receiver, suite.long_rate, r.get("loadgen", {}).get("sent"), r.get("received"), r.get("lost"),
              r.get("check", {}).get("duplicated"), r.get("check", {}).get("malformed"),
              r.get("check", {}).get("files"), fmt(per_datagram_us(r, "exe"), "%.1f")))
    if samples:
        rss = [s[1] for s in samples if s[1]]
        quarter = max(1, len(rss) // 4)
        early = sum(rss[quarter:2 * quarter]) / len(rss[quarter:2 * quarter] or [1])
        late = sum(rss[-quarter:]) / quarter
        step = max(1, len(samples) // 12)
        print("memory, seconds:VmRSS KiB of the receiver/wineserver: %s" % (
            " ".join("%s:%s/%s" % (s[0], s[1], s[2]) for s in samples[::step] + samples[-1:])))
        print("memory: min=%d max=%d second-quarter mean=%.0f last-quarter mean=%.0f growth=%.0f KiB -> %s" % (
            min(rss), max(rss), early, late, late - early, "flat" if late - early < 1024 else "GROWING"))
    if suite.json_out:
        with open(suite.json_out, "w") as f:
            json.dump(r, f, indent=1)
    if not r.get("ok"):
        print("long run FAILED: %s %s" % (r.get("error", ""), r.get("check_examples", "")))
    return 0 if r.get("ok") else 1


# ---- prefix -----------------------------------------------------------------------------------

def make_prefix(prefix):
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    quiet = {"env": env, "stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    # The same prefix as the end-to-end tests': theme off, no window manager.
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "wine-prefix.sh")
    subprocess.run([script, prefix], timeout=420, check=True, **quiet)
    # Keep one wineserver for the whole bench, so that every trial measures the same one.
    subprocess.run(["wineserver", "-p"], timeout=60, **quiet)
    return 0


def main():
    parser = argparse.ArgumentParser(description="throughput bench driver")
    sub = parser.add_subparsers(dest="command", required=True)

    p = sub.add_parser("prefix")
    p.add_argument("dir")

    t = sub.add_parser("trial")
    t.add_argument("--receiver", choices=["minimal", "brevand", "native"], required=True)
    t.add_argument("--rate", type=int, default=0)
    t.add_argument("--count", type=int, required=True)
    t.add_argument("--seconds", type=float, default=10)
    t.add_argument("--port", type=int, default=514)
    t.add_argument("--loadgen", required=True)
    t.add_argument("--minimal", default="")
    t.add_argument("--exe", default="")
    t.add_argument("--native", default="")
    t.add_argument("--prefix", default="")
    t.add_argument("--tmp", default=tempfile.gettempdir())
    t.add_argument("--rcvbuf", type=int, default=4 << 20)
    t.add_argument("--screen-size", type=int, default=6000)
    t.add_argument("--logsize", type=int, default=0)
    t.add_argument("--logsnum", type=int, default=0)
    t.add_argument("--drain", type=float, default=60)
    t.add_argument("--start-timeout", type=float, default=60)
    t.add_argument("--sample-memory", type=float, default=0)
    t.add_argument("--run", default="bench")
    t.add_argument("--keep", action="store_true")

    s = sub.add_parser("suite")
    s.add_argument("--mode", choices=["quick", "full", "long"], default="full")
    s.add_argument("--loadgen", required=True)
    s.add_argument("--minimal", required=True)
    s.add_argument("--exe", default="")
    s.add_argument("--exe32", default="", help="the i686 brevand.exe, measured beside the x86_64 one")
    s.add_argument("--before", action="append", default=[], help="an earlier brevand.exe, measured beside")
    s.add_argument("--native", default="")
    s.add_argument("--prefix", required=True)
    s.add_argument("--tmp", required=True)
    s.add_argument("--port", type=int, default=514, help="port for the minimal and native receivers")
    s.add_argument("--rcvbuf", type=int, default=4 << 20)
    s.add_argument("--drain", type=float, default=60)
    s.add_argument("--trial-seconds", type=int, default=10)
    s.add_argument("--start-rate", type=int, default=2000)
    s.add_argument("--min-rate", type=int, default=100)
    s.add_argument("--max-rate", type=int, default=200000)
    s.add_argument("--max-trials", type=int, default=12)
    s.add_argument("--burst", type=int, default=10000)
    s.add_argument("--quick-rate", type=int, default=500)
    s.add_argument("--long-rate", type=int, default=5000)
    s.add_argument("--long-count", type=int, default=1000000)
    s.add_argument("--long-receiver", choices=["minimal", "brevand", "native"], default="brevand")
    s.add_argument("--long-screen-size", type=int, default=6000)
    s.add_argument("--lock-wait", type=int, default=600, help="longest wait for the port 514 lock")
    s.add_argument("--criterion", choices=["sustained", "lossless"], default="sustained",
                   help="lossless: no datagram lost in the trial; sustained: also no backlog left after 1 s")
    s.add_argument("--json-out", default="")
    s.add_argument("--keep", action="store_true")

    args = parser.parse_args()
    if args.command == "prefix":
        return make_prefix(args.dir)
    if args.command == "trial":
        print(json.dumps(run_trial(args)), flush=True)
        return 0
    if not os.path.isdir(args.prefix):
        log("== making a Wine prefix in %s" % args.prefix)
        make_prefix(args.prefix)
    try:
        return suite_long(args) if args.mode == "long" else suite_full(args)
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=args.prefix), timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    sys.exit(main())
