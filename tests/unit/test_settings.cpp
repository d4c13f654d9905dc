// Brevand.ini: defaults, silent clamping, the font's text form, saving and reading back.
#include "support.h"

#include "config/settings_file.h"

namespace {

class SettingsFile : public Brevand {
protected:
    void SetUp() override
    {
        Brevand::SetUp();
        // A Windows-like current directory: the default log is "C:\work\brevand.log".
        Model.CurrentDirectorySet = true;
        Model.CurrentDirectory = "C:\\work";
    }
    std::string Font(const LogFontRecord& font)
    {
        char text[SCREEN_FONT_TEXT_SIZE];
        return FormatScreenFont(&font, text, sizeof text) ? text : "(too long)";
    }
};

}  // namespace

TEST_F(SettingsFile, ValuesAreReadAndForcedIntoRangeSilently)
{
    const std::string f = "ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,";
    const struct {
        const char* ini;  // the [Brevand] section
        std::string settings, font, box;
    } cases[] = {
        {"", "C:\\work\\brevand.log|2|100000|3|6000", "", ""},
        {"LogSize=50\nLogsNum=0\nFlushTime=45\nScreenSize=40000", "C:\\work\\brevand.log|1|200|30|32000", "", ""},
        {"LogsNum=abc\nLogSize=\nFlushTime=-3\nScreenSize=999", "C:\\work\\brevand.log|1|200|0|1000", "", ""},
        {"logsnum = 7 \nLOGSIZE=2000x", "C:\\work\\brevand.log|7|2000|3|6000", "", ""},
        {"LogsNum=1001\nLogSize=1073741825\nScreenSize=1000", "C:\\work\\brevand.log|1000|1073741824|3|1000", "",
         ""},
        {"LogSize=4294967295\nLogsNum=4294967296", "C:\\work\\brevand.log|1|200|3|6000", "", ""},
        {"LogName=\n", "|2|100000|3|6000", "", "Error opening log file !"},
        {"LogName=D:\\x.txt\nScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New", "D:\\x.txt|2|100000|3|6000",
         "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New", ""},
        {"ScreenFont=-16,7,1,2,700,1,1,1,204,3,2,4,34,A face, with commas",
         "C:\\work\\brevand.log|2|100000|3|6000", "-16,7,1,2,700,1,1,1,204,3,2,4,34,A face, with commas", ""},
        {"ScreenFont=-13,0,0,0,400,256,511,0,0,3,2,1,49,0123456789012345678901234567890123456789",
         "C:\\work\\brevand.log|2|100000|3|6000", "-13,0,0,0,400,0,255,0,0,3,2,1,49,0123456789012345678901234567890",
         ""},
        {"ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,", "C:\\work\\brevand.log|2|100000|3|6000", "", ""},
        {"ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,Courier New", "C:\\work\\brevand.log|2|100000|3|6000", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        ResetSettings();
        Model.Boxes.clear();
        Model.ViewFont = nullptr;
        WriteFile(Path("Brevand.ini"), std::string("[Brevand]\r\n") + (c.ini ? c.ini : "") + "\r\n");
        // A 150-byte log: rotated if the log opened before LogSize was in range.
        WriteFile(Path("C:\\work\\brevand.log"), std::string(150, 'x'));
        LoadSettings();
        CloseLogFile();
        char got[300];
        snprintf(got, sizeof got, "%s|%d|%d|%d|%d", Settings.LogName, Settings.LogsNum, Settings.LogSize,
                 Settings.FlushTime, Settings.ScreenSize);
        EXPECT_EQ(got, c.settings);
        EXPECT_EQ(Settings.FontSet ? Font(Model.LastFont) : "", c.font);
        EXPECT_EQ(Model.ViewFont, Settings.FontHandle);
        EXPECT_EQ(Model.Boxes.empty() ? "" : Model.Boxes[0].Text, c.box);
        EXPECT_EQ(ReadFile(Path("C:\\work\\brevand.000")), "");
    }
}

TEST_F(SettingsFile, DefaultLogNameFromTheCurrentDirectory)
{
    const struct {
        std::string dir;
        bool fail;
        std::string expect;
    } cases[] = {
        {"C:\\work", false, "C:\\work\\brevand.log"},
        {"C:\\", false, "C:\\brevand.log"},
        {"", true, "brevand.log"},
        {"C:\\" + std::string(250, 'd'), false, "\\brevand.log"},
        {"C:\\" + std::string(190, 'd'), false, ("C:\\" + std::string(190, 'd') + "\\brevand.log").substr(0, 199)},
    };
    for (const auto& c : cases) {
        Model.CurrentDirectory = c.dir;
        Model.FailCurrentDirectory = c.fail;
        char name[LOGNAME_SIZE];
        BuildDefaultLogName(name, sizeof name);
        EXPECT_EQ(std::string(name), c.expect) << c.dir;
    }
}

TEST_F(SettingsFile, FontThatCannotBeCreatedIsReportedAndTheOldOneStays)
{
    Model.FailFont = true;
    WriteFile(Path("Brevand.ini"), "[Brevand]\r\nScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New\r\n");
    LoadSettings();
    EXPECT_EQ(Settings.FontSet, 0);
    ASSERT_EQ(Model.Boxes.size(), 1u);
    std::string text = Model.Boxes[0].Text;
    EXPECT_EQ(text.substr(0, 6) + text.substr(text.find(' ', 6)) + "|" + Model.Boxes[0].Caption,
              "Error  in Applying Font|(null)");

    Model.FailFont = false;
    ASSERT_TRUE(ApplyViewFont());
    PlatFont first = Settings.FontHandle;
    Model.FailFont = true;
    EXPECT_FALSE(ApplyViewFont());
    EXPECT_EQ(Model.ViewFont, first);
    EXPECT_EQ(Model.FontsDeleted, 0);
    Model.FailFont = false;
    ASSERT_TRUE(ApplyViewFont());
    EXPECT_EQ(Model.FontsDeleted, 1) << "the old font goes once the new one is on the view";
}

TEST_F(SettingsFile, SaveWritesEveryKeyKeepsTheRestAndReadsBack)
{
    WriteFile(Path("Brevand.ini"),
              "[Brevand]\r\nScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\nOther=kept\r\n[Elsewhere]\r\nLogsNum=9\r\n");
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", "D:\\logs\\x.log");
    Settings.LogsNum = 5;
    Settings.LogSize = 4096;
    Settings.FlushTime = 0;
    Settings.ScreenSize = 12000;
    SaveSettings();  // no font applied: ScreenFont is left as it was
    EXPECT_EQ(ReadFile(Path("Brevand.ini")),
              "[Brevand]\r\nScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\nOther=kept\r\nVersion=1.11\r\n"
              "LogName=D:\\logs\\x.log\r\nLogsNum=5\r\nLogSize=4096\r\nFlushTime=0\r\nScreenSize=12000\r\n"
              "[Elsewhere]\r\nLogsNum=9\r\n");

    ASSERT_TRUE(ParseScreenFont("-16,7,0,0,700,255,1,0,238,3,2,4,34,Lucida Console", &Settings.Font));
    ASSERT_TRUE(ApplyViewFont());
    LogFontRecord saved = Settings.Font;
    SaveSettings();
    ResetSettings();
    LoadSettings();
    EXPECT_EQ(Font(Settings.Font), Font(saved));
    EXPECT_EQ(memcmp(&Settings.Font, &saved, sizeof saved), 0);
    EXPECT_EQ(std::string(Settings.LogName) + "|" + std::to_string(Settings.LogsNum) + "|" +
                  std::to_string(Settings.LogSize) + "|" + std::to_string(Settings.FlushTime) + "|" +
                  std::to_string(Settings.ScreenSize),
              "D:\\logs\\x.log|5|4096|0|12000");
}
