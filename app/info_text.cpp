// The texts of the Dump and Statistics boxes, kept apart from the windows.
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "app/info_text.h"
#include "config/settings.h"
#include "logout/logout.h"
#include "reception/reception.h"
#include "view/view.h"

void FormatPacketDump(char* out, unsigned size)
{
    int len = snprintf(out, size, "Last received %d bytes from %s", (int)LastDatagram.Length,
                       LastDatagram.SenderText);
    // Always the first 64 bytes of the receive area, whatever was received.
    for (int i = 0; i < 64 && len >= 0 && (unsigned)len < size; i++) {
        const char* lead = i % 16 == 0 ? "\r\n" : "";
        len += snprintf(out + len, size - (unsigned)len, "%s%02x ", lead,
                        (unsigned char)LastDatagram.Data[i]);
    }
}

void FormatStatistics(char* out, unsigned size)
{
    snprintf(out, size,
             "Log FileName   \t: %s\r\nSize of Screen  \t: %d / %d\r\nTotal Messages  \t: %" PRId64 "\r\n"
             "Flush writes (s)\t: %d",
             Settings.LogName, ScreenTextLength(), (int)Settings.ScreenSize, MessageCount,
             (int)Settings.FlushTime);
}

void FormatStatusText(char* out, unsigned size)
{
    if (!LogFileState.Failing) {
        snprintf(out, size, "LogFile: '%s'   Total Messages: '%" PRId64 "'", Settings.LogName,
                 MessageCount);
        return;
    }
    char why[32] = "not a disk file";
    if (LogFileState.Error != PLAT_ERROR_NOT_DISK_FILE)
        snprintf(why, sizeof why, "error %d", LogFileState.Error);
    snprintf(out, size,
             "LogFile: '%s' is NOT being written (%s): %" PRId64 " lines wait, %" PRId64
             " lost   Total Messages: '%" PRId64 "'",
             Settings.LogName, why, LogFileState.WaitingLines, LogFileState.Lost, MessageCount);
}
