// LogPrint: every line and message reaches the log file and the view here.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "config/settings.h"
#include "logout/logout.h"
#include "view/view.h"

// The size test made after every fragment.
static int RotationDue(int64_t size)
{
    return size > Settings.LogSize &&
           (LogFileState.RetrySize == 0 || size >= LogFileState.RetrySize);
}

// A write failed, whole or in part: what it left is cut off again, so that
// the file holds whole lines only, or remembered to be cut at the reopen.
static void WriteFailed(size_t tried)
{
    int error = PlatLastError();
    if (!PlatTruncate(LogFileState.Handle, LogFileState.Size)) {
        UnfinishedWrite* u = &LogFileState.Unfinished;
        snprintf(u->Path, sizeof u->Path, "%s", Settings.LogName);
        u->Size = LogFileState.Size;
        u->Bytes = tried;
    }
    LogFileFailed(LOG_WRITE_FAILED, error);
}

int WriteFragments(const char* const fragments[], int count)
{
    char run[2 * FRAGMENT_SIZE];
    int done = 0;
    while (done < count && LogFileState.Handle != PLAT_NO_FILE) {
        // A run ends after the fragment with which the size test rotates.
        const char* data = run;
        size_t used = 0;
        int n = 0;
        while (done + n < count) {
            const char* fragment = fragments[done + n];
            size_t len = strlen(fragment);
            if (used + len > sizeof run) {
                if (n == 0) {  // too long to gather: written from where it is
                    data = fragment;
                    used = len;
                    n = 1;
                }
                break;
            }
            memcpy(run + used, fragment, len);
            used += len;
            n++;
            if (RotationDue(LogFileState.Size + (int64_t)used))
                break;
        }
        if (!PlatWrite(LogFileState.Handle, data, used)) {
            WriteFailed(used);
            break;
        }
        LogFileState.Size += (int64_t)used;
        done += n;
        if (RotationDue(LogFileState.Size))
            OpenOrRotateLog();
    }
    return done;
}

void LogFragments(const char* const fragments[], int count)
{
    if (LogFileState.Failing)
        RetryLogFile(LOG_RETRY_MS);
    int written = 0;
    if (!LogFileState.Failing && LogFileState.Handle != PLAT_NO_FILE)
        written = WriteFragments(fragments, count);
    if (LogFileState.Failing) {
        LogFileState.WaitingBegun |= written > 0 && written < count;
        KeepWaiting(fragments + written, count - written);
    }
    for (int i = 0; i < count; i++)
        ScreenHalf(fragments[i]);
    // The report's line after the line, not inside it.
    if (LogFileState.ReportDue)
        ReportLogFailure();
}

void LogPrint(const char* format, ...)
{
    char fragment[FRAGMENT_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(fragment, sizeof fragment, format, args);
    va_end(args);
    const char* one[1] = {fragment};
    LogFragments(one, 1);
}
