// ReportSocketError: every Winsock failure is logged, and the grave ones shown.
#include <stdio.h>
#include <string.h>

#include "logout/logout.h"
#include "platform/platform.h"
#include "reception/reception.h"

void ReportSocketError(int alert, int code, const char* label)
{
    char report[320];
    FormatErrorReport(code, label, report, sizeof report);
    size_t len = strlen(report);
    snprintf(report + len, sizeof report - len, "\r\n");

    LogPrint("\r\nSOCKET ERROR: %s\r\n", report);
    if (alert) {
        for (int i = 0; i < 3; i++)
            PlatBeep(100, 500);
        PlatMessageBox(report, "BREVAND Error", PLAT_MB_OK);
    }
}
