// The Options dialog's range checks and the message for each correction.
#include <stdio.h>

#include "config/option_checks.h"
#include "config/settings.h"

static void Note(OptionMessage* m, const char* caption, const char* format, int entered,
                 int adjusted)
{
    snprintf(m->Text, sizeof m->Text, format, entered, adjusted);
    m->Caption = caption;
}

int CheckOptionValues(int32_t* logSize, int32_t* logsNum, int32_t* flushTime,
                      int32_t* screenSize, OptionMessage messages[4])
{
    int n = 0;
    if (*logSize < LOGSIZE_MIN) {
        Note(&messages[n++], " Invalid LogSize", "Log size (%d) is too small. Adjusted to %d.",
             *logSize, LOGSIZE_MIN);
        *logSize = LOGSIZE_MIN;
    }
    if (*logsNum < LOGSNUM_MIN) {
        Note(&messages[n++], " Invalid NumOfLogs",
             "Number of logs (%d) is too small. Adjusted to 1.", *logsNum, 0);
        *logsNum = LOGSNUM_MIN;
    } else if (*logsNum > LOGSNUM_MAX) {
        Note(&messages[n++], " Invalid NumOfLogs",
             "Number of logs (%d) is too high. Adjusted to 1000.", *logsNum, 0);
        *logsNum = LOGSNUM_MAX;
    }
    if (*flushTime < FLUSHTIME_MIN) {
        Note(&messages[n++], " Invalid FlushTime", "FlushTime (%d) is too small. Adjusted to %d.",
             *flushTime, FLUSHTIME_MIN);
        *flushTime = FLUSHTIME_MIN;
    } else if (*flushTime > FLUSHTIME_MAX) {
        Note(&messages[n++], " Invalid FlushTime", "FlushTime (%d) is too high. Adjusted to %d.",
             *flushTime, FLUSHTIME_MAX);
        *flushTime = FLUSHTIME_MAX;
    }
    if (*screenSize < SCREENSIZE_MIN) {
        Note(&messages[n++], " Invalid ScreenSize",
             "Screen size (%d) is too small. Adjusted to %d.", *screenSize, SCREENSIZE_MIN);
        *screenSize = SCREENSIZE_MIN;
    } else if (*screenSize > SCREENSIZE_MAX) {
        Note(&messages[n++], " Invalid ScreenSize",
             "Screen size (%d) is too large. Adjusted to %d.", *screenSize, SCREENSIZE_MAX);
        *screenSize = SCREENSIZE_MAX;
    }
    return n;
}
