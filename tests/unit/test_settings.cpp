// Brevand.ini: defaults, silent clamping, the font's text form, saving; the Options corrections.
#include "support.h"

#include <regex>

#include "config/option_checks.h"
#include "config/settings_file.h"

TEST_F(Brevand, SettingsAreReadAndForcedIntoRangeSilently)
{
    const std::string d = "C:\\work\\brevand.log|", plain = d + "2|100000|3|6000|";
    const std::string courier = "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New";
    // The [Brevand] section; LogName|LogsNum|LogSize|FlushTime|ScreenSize|the font read.  Numbers as
    // GetPrivateProfileIntA reads them: an empty value is an absent one; 0x, 0o and 0b give the base.
    const struct { std::string ini, expect; } cases[] = {
        {"", plain}, {"logsnum = 7 \nLOGSIZE=2000x", d + "7|2000|3|6000|"},
        {"LogSize=50\nLogsNum=0\nFlushTime=45\nScreenSize=40000", d + "1|200|30|32000|"},
        {"LogsNum=abc\nLogSize=\nFlushTime=-3\nScreenSize=999", d + "1|100000|0|1000|"},
        {"LogsNum=1001\nLogSize=1073741825\nScreenSize=1000", d + "1000|1073741824|3|1000|"},
        {"LogSize=4294967295\nLogsNum=4294967296", d + "1|200|3|6000|"},
        {"LogSize=0x1F4a\nLogsNum=0X0A\nFlushTime=0o17\nScreenSize=0b11111010000", d + "1|8010|15|2000|"},
        {"LogSize=0x\nLogsNum=0b102\nFlushTime=0x1g\nScreenSize=0o70000", d + "2|200|1|28672|"},
        {"LogName=\n", "|2|100000|3|6000|"},
        {"LogName=D:\\x.txt\nScreenFont=" + courier, "D:\\x.txt|2|100000|3|6000|" + courier},
        {"ScreenFont=-16,7,1,2,700,1,1,1,204,3,2,4,34,A face, with commas",
         plain + "-16,7,1,2,700,1,1,1,204,3,2,4,34,A face, with commas"},
        {"ScreenFont=-13,0,0,0,400,256,511,0,0,3,2,1,49,0123456789012345678901234567890123456789",
         plain + "-13,0,0,0,400,0,255,0,0,3,2,1,49,0123456789012345678901234567890"},
        {"ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,", plain},
        {"ScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,Courier New", plain},
    };
    Model.CurrentDirectorySet = true;
    Model.CurrentDirectory = "C:\\work";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        ResetSettings();
        WriteFile(Path("Brevand.ini"), "[Brevand]\r\n" + c.ini + "\r\n");
        char font[SCREEN_FONT_TEXT_SIZE] = "", got[400];
        if (LoadSettings())
            FormatScreenFont(&Settings.Font, font, sizeof font);
        snprintf(got, sizeof got, "%s|%d|%d|%d|%d|%s", Settings.LogName, Settings.LogsNum, Settings.LogSize,
                 Settings.FlushTime, Settings.ScreenSize, font);
        EXPECT_EQ(got, c.expect);
    }
    EXPECT_EQ(Boxes() + Files()["brevand.log"], "") << "nothing shown, no log opened";
}

TEST_F(Brevand, DefaultLogNameFromTheCurrentDirectory)
{
    const std::string d190 = "C:\\" + std::string(190, 'd');
    const struct { std::string dir, expect; } cases[] = {  // an empty dir: none can be read
        {"C:\\work", "C:\\work\\brevand.log"}, {"C:\\", "C:\\brevand.log"}, {"", "brevand.log"},
        {"C:\\" + std::string(250, 'd'), "\\brevand.log"}, {d190, (d190 + "\\brevand.log").substr(0, 199)},
    };
    Model.CurrentDirectorySet = true;
    for (const auto& c : cases) {
        Model.CurrentDirectory = c.dir;
        Model.FailCurrentDirectory = c.dir.empty();
        char name[LOGNAME_SIZE];
        BuildDefaultLogName(name, sizeof name);
        EXPECT_EQ(std::string(name), c.expect) << c.dir;
    }
}

// Applied, a font held, the view's font, fonts deleted: the old font goes only once the new one is on the view.
TEST_F(Brevand, FontThatCannotBeCreatedIsReportedAndTheOldOneStays)
{
    WriteFile(Path("Brevand.ini"), "[Brevand]\r\nScreenFont=-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier\r\n");
    ASSERT_TRUE(LoadSettings());
    std::string seen;
    for (bool fail : {true, false, true, false}) {
        Model.FailFont = fail;
        int applied = ApplyViewFont();
        seen += std::to_string(applied) + " " + std::to_string(Settings.FontHandle != nullptr) + " " +
                std::to_string((intptr_t)Model.ViewFont) + " " + std::to_string(Model.FontsDeleted) + "|";
    }
    EXPECT_EQ(seen, "0 0 0 0|1 1 1 0|0 1 1 0|1 1 2 1|");
    EXPECT_TRUE(std::regex_match(Boxes(), std::regex("(\\(null\\): Error \\d+ in Applying Font\n){2}"))) << Boxes();
}

TEST_F(Brevand, SaveWritesEveryKeyKeepsTheRestAndSaysOnceWhenItCannot)
{
    WriteFile(Path("Brevand.ini"), "[Brevand]\r\nScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\nOther=kept\r\n"
                                   "[Elsewhere]\r\nLogsNum=9\r\n");
    Settings = SettingsRecord{"D:\\logs\\x.log", 5, 4096, 0, 12000, {}, nullptr};
    SaveSettings();  // no font applied: ScreenFont is left as it was
    EXPECT_EQ(ReadFile(Path("Brevand.ini")),
              "[Brevand]\r\nScreenFont=-11,0,0,0,400,0,0,0,0,3,2,1,49,Keep Me\r\nOther=kept\r\nVersion=1.11\r\n"
              "LogName=D:\\logs\\x.log\r\nLogsNum=5\r\nLogSize=4096\r\nFlushTime=0\r\nScreenSize=12000\r\n"
              "[Elsewhere]\r\nLogsNum=9\r\n");
    const std::string font = "-16,7,0,0,700,255,1,0,238,3,2,4,34,Lucida Console";
    ASSERT_TRUE(ParseScreenFont(font.c_str(), &Settings.Font) && ApplyViewFont());
    SaveSettings();
    EXPECT_NE(ReadFile(Path("Brevand.ini")).find("\r\nScreenFont=" + font + "\r\n"), std::string::npos);
    EXPECT_EQ(Boxes(), "");
    std::filesystem::remove(Path("Brevand.ini"));
    std::filesystem::create_directory(Path("Brevand.ini"));  // every write fails
    SaveSettings();
    EXPECT_EQ(Boxes(), "BREVAND Error: Is a directory (Error saving Brevand.ini, error 21)\n");
}

TEST_F(Brevand, OptionChecksCorrectEachValueWithItsMessage)
{
    struct { int32_t logSize, logsNum, flushTime, screenSize; std::string expect; } cases[] = {  // corrected, messages
        {200, 1, 0, 1000, "200|1|0|1000\n"}, {2000000000, 1000, 30, 32000, "2000000000|1000|30|32000\n"},
        {199, 0, 31, 50000, "200|1|30|32000\n"
                            " Invalid LogSize: Log size (199) is too small. Adjusted to 200.\n"
                            " Invalid NumOfLogs: Number of logs (0) is too small. Adjusted to 1.\n"
                            " Invalid FlushTime: FlushTime (31) is too high. Adjusted to 30.\n"
                            " Invalid ScreenSize: Screen size (50000) is too large. Adjusted to 32000.\n"},
        // Entries of 2^31 and more read as negative: too small.
        {INT32_MIN, 1001, -5, 0, "200|1000|0|1000\n"
                                 " Invalid LogSize: Log size (-2147483648) is too small. Adjusted to 200.\n"
                                 " Invalid NumOfLogs: Number of logs (1001) is too high. Adjusted to 1000.\n"
                                 " Invalid FlushTime: FlushTime (-5) is too small. Adjusted to 0.\n"
                                 " Invalid ScreenSize: Screen size (0) is too small. Adjusted to 1000.\n"},
    };
    for (auto& c : cases) {
        OptionMessage messages[4];
        int n = CheckOptionValues(&c.logSize, &c.logsNum, &c.flushTime, &c.screenSize, messages);
        std::string shown = std::to_string(c.logSize) + "|" + std::to_string(c.logsNum) + "|" +
                            std::to_string(c.flushTime) + "|" + std::to_string(c.screenSize) + "\n";
        for (int i = 0; i < n; i++)
            shown += std::string(messages[i].Caption) + ": " + messages[i].Text + "\n";
        EXPECT_EQ(shown, c.expect);
    }
}
