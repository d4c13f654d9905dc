// Brevand.ini: loading the settings at start-up and saving them on request.
#include <stdio.h>
#include <string.h>

#include "config/settings.h"
#include "config/settings_file.h"
#include "logout/logout.h"

int FormatScreenFont(const LogFontRecord* font, char* out, unsigned size)
{
    char numbers[SCREEN_FONT_TEXT_SIZE];
    int len = snprintf(numbers, sizeof numbers, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,",
                       (int)font->Height, (int)font->Width, (int)font->Escapement,
                       (int)font->Orientation, (int)font->Weight, font->Italic, font->Underline,
                       font->StrikeOut, font->CharSet, font->OutPrecision, font->ClipPrecision,
                       font->Quality, font->PitchAndFamily);
    size_t face = strnlen(font->FaceName, sizeof font->FaceName);
    if (len < 0 || face >= size - (unsigned)len)
        return 0;
    snprintf(out, size, "%s%.*s", numbers, (int)face, font->FaceName);
    return 1;
}

int ParseScreenFont(const char* text, LogFontRecord* font)
{
    int h, w, esc, orient, weight;
    unsigned short bytes[8];
    char face[SCREEN_FONT_TEXT_SIZE];
    int got = sscanf(text, "%d,%d,%d,%d,%d,%hu,%hu,%hu,%hu,%hu,%hu,%hu,%hu,%159[^\n]", &h, &w,
                     &esc, &orient, &weight, &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                     &bytes[4], &bytes[5], &bytes[6], &bytes[7], face);
    if (got != 14)
        return 0;
    LogFontRecord f;
    memset(&f, 0, sizeof f);
    f.Height = h;
    f.Width = w;
    f.Escapement = esc;
    f.Orientation = orient;
    f.Weight = weight;
    f.Italic = (uint8_t)bytes[0];
    f.Underline = (uint8_t)bytes[1];
    f.StrikeOut = (uint8_t)bytes[2];
    f.CharSet = (uint8_t)bytes[3];
    f.OutPrecision = (uint8_t)bytes[4];
    f.ClipPrecision = (uint8_t)bytes[5];
    f.Quality = (uint8_t)bytes[6];
    f.PitchAndFamily = (uint8_t)bytes[7];
    // The face name is cut to 31 characters.
    size_t len = strnlen(face, sizeof f.FaceName - 1);
    memcpy(f.FaceName, face, len);
    f.FaceName[len] = '\0';
    *font = f;
    return 1;
}

int ApplyViewFont(void)
{
    PlatFont font = PlatCreateFont(&Settings.Font);
    if (font == NULL) {
        char text[64];
        snprintf(text, sizeof text, "Error %d in Applying Font", PlatLastError());
        PlatMessageBox(text, NULL, PLAT_MB_OK);
        return 0;
    }
    // The old font goes only once the view no longer uses it.
    PlatFont old = Settings.FontHandle;
    Settings.FontHandle = font;
    PlatSetViewFont(font);
    if (old != NULL)
        PlatDeleteFont(old);
    return 1;
}

static int32_t ReadNumber(const char* key, int def)
{
    return (int32_t)PlatProfileGetInt(INI_SECTION, key, def, INI_FILE);
}

int LoadSettings(void)
{
    char def[LOGNAME_SIZE];
    BuildDefaultLogName(def, sizeof def);
    PlatProfileGetString(INI_SECTION, "LogName", def, Settings.LogName, LOGNAME_SIZE, INI_FILE);
    Settings.LogName[LOGNAME_SIZE - 1] = '\0';

    Settings.LogsNum = ReadNumber("LogsNum", LOGSNUM_DEFAULT);
    Settings.LogSize = ReadNumber("LogSize", LOGSIZE_DEFAULT);
    Settings.FlushTime = ReadNumber("FlushTime", FLUSHTIME_DEFAULT);
    Settings.ScreenSize = ReadNumber("ScreenSize", SCREENSIZE_DEFAULT);

    Settings.LogSize = ClampSetting(Settings.LogSize, LOGSIZE_MIN, LOGSIZE_MAX);
    Settings.LogsNum = ClampSetting(Settings.LogsNum, LOGSNUM_MIN, LOGSNUM_MAX);
    Settings.FlushTime = ClampSetting(Settings.FlushTime, FLUSHTIME_MIN, FLUSHTIME_MAX);
    Settings.ScreenSize = ClampSetting(Settings.ScreenSize, SCREENSIZE_MIN, SCREENSIZE_MAX);

    char fontText[SCREEN_FONT_TEXT_SIZE];
    PlatProfileGetString(INI_SECTION, "ScreenFont", "", fontText, sizeof fontText, INI_FILE);
    LogFontRecord font;
    if (!ParseScreenFont(fontText, &font))
        return 0;
    Settings.Font = font;
    return 1;
}

// Whether a write of this save failed, and the code of the first failure.
static int SaveFailed;
static int SaveError;

static void WriteValue(const char* key, const char* value)
{
    if (!PlatProfileWriteString(INI_SECTION, key, value, INI_FILE) && !SaveFailed) {
        SaveFailed = 1;
        SaveError = PlatLastError();
    }
}

static void WriteNumber(const char* key, int32_t value)
{
    char text[16];
    snprintf(text, sizeof text, "%d", (int)value);
    WriteValue(key, text);
}

// A save that did not reach the file must say so: the settings would
// otherwise be lost at the next start.  One report however many writes
// failed, as they usually fail together.
void SaveSettings(void)
{
    SaveFailed = 0;
    WriteValue("Version", INI_VERSION);
    WriteValue("LogName", Settings.LogName);
    WriteNumber("LogsNum", Settings.LogsNum);
    WriteNumber("LogSize", Settings.LogSize);
    WriteNumber("FlushTime", Settings.FlushTime);
    WriteNumber("ScreenSize", Settings.ScreenSize);
    if (Settings.FontHandle != NULL) {
        char value[SCREEN_FONT_TEXT_SIZE];
        if (!FormatScreenFont(&Settings.Font, value, sizeof value)) {
            PlatMessageBox("Font structure too long for save.", " BREVAND Error", PLAT_MB_OK);
            value[0] = '\0';
        }
        WriteValue("ScreenFont", value);
    }
    if (SaveFailed) {
        char report[320];
        FormatErrorReport(SaveError, "Error saving " INI_FILE, report, sizeof report);
        PlatMessageBox(report, "BREVAND Error", PLAT_MB_OK);
    }
}
