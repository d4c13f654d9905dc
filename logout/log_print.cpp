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

// Writes fragments[0..] up to and including the first one after which the
// size test rotates, or all of them, in one write.  Returns how many went.
static int WriteRun(const char* const fragments[], int count)
{
    char run[2 * LOG_RUN_SIZE];
    const char* data = run;
    size_t used = 0;
    int n = 0;
    while (n < count) {
        size_t len = strlen(fragments[n]);
        if (used + len > sizeof run) {
            if (n == 0) {  // too long to gather: written from where it is
                data = fragments[0];
                used = len;
                n = 1;
            }
            break;
        }
        memcpy(run + used, fragments[n], len);
        used += len;
        n++;
        if (RotationDue(LogFileState.Size + (int64_t)used))
            break;
    }
    if (PlatWrite(LogFileState.Handle, data, used)) {
        LogFileState.Size += (int64_t)used;
    } else {
        int64_t end = PlatSeekEnd(LogFileState.Handle);  // whatever got there
        if (end >= 0)
            LogFileState.Size = end;
    }
    return n;
}

void LogFragments(const char* const fragments[], int count)
{
    // The file and the view see the same fragments in the same order as if
    // each were printed alone: a rotation, and whatever it prints, comes
    // after the fragment that filled the file, before the next one.
    for (int done = 0; done < count;) {
        int n = 1;
        if (LogFileState.Handle != PLAT_NO_FILE)
            n = WriteRun(fragments + done, count - done);
        for (int i = 0; i < n - 1; i++)
            if (ScreenBuffer.Text != NULL)
                ScreenHalf(fragments[done + i]);
        if (LogFileState.Handle != PLAT_NO_FILE && RotationDue(LogFileState.Size))
            OpenOrRotateLog();
        if (ScreenBuffer.Text != NULL)
            ScreenHalf(fragments[done + n - 1]);
        done += n;
    }
}

void LogPrint(const char* format, ...)
{
    // Each call formats into its own buffer: a message box inside a nested
    // call lets further calls run before this one is done.
    char fragment[LOG_RUN_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(fragment, sizeof fragment, format, args);
    va_end(args);
    const char* one[1] = {fragment};
    LogFragments(one, 1);
}
