#!/usr/bin/env python3
"""Proves the test suites: injects each deliberate fault below into a copy of the tree, runs the suite
that owns the behaviour, and reports any fault that no test catches.

    scripts/faults.py [--only WORD] [--suite unit|e2e|fuzz]    (needs what scripts/test.sh needs; about 10 minutes)

The fuzz suite runs the fault schedules, both waiting bounds, from their CI corpus for as long as CI gives them.
"""
import argparse, os, re, shutil, subprocess, sys, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (suite, file, text, fault): the text is replaced once by the fault.
FAULTS = [
    ("unit", "reception/priority.cpp", "code > 23", "code > 24"),
    ("unit", "reception/priority.cpp", "(uint32_t)value & 7", "value % 8"),
    ("unit", "reception/priority.cpp", "magnitude > INT32_MAX ? INT32_MAX", "magnitude > INT32_MAX ? 0"),
    ("unit", "reception/priority.cpp", "*consumed = (int32_t)(p + 1 - text);", "*consumed = (int32_t)(p - text);"),
    ("unit", "reception/priority.cpp", "while (IsScanSpace(*p))", "while (0)"),
    ("unit", "reception/peer_address.cpp", ":%u \"", ":%u\""),
    ("unit", "reception/datagram.cpp", '" %s\\r\\n", LastDatagram.Data', '"%s\\r\\n", LastDatagram.Data'),
    ("unit", "reception/datagram.cpp", "LastDatagram.Data[got] = '\\0';", ""),
    ("unit", "reception/listener.cpp", "if (error != 0) {", "if (0) {"),
    ("unit", "reception/listener.cpp", "MessageCount++;", ""),
    ("unit", "reception/socket_error.cpp", "for (int i = 0; i < 3; i++)", "for (int i = 0; i < 2; i++)"),
    ("unit", "logout/log_print.cpp", "return size > Settings.LogSize &&", "return size >= Settings.LogSize &&"),
    ("unit", "logout/log_print.cpp", "            if (RotationDue(LogFileState.Size + (int64_t)used))\n                break;\n", ""),
    ("unit", "logout/log_print.cpp", "                    used = len;\n", "                    used = len < sizeof run ? len : sizeof run;\n"),
    ("unit", "logout/log_file.cpp", "        ArchiveName(0, to);\n",
     "        ArchiveName(0, to);\n        PlatDeleteFile(to);\n"),
    ("unit", "logout/log_file.cpp", "if (!PlatFileMovable(Settings.LogName))", "if (0)"),
    ("unit", "logout/log_file.cpp", "for (int i = Settings.LogsNum; i >= 1; i--) {",
     "for (int i = Settings.LogsNum - 1; i >= 1; i--) {"),
    ("unit", "logout/log_file.cpp", "if (size < Settings.LogSize)\n            return;",
     "if (size <= Settings.LogSize)\n            return;"),
    ("unit", "logout/log_file.cpp", "LogFileState.RetrySize = size + Settings.LogSize;",
     "LogFileState.RetrySize = 0;"),
    ("unit", "logout/log_file.cpp", "if (dot != NULL && (slash == NULL || dot > slash) &&", "if (dot != NULL &&"),
    ("unit", "logout/log_file.cpp", '"%s.%03d"', '"%s.%02d"'),
    ("unit", "logout/timestamp.cpp", "PlatLocalTime(&local);", "time_t t = time(NULL); gmtime_r(&t, &local);"),
    ("unit", "view/screen_buffer.cpp", "size_t cut = add + 200;", "size_t cut = add + 100;"),
    ("unit", "view/screen_buffer.cpp", "size_t keep = lf != NULL ? (size_t)(lf - text) : cut;",
     "size_t keep = lf != NULL ? (size_t)(lf - text) + 1 : cut;"),
    ("unit", "view/screen_buffer.cpp", "(const char*)memchr(text + cut, '\\n', have - cut)", "NULL"),
    ("unit", "view/log_view.cpp", "if (max0 > pos0 + page0 && page0 <= max0)", "if (max0 > pos0 + page0 + 1)"),
    ("unit", "view/log_view.cpp", "    if (ScreenBuffer.Paused)\n        return;\n", ""),
    ("unit", "view/refresh_schedule.cpp", "REFRESH_MAX_GAP_MS ? REFRESH_NOW", "REFRESH_MAX_GAP_MS * 10 ? REFRESH_NOW"),
    ("unit", "view/refresh_schedule.cpp", "now - schedule->LastChange >= REFRESH_QUIET_MS ||", ""),
    ("unit", "view/log_view.cpp", "        if (PlatStartViewTimer(REFRESH_QUIET_MS))\n            break;\n",
     "        PlatStartViewTimer(REFRESH_QUIET_MS);\n        break;\n"),
    ("unit", "view/log_view.cpp", "    if (ScreenBuffer.Paused) {\n        // The first", "    if (0) {\n        // The first"),
    ("unit", "view/screen_buffer.cpp", "            memmove(text, text + keep, have);\n", ""),
    ("unit", "view/screen_buffer.cpp", "    ScreenBuffer.Length = (int)(have + add);", ""),
    ("unit", "logout/log_print.cpp", "size >= LogFileState.RetrySize", "size > LogFileState.RetrySize"),
    ("unit", "config/settings_file.cpp", '        WriteValue("ScreenFont", value);\n', ""),
    ("unit", "config/settings_file.cpp", "    Settings.LogSize = ClampSetting(Settings.LogSize, LOGSIZE_MIN, LOGSIZE_MAX);\n", ""),
    ("unit", "config/settings_file.cpp", "    if (Settings.FontHandle != NULL) {", "    if (1) {"),
    ("unit", "config/settings_file.cpp", "    if (SaveFailed) {", "    if (0) {"),
    ("unit", "config/settings_file.cpp", "sizeof f.FaceName - 1", "sizeof f.FaceName"),
    ("unit", "config/settings_file.cpp", "if (old != NULL)\n        PlatDeleteFont(old);", ""),
    ("unit", "config/settings.cpp", "if (len == 0 || dir[len - 1] != '\\\\')", "if (1)"),
    ("unit", "config/option_checks.cpp", "} else if (*flushTime > FLUSHTIME_MAX) {", "} else if (*flushTime > 31) {"),
    ("unit", "app/info_text.cpp", "i < 64 &&", "i < (int)LastDatagram.Length &&"),
    # The log file that cannot be written.
    ("unit", "logout/log_print.cpp", "        if (!PlatWrite(LogFileState.Handle, data, used)) {",
     "        PlatWrite(LogFileState.Handle, data, used);\n        if (0) {"),
    ("unit", "logout/log_print.cpp", "if (!PlatTruncate(LogFileState.Handle, LogFileState.Size)) {", "if (0) {"),
    ("unit", "logout/log_file.cpp", "if (u.Bytes > 0 && strcmp(u.Path, Settings.LogName) == 0 && !CutBack",
     "if (0 && strcmp(u.Path, Settings.LogName) == 0 && !CutBack"),
    ("unit", "logout/log_recovery.cpp", "    if (!LogFileState.Failing)\n        return;\n    uint32_t now", "    return;\n    uint32_t now"),
    ("unit", "logout/log_recovery.cpp", "if (after > 0 && now - LogFileState.LastAttempt < after + LogFileState.Backoff)",
     "if (0)"),
    ("unit", "logout/log_recovery.cpp", "RetryLogFile(LOG_RETRY_MS - LOG_RETRY_SLACK_MS);", "RetryLogFile(0);"),
    ("unit", "logout/log_recovery.cpp", "    if (LogFileState.Handle != PLAT_NO_FILE)\n        EndFailure();", "    EndFailure();"),
    ("unit", "logout/log_recovery.cpp", "    LogFileState.BoxDue = 0;  // a failure that began meanwhile has its line\n", ""),
    ("unit", "logout/log_recovery.cpp", "            LogFileState.WaitingLines--;\n", ""),
    ("unit", "logout/log_recovery.cpp", "    RetryLogFile(0);\n    int64_t unwritten = 0;", "    int64_t unwritten = 0;"),
    ("unit", "logout/log_file.cpp", "&& !PlatTruncate(file, u->Size))", "&& !PlatTruncate(file, u->Size) && 0)"),
    ("unit", "logout/log_file.cpp", "len > 0 && (base[len - 1] == ' ' ||", "len > 0 && ("),
    ("unit", "logout/log_recovery.cpp", "        return;  // the same failure goes on", "        ;"),
    ("unit", "logout/log_recovery.cpp", "LogFileState.WaitingUsed + need > LOG_WAITING_SIZE", "LogFileState.WaitingUsed + need > 2 * LOG_WAITING_SIZE"),
    ("unit", "logout/log_recovery.cpp", "LogFileState.Waiting == NULL || LogFileState.Lost > 0 ||", "LogFileState.Waiting == NULL ||"),
    ("unit", "logout/log_recovery.cpp", "    if (LogFileState.Lost > 0) {\n        // In its place", "    if (0) {\n        // In its place"),
    ("unit", "logout/log_recovery.cpp", "    if (text[0] != '\\0')\n        PlatMessageBox", "    if (0)\n        PlatMessageBox"),
    # A torn line under any name: a cut forgotten at a name change, a line written and counted, a tail under the new
    # name, a cut lost when its file moves up, a head put in the wrong file, a waiting line that restarts a begun one.
    ("fuzz", "logout/log_file.cpp", "            CutBack(file, &u);\n", "            u.Bytes = 0;\n"),
    ("fuzz", "logout/log_recovery.cpp", "    PayCuts(NULL, 1);\n", ""),
    ("fuzz", "logout/log_file.cpp", "        if (LogFileState.Resume > 0)\n            OweCut(&LogFileState.Head);\n"
     "        LogFileState.Head.Bytes = 0;\n        LogFileState.Resume = 0;\n", ""),
    ("fuzz", "logout/log_file.cpp", "                snprintf(u.Path, sizeof u.Path, \"%s\", to);", "                u.Bytes = 0;"),
    ("fuzz", "logout/log_print.cpp", "        if (moved)\n", "        if (0)\n"),
    ("unit", "logout/log_recovery.cpp", "    if (first)\n        LogFileState.Resume = head;", "    LogFileState.Resume = first ? head : 0;"),
    ("unit", "logout/log_print.cpp", "    if (LogFileState.Failing)\n        KeepWaiting(",
     "    if (LogFileState.ReportDue)\n        ReportLogFailure();\n    if (LogFileState.Failing)\n        KeepWaiting("),
    ("unit", "logout/log_file.cpp", "PlatTickCount() - LogFileState.LastFlush >= due", "0"),
    ("unit", "logout/log_file.cpp", "timer ? FLUSH_SLACK_MS :", "timer ? (uint32_t)Settings.FlushTime * 1000 - FLUSH_SLACK_MS :"),
    ("unit", "logout/log_file.cpp", " && ArchiveNumber(dot + 1) < 0)", ")"),
    ("unit", "app/info_text.cpp", "    if (!LogFileState.Failing) {", "    if (1) {"),
    # After review: the span of what a flush lost, its word at exit, other names' cuts at a rotation.
    ("unit", "logout/log_file.cpp", "    if (LogFileState.UnsavedTo[0] == '\\0')\n        FormatLocalTime", "    if (1)\n        FormatLocalTime"),
    ("unit", "logout/log_recovery.cpp", "    } else if (LogFileState.UnsavedTo[0] != '\\0' && used < size) {", "    } else if (0) {"),
    ("unit", "logout/log_file.cpp", "        if (!others && !OfThisLog(u.Path))\n            continue;\n", ""),
    # Reception on a real Windows desktop, and the end of the session.
    ("unit", "reception/listener.cpp", "        ReceiveDatagram();\n        return false;", "        return false;"),
    ("unit", "reception/listener.cpp", "        PlatSocketExclusive();\n", ""),
    ("unit", "reception/listener.cpp", "    if (ReceptionStopped)\n        return false;\n", ""),
    ("unit", "reception/datagram.cpp", "if (error != PLAT_WSAEWOULDBLOCK)", "if (1)"),
    ("unit", "logout/log_recovery.cpp", "    RetryLogFile(0);\n    int failing", "    int failing"),
    ("unit", "logout/log_recovery.cpp", "    if (!failing)\n        FlushLogFile();", "    if (!failing)\n        ;"),
    ("e2e", "app/main_window.cpp", "    case WM_ENDSESSION:\n        OnEndSession(wParam);\n", ""),
    ("e2e", "app/main_window.cpp", "    StopReceiving();\n    CloseLogFileAtSessionEnd();", "    CloseLogFileAtSessionEnd();"),
    # Flushes and closes that fail, slow attempts, a device for a name, a rotation that cannot move the live file.
    ("unit", "logout/log_file.cpp", "    if (PlatFlush(LogFileState.Handle)) {", "    if (PlatFlush(LogFileState.Handle) || 1) {"),
    ("unit", "logout/log_file.cpp", "    LogFileUnsaved(PlatLastError());\n    ReportLogFailure();", "    LogFileUnsaved(PlatLastError());"),
    ("unit", "logout/log_file.cpp", "    if (!PlatClose(file)) {", "    if (!PlatClose(file) && 0) {"),
    ("unit", "logout/log_recovery.cpp", "        if (!PlatClose(LogFileState.Handle))\n", "        if (!PlatClose(LogFileState.Handle) && 0)\n"),
    ("unit", "logout/log_recovery.cpp", "file != PLAT_NO_FILE && !PlatClose(file)", "file != PLAT_NO_FILE && !PlatClose(file) && 0"),
    ("unit", "logout/log_recovery.cpp", "LogFileState.Resume > 0 || !WriteUnsavedRecord()", "LogFileState.Resume > 0"),
    ("unit", "logout/log_recovery.cpp", "    if (LogFileState.Resume > 0)\n        WriteWaiting(1);\n", ""),
    ("unit", "logout/log_recovery.cpp", "LogFileState.Backoff = wait > LOG_RETRY_MS ? wait - LOG_RETRY_MS : 0;", "LogFileState.Backoff = 0;"),
    ("unit", "logout/log_recovery.cpp", "took < LOG_RETRY_LONGEST_MS / 10 ?", "1 ?"),
    ("unit", "logout/log_recovery.cpp", "    LogFileState.Backoff = 0;\n", ""),
    ("unit", "logout/log_recovery.cpp", "LOG_OPEN_FAILED && LogFileState.Error == PLAT_ERROR_NOT_DISK_FILE", "0"),
    ("e2e", "app/info_text.cpp", "if (LogFileState.Error != PLAT_ERROR_NOT_DISK_FILE)", "if (1)"),
    ("unit", "logout/log_file.cpp", "    if (!moved && size > 0)\n        ReportStall(&stuck);\n", ""),
    ("unit", "logout/log_file.cpp", "&& !MoveArchive(to, NULL))\n            StepFailed(&stuck, to);", ")\n            MoveArchive(to, NULL);"),
    ("e2e", "platform/windows/files.cpp", "if (GetFileType(file) != FILE_TYPE_DISK) {", "if (0) {"),
    ("e2e", "app/main_window.cpp", "    case LOG_RETRY_TIMER_ID:\n        OnLogRetryTimer();\n        UpdateStatusBar();\n        break;\n", ""),
    ("e2e", "app/win_main.cpp", "if (LOWORD(wParam) == IDOK) {", "if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {"),
    ("e2e", "app/win_main.cpp", "#define SPLASH_MS 3000", "#define SPLASH_MS 500"),
    ("e2e", "app/win_main.cpp", "    if (!StartReceiving())\n        return 0;\n    ShowDueBoxes();\n",
     "    ShowDueBoxes();\n    if (!StartReceiving())\n        return 0;\n"),
    ("e2e", "app/win_main.cpp", "    if (!AllocScreenOrSay(Settings.ScreenSize))\n        return 0;\n    // With",
     "    SplitLogName();\n    if (!AllocScreenOrSay(Settings.ScreenSize))\n        return 0;\n    // With"),
    ("e2e", "app/main_window.cpp", "if (OnSocketNotify((long)event))", "OnSocketNotify((long)event);\n    if (1)"),
    ("e2e", "app/main_window.cpp", "MoveWindow(LogView, 0, 0, width, height - StatusBarHeight, TRUE);",
     "MoveWindow(LogView, 0, 0, width, height, TRUE);"),
    ("e2e", "app/menu_commands.cpp", "ScreenBuffer.Paused = 1;", "ScreenBuffer.Paused = 0;"),
    ("e2e", "app/menu_commands.cpp", "    ClearScreenBuffer();\n    LogPrint", "    LogPrint"),
    ("e2e", "config/options_dialog.cpp", "        SplitLogName();\n        UpdateStatusBar();", "        UpdateStatusBar();"),
    ("e2e", "config/options_dialog.cpp", "    if (screenSize != Settings.ScreenSize) {", "    if (1) {"),
    ("e2e", "config/options_dialog.cpp", "        if (save)\n            PostMessageA(MainWindow, WM_COMMAND, IDM_SAVE, 0);\n", ""),
    # One routine for every box: the log path only makes its box due; commands wait behind a box.
    ("unit", "logout/log_print.cpp", "        ReportLogFailure();\n}", "        ReportLogFailure();\n    ShowLogFailureBox();\n}"),
    ("unit", "logout/log_recovery.cpp", "    LogFileState.BoxDue = kind;\n", ""),
    ("unit", "view/log_view.cpp", "    if (ScreenBuffer.Text == NULL)\n        return;\n    AppendToScreen", "    AppendToScreen"),
    ("unit", "app/held_commands.cpp", "    case IDM_EXIT:\n    case HELD_CLOSE:\n", "    case HELD_CLOSE:\n"),
    ("unit", "app/held_commands.cpp", "        return COMMAND_REFUSED;", "        return COMMAND_RUNS;"),
    ("unit", "app/held_commands.cpp", "    if (HeldSave) {", "    if (HeldSave && HeldQuit == 0) {"),
    ("unit", "logout/error_text.cpp", 'strcspn(out, "\\r\\n")', "strlen(out)"),
    ("unit", "platform/posix/files.cpp", "strncasecmp(entry->d_name, prefix.c_str(), prefix.size())",
     "strncmp(entry->d_name, prefix.c_str(), prefix.size())"),
    ("unit", "platform/posix/profile.cpp", " || value.empty())", ")"),
    ("unit", "platform/posix/profile.cpp", "        p += 2;\n", ""),
    ("e2e", "platform/windows/modal.cpp", "    BoxesUp++;\n", ""),
    ("e2e", "app/main_window.cpp", "    if (CommandBehindBox(HELD_CLOSE, BoxesUp) != COMMAND_RUNS)\n        return;\n", ""),
    ("e2e", "app/main_window.cpp", "    ShowDueBoxes();\n    return 0;\n}", "    return 0;\n}"),
    ("e2e", "app/main_window.cpp", "    for (int id; BoxesUp == 0 && (id = TakeHeldCommand()) != 0;) {",
     "    for (int id; BoxesUp == 0 && (id = 0) != 0;) {"),
    ("e2e", "app/menu_commands.cpp", "    case COMMAND_REFUSED:\n        RefuseBehindBox();\n        return;\n", ""),
    ("e2e", "config/options_dialog.cpp", "        if (BoxesUp > DialogLevel)\n            RefuseBehindBox();\n        else if",
     "        if (0)\n            RefuseBehindBox();\n        else if"),
]


FUZZ_CONFIGURE = ["cmake", "-S", ".", "-B", "build/fuzz", "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_C_COMPILER=clang",
                  "-DCMAKE_CXX_COMPILER=clang++", "-DBREVAND_FUZZ=ON", "-DBREVAND_TESTS=OFF",
                  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"]
FUZZ_RUN = """for t in fuzz_schedule_small_wait fuzz_schedule; do
    d=$(mktemp -d) && cp tests/fuzz/corpus/schedule/* "$d" &&
    build/fuzz/tests/fuzz/$t -max_total_time=15 -artifact_prefix="$d/" "$d" 2>&1 | grep -m1 -e "promise broken" -e "ERROR:" && exit 1
    rm -rf "$d"
done; exit 0"""


def run(cmd, cwd, log):
    return subprocess.run(cmd, cwd=cwd, stdout=log, stderr=subprocess.STDOUT, timeout=900).returncode


def failed_tests(cmd, cwd, log):
    """Runs a suite; the names of its failed cases (GoogleTest's, or ctest's entries), "" when it passed."""
    result = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=900)
    out = result.stdout.decode(errors="replace")
    log.write(out)
    if result.returncode == 0:
        return ""
    names = re.findall(r"^\[  FAILED  \] (\S+\.\S+)(?: \(| *$)", out, re.M)
    names += [m for m in re.findall(r"Test +#\d+: (\S+) .*(?:Failed|Timeout)", out) if m == "e2e.real_clients"]
    names += ["the schedules: " + m.replace(" ", "_") for m in re.findall(r"^promise broken: ([^:]+)", out, re.M)]
    if not names:  # a sanitizer or a crash ended the run inside its last case
        running = re.findall(r"^\[ RUN      \] (\S+)", out, re.M)
        stopped = re.search(r"ERROR: (\w+Sanitizer)|runtime error", out)
        names = ["%s stopped in %s" % (stopped.group(1) or "UBSan" if stopped else "a crash",
                                       running[-1] if running else "start-up")]
    return " ".join(sorted(set(names)))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--only", default="", help="only the faults whose file or text contains this")
    parser.add_argument("--suite", choices=["unit", "e2e", "fuzz"], help="only the faults of this suite")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="brevand-faults-")
    src = os.path.join(work, "src")
    shutil.copytree(ROOT, src, ignore=shutil.ignore_patterns("build", ".git"))
    log = open(os.path.join(work, "log.txt"), "w")
    suites = {
        "unit": (["cmake", "--build", "build/host", "-j2"],
                 ["flock", "/tmp/port514.lock", "build/host/tests/unit/unit_tests"]),
        "e2e": (["cmake", "--build", "--preset", "mingw64", "-j2"], ["scripts/e2e.sh", "build/mingw64"]),
        "fuzz": (["cmake", "--build", "build/fuzz", "-j2"], ["sh", "-c", FUZZ_RUN]),
    }
    chosen = [f for f in FAULTS if args.only in f[1] + f[2] and args.suite in (None, f[0])]
    if run(["cmake", "--preset", "host"], src, log) or run(["cmake", "--preset", "mingw64"], src, log) or (
            any(f[0] == "fuzz" for f in chosen) and run(FUZZ_CONFIGURE, src, log)):
        sys.exit("faults.py: cannot configure the copy; see " + log.name)
    survivors = []
    for n, (suite, path, text, fault) in enumerate(chosen, 1):
        full = os.path.join(src, path)
        original = open(full).read()
        if original.count(text) != 1:
            survivors.append("%s: the text to break is not there once: %r" % (path, text))
            print("%2d/%d STALE   %-5s %s" % (n, len(chosen), suite, survivors[-1]), flush=True)
            continue
        open(full, "w").write(original.replace(text, fault))
        build, test = suites[suite]
        by = "the build" if run(build, src, log) != 0 else failed_tests(test, src, log)
        caught = by != ""
        open(full, "w").write(original)
        print("%2d/%d %-7s %-5s %s: %r" % (n, len(chosen), "caught" if caught else "MISSED", suite, path, text),
              flush=True)
        if caught:
            print("      by " + by, flush=True)
        if not caught:
            survivors.append("%s: %r" % (path, text))
    run(suites["unit"][0], src, log)
    shutil.rmtree(work) if not survivors else print("kept " + work)
    print("%d faults, %d caught, %d missed" % (len(chosen), len(chosen) - len(survivors), len(survivors)))
    sys.exit(1 if survivors else 0)


if __name__ == "__main__":
    main()
