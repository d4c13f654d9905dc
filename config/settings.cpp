// The settings record, its defaults and its ranges.
#include "config/settings.h"

#include <string.h>

SettingsRecord Settings = {
    "", LOGSNUM_DEFAULT, LOGSIZE_DEFAULT, FLUSHTIME_DEFAULT, SCREENSIZE_DEFAULT, {}, nullptr,
};

void ResetSettings(void)
{
    memset(&Settings, 0, sizeof Settings);
    Settings.LogsNum = LOGSNUM_DEFAULT;
    Settings.LogSize = LOGSIZE_DEFAULT;
    Settings.FlushTime = FLUSHTIME_DEFAULT;
    Settings.ScreenSize = SCREENSIZE_DEFAULT;
}

void BuildDefaultLogName(char* out, unsigned size)
{
    static const char fileName[] = "brevand.log";
    char dir[LOGNAME_SIZE];
    unsigned got = PlatCurrentDirectory(dir, sizeof dir);
    if (size == 0)
        return;
    out[0] = '\0';
    if (got == 0) {
        // No current directory: a name relative to wherever we run.
        strncat(out, fileName, size - 1);
        return;
    }
    if (got >= sizeof dir)
        dir[0] = '\0';  // too long for the buffer: the root of the drive
    size_t len = strlen(dir);
    strncat(out, dir, size - 1);
    if (len == 0 || dir[len - 1] != '\\')
        strncat(out, "\\", size - 1 - strlen(out));
    strncat(out, fileName, size - 1 - strlen(out));
}

int32_t ClampSetting(int32_t value, int32_t low, int32_t high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}
