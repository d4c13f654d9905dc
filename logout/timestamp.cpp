// Timestamps of log lines: the local time of the system, in English.
#include <stdio.h>
#include <time.h>

#include "logout/logout.h"
#include "platform/platform.h"

void FormatLocalTime(const char* format, char* out, unsigned size)
{
    struct tm local;
    PlatLocalTime(&local);
    // The program never sets a locale, so month names stay English.
    if (strftime(out, size, format, &local) == 0 && size > 0)
        out[0] = '\0';
}
