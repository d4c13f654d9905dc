// The settings record: every configured value, its default and its range.
#ifndef BREVAND_SETTINGS_H
#define BREVAND_SETTINGS_H

#include <stdint.h>

#include "platform/platform.h"

#define LOGNAME_SIZE 200

#define LOGSNUM_DEFAULT 2
#define LOGSNUM_MIN 1
#define LOGSNUM_MAX 1000
#define LOGSIZE_DEFAULT 100000
#define LOGSIZE_MIN 200
#define LOGSIZE_MAX 1073741824
#define FLUSHTIME_DEFAULT 3
#define FLUSHTIME_MIN 0
#define FLUSHTIME_MAX 30
#define SCREENSIZE_DEFAULT 6000
#define SCREENSIZE_MIN 1000
#define SCREENSIZE_MAX 32000

struct SettingsRecord {
    char LogName[LOGNAME_SIZE];  // path of the live log file
    int32_t LogsNum;             // highest archive number
    int32_t LogSize;             // rotation threshold in bytes
    int32_t FlushTime;           // seconds between flushes, 0 = after every line
    int32_t ScreenSize;          // bytes of the view's buffer
    LogFontRecord Font;          // the view font's description
    PlatFont FontHandle;         // the font on the view; null: none was applied
};

extern SettingsRecord Settings;

// Puts every field back to its default (LogName empty until the settings
// file is read, which builds it from the current directory).
void ResetSettings(void);

// The default LogName: current directory, backslash, "brevand.log".
void BuildDefaultLogName(char* out, unsigned size);

int32_t ClampSetting(int32_t value, int32_t low, int32_t high);

#endif
