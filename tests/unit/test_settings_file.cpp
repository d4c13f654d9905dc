// Brevand.ini: defaults, clamping, the font's text form, and saving.
#include "support.h"

#include "config/settings_file.h"

namespace {

class SettingsFile : public Brevand {
protected:
    void SetUp() override
    {
        Brevand::SetUp();
        // A Windows-like directory: the default log then lands in this folder.
        Model.CurrentDirectorySet = true;
        Model.CurrentDirectory = "C:\\work";
    }
    void Ini(const std::string& body) { WriteFile(Path("Brevand.ini"), "[Brevand]\r\n" + body); }
    std::string IniText() { return ReadFile(Path("Brevand.ini")); }
};

}  // namespace

TEST_F(SettingsFile, MissingFileGivesTheDefaults)
{
    LoadSettings();
    EXPECT_STREQ(Settings.LogName, "C:\\work\\brevand.log");
    EXPECT_EQ(Settings.LogsNum, 2);
    EXPECT_EQ(Settings.LogSize, 100000);
    EXPECT_EQ(Settings.FlushTime, 3);
    EXPECT_EQ(Settings.ScreenSize, 6000);
    EXPECT_EQ(Settings.FontSet, 0);
    EXPECT_EQ(Model.FontsCreated, 0);
}

TEST_F(SettingsFile, DefaultLogNameFromTheCurrentDirectory)
{
    struct {
        const char* situation;
        std::string dir;
        bool fail;
        std::string expect;
    } cases[] = {
        {"plain", "C:\\work", false, "C:\\work\\brevand.log"},
        {"root", "C:\\", false, "C:\\brevand.log"},
        {"unreadable", "", true, "brevand.log"},
        {"too long for the buffer", "C:\\" + std::string(250, 'd'), false, "\\brevand.log"},
        {"cut to 199", "C:\\" + std::string(190, 'd'), false,
         ("C:\\" + std::string(190, 'd') + "\\brevand.log").substr(0, 199)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        Model.CurrentDirectorySet = true;
        Model.CurrentDirectory = c.dir;
        Model.FailCurrentDirectory = c.fail;
        char name[LOGNAME_SIZE];
        BuildDefaultLogName(name, sizeof name);
        EXPECT_EQ(std::string(name), c.expect);
    }
}

TEST_F(SettingsFile, NumbersAreForcedIntoRangeSilently)
{
    struct {
        const char* body;
        int logsNum, logSize, flushTime, screenSize;
    } cases[] = {
        {"LogSize=50\r\nLogsNum=0\r\nFlushTime=45\r\nScreenSize=40000\r\n", 1, 200, 30, 32000},
        {"LogsNum=abc\r\nLogSize=\r\nFlushTime=-3\r\nScreenSize=999\r\n", 1, 200, 0, 1000},
        {"logsnum = 7 \r\nLOGSIZE=2000x\r\nFlushTime=0\r\nScreenSize=32000\r\n", 7, 2000, 0, 32000},
        {"LogsNum=1001\r\nLogSize=1073741825\r\nFlushTime=30\r\nScreenSize=1000\r\n", 1000,
         1073741824, 30, 1000},
        {"LogSize=4294967295\r\nLogsNum=4294967296\r\n", 1, 200, 3, 6000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        Ini(c.body);
        ResetSettings();
        LoadSettings();
        CloseLogFile();
        EXPECT_EQ(Settings.LogsNum, c.logsNum);
        EXPECT_EQ(Settings.LogSize, c.logSize);
        EXPECT_EQ(Settings.FlushTime, c.flushTime);
        EXPECT_EQ(Settings.ScreenSize, c.screenSize);
    }
    EXPECT_TRUE(Model.Boxes.empty());
}

TEST_F(SettingsFile, LogOpensWithItsSizeAlreadyInRange)
{
    // LogSize=50 must act as 200 at the open: a 150-byte file is not rotated.
    WriteFile(Path("brevand.log"), std::string(150, 'x'));
    Ini("LogName=" + Path("brevand.log") + "\r\nLogSize=50\r\n");
    LoadSettings();
    EXPECT_FALSE(Exists(Path("brevand.000")));
    EXPECT_NE(LogFileState.Handle, PLAT_NO_FILE);
}

TEST_F(SettingsFile, PresentButEmptyLogNameIsEmpty)
{
    Ini("LogName=\r\n");
    LoadSettings();
    EXPECT_STREQ(Settings.LogName, "");
    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Text, "Error opening log file !");
}

TEST_F(SettingsFile, ScreenFontIsReadOnlyWhenWhole)
{
    struct {
        const char* value;
        bool accepted;
        const char* face;
    } cases[] = {
        {"-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New", true, "Courier New"},
        {"-13,0,0,0,700,1,1,1,204,3,2,1,49,A face with spaces, and commas", true,
         "A face with spaces, and commas"},
        {"-13,0,0,0,400,0,0,0,0,3,2,1,49,", false, ""},
        {"-13,0,0,0,400,0,0,0,0,3,2,1,Courier New", false, ""},
        {"Courier New", false, ""},
        {"-13,0,0,0,400,0,0,0,0,3,2,1,49,0123456789012345678901234567890123456789", true,
         "0123456789012345678901234567890"},
        {"-13,0,0,0,400,256,511,0,0,3,2,1,49,Wrapped", true, "Wrapped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        LogFontRecord font;
        memset(&font, 0x55, sizeof font);
        EXPECT_EQ(ParseScreenFont(c.value, &font), c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_STREQ(font.FaceName, c.face);
            EXPECT_EQ(font.Height, -13);
        }
    }
    LogFontRecord font;
    ASSERT_TRUE(ParseScreenFont("-13,0,0,0,400,256,511,0,0,3,2,1,49,Wrapped", &font));
    EXPECT_EQ(font.Italic, 0);
    EXPECT_EQ(font.Underline, 255);

    // Loaded: created and put on the view; a malformed one is ignored.
    Ini("ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.FontSet, 1);
    EXPECT_EQ(Model.ViewFont, Settings.FontHandle);
    EXPECT_STREQ(Model.LastFont.FaceName, "Courier New");
    CloseLogFile();
    ResetSettings();
    Ini("ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.FontSet, 0);
    EXPECT_EQ(Model.FontsCreated, 1);
}

TEST_F(SettingsFile, FontThatCannotBeCreatedIsReportedAndTheOldStays)
{
    Model.FailFont = true;
    Ini("ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.FontSet, 0);
    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Text.rfind("Error ", 0), 0u);
    EXPECT_NE(Model.Boxes[0].Text.find(" in Applying Font"), std::string::npos);
    EXPECT_EQ(Model.Boxes[0].Caption, "(null)");

    // A font on the view is released only once its successor is there.
    Model.FailFont = false;
    ASSERT_TRUE(ApplyViewFont());
    PlatFont first = Settings.FontHandle;
    Model.FailFont = true;
    EXPECT_FALSE(ApplyViewFont());
    EXPECT_EQ(Model.ViewFont, first);
    EXPECT_EQ(Model.FontsDeleted, 0);
    Model.FailFont = false;
    ASSERT_TRUE(ApplyViewFont());
    EXPECT_NE(Model.ViewFont, first);
    EXPECT_EQ(Model.FontsDeleted, 1);
}

TEST_F(SettingsFile, SaveWritesEveryKeyAndReadsBack)
{
    Ini("ScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\nOther=kept\r\n");
    WriteFile(Path("Brevand.ini"), IniText() + "[Elsewhere]\r\nLogsNum=9\r\n");
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", "D:\\logs\\x.log");
    Settings.LogsNum = 5;
    Settings.LogSize = 4096;
    Settings.FlushTime = 0;
    Settings.ScreenSize = 12000;
    SaveSettings();
    std::string ini = IniText();
    for (const char* line : {"Version=1.11\r\n", "LogName=D:\\logs\\x.log\r\n", "LogsNum=5\r\n",
                             "LogSize=4096\r\n", "FlushTime=0\r\n", "ScreenSize=12000\r\n",
                             "ScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\n",
                             "Other=kept\r\n", "[Elsewhere]\r\nLogsNum=9\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;

    // With a font applied, ScreenFont is written too and reads back the same.
    ASSERT_TRUE(ParseScreenFont("-16,7,0,0,700,255,1,0,238,3,2,4,34,Lucida Console", &Settings.Font));
    ASSERT_TRUE(ApplyViewFont());
    LogFontRecord saved = Settings.Font;
    SaveSettings();
    EXPECT_NE(IniText().find("ScreenFont=-16,7,0,0,700,255,1,0,238,3,2,4,34,Lucida Console\r\n"),
              std::string::npos);
    ResetSettings();
    LoadSettings();
    EXPECT_EQ(memcmp(&Settings.Font, &saved, sizeof saved), 0);
    EXPECT_STREQ(Settings.LogName, "D:\\logs\\x.log");
    EXPECT_EQ(Settings.LogsNum, 5);
    EXPECT_EQ(Settings.LogSize, 4096);
    EXPECT_EQ(Settings.FlushTime, 0);
    EXPECT_EQ(Settings.ScreenSize, 12000);
}

TEST_F(SettingsFile, FontTooLongForTheValueIsSavedEmpty)
{
    Settings.FontSet = 1;
    Settings.Font.Height = INT32_MIN;
    Settings.Font.Width = INT32_MIN;
    Settings.Font.Escapement = INT32_MIN;
    Settings.Font.Orientation = INT32_MIN;
    Settings.Font.Weight = INT32_MIN;
    memset(Settings.Font.FaceName, 'F', sizeof Settings.Font.FaceName);  // no terminator
    char value[SCREEN_FONT_TEXT_SIZE];
    EXPECT_TRUE(FormatScreenFont(&Settings.Font, value, sizeof value));
    EXPECT_FALSE(FormatScreenFont(&Settings.Font, value, 90));
    SaveSettings();
    EXPECT_TRUE(Model.Boxes.empty());
    EXPECT_NE(IniText().find(std::string(32, 'F') + "\r\n"), std::string::npos);
}
