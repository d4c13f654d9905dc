// LogPrint: every line and message reaches the log file and the view here.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "config/settings.h"
#include "logout/logout.h"
#include "view/view.h"

void LogPrint(const char* format, ...)
{
    // Each call formats into its own buffer: a message box inside a nested
    // call lets further calls run before this one is done.
    char fragment[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(fragment, sizeof fragment, format, args);
    va_end(args);

    if (LogFileState.Handle != PLAT_NO_FILE) {
        size_t len = strlen(fragment);
        if (PlatWrite(LogFileState.Handle, fragment, len)) {
            LogFileState.Size += (int64_t)len;
        } else {
            int64_t end = PlatSeekEnd(LogFileState.Handle);  // whatever got there
            if (end >= 0)
                LogFileState.Size = end;
        }
        int64_t size = LogFileState.Size;
        if (size > Settings.LogSize &&
            (LogFileState.RetrySize == 0 || size >= LogFileState.RetrySize))
            OpenOrRotateLog();
    }
    if (ScreenBuffer.Text != NULL)
        ScreenHalf(fragment);
}
