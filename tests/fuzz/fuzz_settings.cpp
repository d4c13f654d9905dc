// Arbitrary Brevand.ini contents through LoadSettings and the font's text form.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "config/settings.h"
#include "config/settings_file.h"
#include "logout/logout.h"
#include "platform/posix/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char dir[] = "/tmp/brevand-fuzz-XXXXXX";
    if (!Model.FailCurrentDirectory) {  // once: a folder of our own, and the default log name "brevand.log" in it
        if (mkdtemp(dir) == NULL || chdir(dir) != 0)
            abort();
        Model.FailCurrentDirectory = true;
    }
    std::string ini((const char*)data, size);
    std::replace(ini.begin(), ini.end(), '/', '_');  // every log name stays inside the folder
    std::ofstream("Brevand.ini") << ini;
    ResetSettings();
    int fontRead = LoadSettings();
    SplitLogName();
    CloseLogFile();
    // Every value in range, every text terminated, and a font that was read formats and parses back to itself.
    char text[SCREEN_FONT_TEXT_SIZE];
    LogFontRecord font;
    const SettingsRecord& s = Settings;
    if (s.LogSize < 200 || s.LogSize > 1073741824 || s.LogsNum < 1 || s.LogsNum > 1000 || s.FlushTime < 0 ||
        s.FlushTime > 30 || s.ScreenSize < 1000 || s.ScreenSize > 32000 || !memchr(s.LogName, 0, sizeof s.LogName) ||
        !memchr(s.Font.FaceName, 0, sizeof s.Font.FaceName) ||
        (fontRead && (!FormatScreenFont(&s.Font, text, sizeof text) || !ParseScreenFont(text, &font) ||
                       memcmp(&font, &s.Font, sizeof font) != 0)))
        abort();
    // Keep the folder from filling up with whatever names the input made.
    for (const auto& entry : std::filesystem::directory_iterator("."))
        std::filesystem::remove_all(entry.path());
    Model.Boxes.clear();
    return 0;
}
