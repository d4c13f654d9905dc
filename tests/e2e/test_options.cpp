// The Options dialog driven through its controls, and the settings saved and read back.
#include "driver.h"

namespace {

const char Font[] = "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New";

class WithOptions : public OneRun {
protected:
    // Opens the dialog; the fields as it opened, "name|size|number|flush|screen".  Then fills fields
    // {id, text}, presses button and answers each correction box {caption, text} in order.
    std::string Options(const std::vector<std::pair<int, std::string>>& fields, int button,
                        const std::vector<std::pair<const char*, std::string>>& boxes = {})
    {
        app->Command(IDM_OPTIONS);
        HWND dialog = app->WaitBox(" Brevand Options");
        if (!dialog)
            return "(no dialog)";
        std::string shown;
        for (int id : {IDC_LOGNAME, IDC_LOGSIZE, IDC_LOGSNUM, IDC_FLUSHTIME, IDC_SCREENSIZE})
            shown += (id == IDC_LOGNAME ? "" : "|") + WindowText(GetDlgItem(dialog, id));
        for (const auto& field : fields)
            EXPECT_TRUE(SetText(GetDlgItem(dialog, field.first), field.second));
        Brevand::Press(dialog, button);
        for (const auto& box : boxes)
            EXPECT_EQ(app->Answer(box.first), box.second);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog is still open";
        Sleep(150);
        return shown;
    }
    void ExpectStatistics(const std::string& path, size_t shown, int screenSize, int flushTime)
    {
        app->Command(IDM_STATISTICS);
        EXPECT_EQ(app->Answer("BREVAND: Statistics"), Statistics(path, shown, screenSize, flushTime));
    }
    // Waits for Brevand.ini to read text.
    static bool WaitIni(const std::string& text) { return WaitUntil([&] { return ReadWholeFile(IniPath()) == text; }); }
};

class OptionsDialog : public WithOptions {
protected:
    static void SetUpTestSuite()
    {
        Start("[Brevand]\r\nLogName=$DIR\\opts.log\r\nLogsNum=3\r\nLogSize=150000\r\nFlushTime=0\r\nScreenSize=6000\r\n"
              "ScreenFont=" + std::string(Font) + "\r\n");
    }
    static std::string Log() { return app->PathIn("opts.log"); }
};

TEST_F(OptionsDialog, OpensWithTheSettingsAndCancelOrEscapeChangeNothing)
{
    std::string log = ReadWholeFile(Log());
    EXPECT_EQ(Options({{IDC_SCREENSIZE, "2000"}}, IDCANCEL), Log() + "|150000|3|0|6000");
    app->Command(IDM_OPTIONS);
    HWND dialog = app->WaitBox(" Brevand Options");
    PostMessageA(GetDlgItem(dialog, IDC_LOGNAME), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "Escape did not close it";
    // The font chooser opens from the dialog; cancelled, it changes nothing either.
    Options({}, IDCANCEL);
    app->Command(IDM_OPTIONS);
    dialog = app->WaitBox(" Brevand Options");
    Brevand::Press(dialog, IDC_FONT);
    HWND chooser = app->WaitBox("Font");
    EXPECT_TRUE(chooser) << "no font chooser";
    Brevand::Press(chooser, IDCANCEL);
    WaitUntil([&] { return !IsWindow(chooser); });
    Brevand::Press(dialog, IDCANCEL);
    WaitUntil([&] { return !IsWindow(dialog); });
    EXPECT_EQ(GetFileAttributesA(app->PathIn("opts.000").c_str()), INVALID_FILE_ATTRIBUTES) << "rotated";
    EXPECT_EQ(ReadWholeFile(Log()), log);
    EXPECT_TRUE(app->WaitView(log));
    ExpectStatistics(Log(), log.size(), 6000, 0);
}

TEST_F(OptionsDialog, OkWithoutChangeRotatesTheLogAndKeepsTheView)
{
    std::string log = ReadWholeFile(Log());
    Options({}, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("opts.000")) == log; }));
    EXPECT_EQ(ReadWholeFile(Log()), "");
    EXPECT_TRUE(app->WaitView(log));
    EXPECT_TRUE(app->WaitStatus(Log(), count));
    SendLogged(Log(), "<13>into the fresh file", "<User.Notice>", "into the fresh file");
}

TEST_F(OptionsDialog, CorrectionsInOrderEmptyFieldsAndANewScreenSizeEmptiesTheView)
{
    Options({{IDC_LOGSIZE, ""}, {IDC_LOGSNUM, ""}, {IDC_FLUSHTIME, "45"}, {IDC_SCREENSIZE, ""}}, IDOK,
            {{" Invalid FlushTime", "FlushTime (45) is too high. Adjusted to 30."},
             {" Invalid ScreenSize", "Screen size (0) is too small. Adjusted to 1000."}});
    EXPECT_TRUE(app->WaitView(""));
    Options({{IDC_FLUSHTIME, ""}, {IDC_SCREENSIZE, "50000"}}, IDOK,
            {{" Invalid ScreenSize", "Screen size (50000) is too large. Adjusted to 32000."}});
    ExpectStatistics(Log(), 0, 32000, 0);
    EXPECT_EQ(Options({}, IDCANCEL), Log() + "|150000|3|0|32000");
}

TEST_F(OptionsDialog, NewLogNameLeavesTheOldFileClosedAndSaveOkWritesEveryKey)
{
    std::string renamed = app->PathIn("renamed.txt"), old = ReadWholeFile(Log());
    EXPECT_FALSE(FileIsClosed(Log()));
    Options({{IDC_LOGNAME, renamed}}, IDOK);
    EXPECT_TRUE(app->WaitStatus(renamed, count));
    EXPECT_TRUE(FileIsClosed(Log()));
    std::string line = SendLogged(renamed, "<13>into the renamed file", "<User.Notice>", "into the renamed file");
    EXPECT_EQ(ReadWholeFile(renamed), line);
    EXPECT_EQ(ReadWholeFile(Log()), old);

    Options({{IDC_SCREENSIZE, "4000"}}, IDC_SAVEOK);
    EXPECT_TRUE(WaitIni("[Brevand]\r\nLogName=" + renamed + "\r\nLogsNum=3\r\nLogSize=150000\r\nFlushTime=0\r\n"
                        "ScreenSize=4000\r\nScreenFont=" + Font + "\r\nVersion=1.11\r\n"))
        << ReadWholeFile(IniPath());
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("renamed.000")) == line; })) << "not rotated";
}

// Values out of range and a bad font in the INI, saved from the menu and read back by a second run.
class SavedSettings : public WithOptions {
protected:
    static void SetUpTestSuite()
    {
        Start("[Brevand]\r\nLogName=$DIR\\saved.txt\r\nLogsNum=abc\r\nLogSize=50\r\nFlushTime=45\r\n"
              "ScreenSize=40000\r\nScreenFont=not a font\r\n");
    }
};

TEST_F(SavedSettings, SaveConfigurationWritesTheValuesInUseAndTheNextRunReadsThem)
{
    std::string saved = app->PathIn("saved.txt");
    app->Command(IDM_SAVE);
    EXPECT_TRUE(WaitIni("[Brevand]\r\nLogName=" + saved + "\r\nLogsNum=1\r\nLogSize=200\r\nFlushTime=30\r\n"
                        "ScreenSize=32000\r\nScreenFont=not a font\r\nVersion=1.11\r\n"))
        << ReadWholeFile(IniPath());
    Options({{IDC_LOGSIZE, "300"}, {IDC_LOGSNUM, "2"}, {IDC_FLUSHTIME, "0"}, {IDC_SCREENSIZE, "1500"}}, IDOK);
    app->Command(IDM_SAVE);
    EXPECT_TRUE(WaitIni("[Brevand]\r\nLogName=" + saved + "\r\nLogsNum=2\r\nLogSize=300\r\nFlushTime=0\r\n"
                        "ScreenSize=1500\r\nScreenFont=not a font\r\nVersion=1.11\r\n"));
    ASSERT_EQ(app->Quit(), 0);
    ASSERT_TRUE(app->StartQuickly());
    EXPECT_EQ(Options({}, IDCANCEL), saved + "|300|2|0|1500");
    EXPECT_EQ(app->Quit(), 0);
}

}  // namespace
