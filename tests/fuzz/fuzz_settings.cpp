// Arbitrary Brevand.ini contents through LoadSettings and the font's text form.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include "config/settings.h"
#include "config/settings_file.h"
#include "logout/logout.h"
#include "platform/posix/model.h"

static std::string Dir;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (Dir.empty()) {
        char dir[] = "/tmp/brevand-fuzz-XXXXXX";
        if (mkdtemp(dir) == NULL || chdir(dir) != 0)
            abort();
        Dir = dir;
    }
    Model.WindowsDirectory = Dir;
    Model.CurrentDirectorySet = true;
    Model.CurrentDirectory = "C:\\fuzz";
    // No '/' reaches the file: every log name stays inside the folder.
    std::string ini((const char*)data, size);
    for (char& c : ini) {
        if (c == '/')
            c = '_';
    }
    FILE* f = fopen((Dir + "/Brevand.ini").c_str(), "wb");
    if (f == NULL)
        abort();
    fwrite(ini.data(), 1, ini.size(), f);
    fclose(f);

    CloseLogFile();
    ResetSettings();
    LoadSettings();

    if (Settings.LogSize < 200 || Settings.LogSize > 1073741824 || Settings.LogsNum < 1 ||
        Settings.LogsNum > 1000 || Settings.FlushTime < 0 || Settings.FlushTime > 30 ||
        Settings.ScreenSize < 1000 || Settings.ScreenSize > 32000)
        abort();
    if (memchr(Settings.LogName, 0, sizeof Settings.LogName) == NULL ||
        memchr(Settings.Font.FaceName, 0, sizeof Settings.Font.FaceName) == NULL)
        abort();
    // A font that was read writes back to the same text and reads back the same.
    if (Settings.FontSet) {
        char text[160];
        LogFontRecord again;
        if (!FormatScreenFont(&Settings.Font, text, sizeof text) || !ParseScreenFont(text, &again))
            abort();
        if (memcmp(&again, &Settings.Font, sizeof again) != 0)
            abort();
    }
    // Keep the folder from filling up with whatever names the input made.
    CloseLogFile();
    unlink(Settings.LogName);
    char name[ARCHIVE_NAME_SIZE];
    for (int i = 0; i <= Settings.LogsNum; i++) {
        ArchiveName(i, name);
        unlink(name);
    }
    Model.Boxes.clear();
    return 0;
}
