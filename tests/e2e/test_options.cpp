// The Options dialog and the settings file, seen through the running program and its files.
#include "driver.h"

#include "res/resource.h"

namespace {

const char Font[] = "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New";

// Base of the suites that open the Options dialog.
class WithOptions : public OneRun {
protected:
    HWND OpenOptions()
    {
        app->Command(IDM_OPTIONS);
        HWND dialog = app->WaitBox(" Brevand Options");
        EXPECT_TRUE(dialog) << DescribeDialogs(app->Pid());
        return dialog;
    }

    // Presses a button and answers each correction box, {caption, text}, in this order.
    void Accept(HWND dialog, int button, const std::vector<std::pair<const char*, std::string>>& boxes = {})
    {
        ASSERT_TRUE(PressButton(dialog, button));
        for (const auto& expected : boxes) {
            HWND box = app->WaitBox(expected.first);
            ASSERT_TRUE(box) << "no box \"" << expected.first << "\"; windows:\n" << DescribeDialogs(app->Pid());
            EXPECT_EQ(expected.second, MessageBoxText(box)) << expected.first;
            ASSERT_TRUE(PressButton(box, IDOK));
            ASSERT_TRUE(WaitWindowGone(box));
        }
        EXPECT_TRUE(WaitWindowGone(dialog)) << DescribeDialogs(app->Pid());
        Sleep(150);
        EXPECT_EQ(std::string::npos, DescribeDialogs(app->Pid()).find("[#32770]"))
            << "a box too many:\n" << DescribeDialogs(app->Pid());
    }

    // Opens the dialog, fills fields {id, text} and Accepts; the fields as the dialog
    // opened, "name|size|number|flush|screen".
    std::string Options(const std::vector<std::pair<int, std::string>>& fields, int button,
                        const std::vector<std::pair<const char*, std::string>>& boxes = {})
    {
        HWND dialog = OpenOptions();
        if (!dialog)
            return "(no dialog)";
        std::string shown;
        for (int id : {IDC_LOGNAME, IDC_LOGSIZE, IDC_LOGSNUM, IDC_FLUSHTIME, IDC_SCREENSIZE})
            shown += (id == IDC_LOGNAME ? "" : "|") + WindowText(GetDlgItem(dialog, id));
        for (const auto& field : fields)
            EXPECT_TRUE(SetWindowTextRemote(GetDlgItem(dialog, field.first), field.second)) << field.first;
        Accept(dialog, button, boxes);
        return shown;
    }

    std::string Statistics() { return app->CommandBoxText(IDM_STATISTICS, "BREVAND: Statistics"); }

    // Waits until the INI's [Brevand] section holds these keys and no others.
    static std::map<std::string, std::string> WaitSaved(const std::map<std::string, std::string>& expected)
    {
        WaitUntil([&] { return IniSection("Brevand") == expected; });
        return IniSection("Brevand");
    }
};

// One run whose INI names the log file, flushes after every line and sets a font.
class OptionsDialog : public WithOptions {
protected:
    static void SetUpTestSuite()
    {
        Start("[Brevand]\r\nLogName=$DIR\\opts.log\r\nLogsNum=3\r\nLogSize=150000\r\nFlushTime=0\r\n"
              "ScreenSize=6000\r\nScreenFont=" + std::string(Font) + "\r\n");
    }

    static std::string Log() { return app->PathIn("opts.log"); }
    static std::string Archive() { return app->PathIn("opts.000"); }
};

TEST_F(OptionsDialog, WithFlushTimeZeroALineIsOnDiskAtOnce)
{
    ASSERT_TRUE(sender->Send("<13>flushed at once"));
    count++;
    // The status bar is set after the line was written and flushed.
    ASSERT_TRUE(app->WaitStatus(Brevand::Status(Log(), count)));
    EXPECT_TRUE(EndsWith(ReadWholeFile(Log()), sender->Line("<User.Notice>", "flushed at once")));
}

TEST_F(OptionsDialog, OpensWithTheSettingsAndCancelChangesNothing)
{
    std::string log = ReadWholeFile(Log());
    ASSERT_TRUE(app->WaitView(log)) << app->ViewText();
    EXPECT_EQ(Log() + "|150000|3|0|6000", Options({{IDC_SCREENSIZE, "2000"}}, IDCANCEL));
    EXPECT_FALSE(FileExists(Archive())) << "Cancel rotated the log";
    EXPECT_EQ(log, ReadWholeFile(Log()));
    EXPECT_TRUE(app->WaitView(log));
    EXPECT_EQ(ExpectedStatistics(Log(), log.size(), 6000, count, 0), Statistics());
}

TEST_F(OptionsDialog, EscapeClosesAsCancel)
{
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    HWND name = GetDlgItem(dialog, IDC_LOGNAME);
    PostMessageA(name, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(name, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_TRUE(WaitWindowGone(dialog, 3000));
    if (IsWindow(dialog))
        Accept(dialog, IDCANCEL);
    EXPECT_FALSE(FileExists(Archive())) << "Escape rotated the log";
}

TEST_F(OptionsDialog, OkWithoutChangeRotatesTheLogAndKeepsTheView)
{
    std::string log = ReadWholeFile(Log());
    ASSERT_TRUE(app->WaitView(log)) << app->ViewText();
    Options({}, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(Archive()); }));
    EXPECT_EQ(log, ReadWholeFile(Archive()));
    EXPECT_TRUE(FileExists(Log()));
    EXPECT_EQ("", ReadWholeFile(Log()));
    EXPECT_TRUE(app->WaitView(log));
    EXPECT_TRUE(app->WaitStatus(Brevand::Status(Log(), count))) << app->StatusText();
    SendLogged(Log(), "<13>into the fresh file", "<User.Notice>", "into the fresh file");
}

TEST_F(OptionsDialog, ValuesTooHighAreCorrectedAndANewScreenSizeEmptiesTheView)
{
    Options({{IDC_FLUSHTIME, "45"}, {IDC_SCREENSIZE, "50000"}}, IDOK,
            {{" Invalid FlushTime", "FlushTime (45) is too high. Adjusted to 30."},
             {" Invalid ScreenSize", "Screen size (50000) is too large. Adjusted to 32000."}});
    EXPECT_TRUE(app->WaitView("")) << app->ViewText();
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 32000, count, 30), Statistics());
}

TEST_F(OptionsDialog, EmptyFieldsKeepSizesSetFlushTimeZeroAndComplainOfScreenSize)
{
    Options({{IDC_LOGSIZE, ""}, {IDC_LOGSNUM, ""}, {IDC_FLUSHTIME, ""}, {IDC_SCREENSIZE, ""}}, IDOK,
            {{" Invalid ScreenSize", "Screen size (0) is too small. Adjusted to 1000."}});
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 1000, count, 0), Statistics());
    EXPECT_EQ(Log() + "|150000|3|0|1000", Options({}, IDCANCEL));
}

TEST_F(OptionsDialog, NewLogNameLeavesTheOldFileClosedAndUntouched)
{
    std::string renamed = app->PathIn("renamed.txt");
    // The live file is held open, so the check below can tell.
    EXPECT_FALSE(FileIsClosed(Log()));
    Options({{IDC_LOGNAME, renamed}}, IDOK);
    EXPECT_TRUE(app->WaitStatus(Brevand::Status(renamed, count))) << app->StatusText();
    std::string oldText = ReadWholeFile(Log());
    EXPECT_TRUE(FileIsClosed(Log()));
    std::string line = SendLogged(renamed, "<13>into the renamed file", "<User.Notice>", "into the renamed file");
    EXPECT_EQ(line, ReadWholeFile(renamed));
    EXPECT_EQ(oldText, ReadWholeFile(Log()));
    EXPECT_TRUE(FileIsClosed(Log()));
    EXPECT_FALSE(FileExists(app->PathIn("renamed.000")));
}

TEST_F(OptionsDialog, SaveAndOkWritesEveryKeyWithTheFont)
{
    std::string renamed = app->PathIn("renamed.txt");
    std::string log = ReadWholeFile(renamed);
    Options({{IDC_SCREENSIZE, "4000"}}, IDC_SAVEOK);
    std::map<std::string, std::string> expected = {
        {"Version", "1.11"}, {"LogName", renamed},    {"LogsNum", "3"},     {"LogSize", "150000"},
        {"FlushTime", "0"},  {"ScreenSize", "4000"}, {"ScreenFont", Font}};
    EXPECT_EQ(expected, WaitSaved(expected));
    // Save+OK accepts too: the log was rotated.
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("renamed.000")) == log; }));
    EXPECT_EQ(0, app->Quit());
}

// A run whose INI holds values out of range and a bad font, saved from the menu
// and read back by a second run.
class SavedSettings : public WithOptions {
protected:
    static void SetUpTestSuite()
    {
        Start("[Brevand]\r\nLogName=$DIR\\saved.txt\r\nLogsNum=abc\r\nLogSize=50\r\nFlushTime=45\r\n"
              "ScreenSize=40000\r\nScreenFont=not a font\r\n");
    }
};

TEST_F(SavedSettings, SaveConfigurationWritesSixKeysAndLeavesABadFontAlone)
{
    app->Command(IDM_SAVE);
    std::map<std::string, std::string> expected = {
        {"Version", "1.11"}, {"LogName", app->PathIn("saved.txt")}, {"LogsNum", "1"},
        {"LogSize", "200"},  {"FlushTime", "30"}, {"ScreenSize", "32000"}, {"ScreenFont", "not a font"}};
    EXPECT_EQ(expected, WaitSaved(expected));
}

TEST_F(SavedSettings, ChangedValuesSavedFromTheMenuAreReadBackByTheNextRun)
{
    Options({{IDC_LOGSIZE, "300"}, {IDC_LOGSNUM, "2"}, {IDC_FLUSHTIME, "0"}, {IDC_SCREENSIZE, "1500"}}, IDOK);
    app->Command(IDM_SAVE);
    std::map<std::string, std::string> expected = {
        {"Version", "1.11"}, {"LogName", app->PathIn("saved.txt")}, {"LogsNum", "2"},
        {"LogSize", "300"},  {"FlushTime", "0"}, {"ScreenSize", "1500"}, {"ScreenFont", "not a font"}};
    EXPECT_EQ(expected, WaitSaved(expected));
    ASSERT_EQ(0, app->Quit());
    ASSERT_TRUE(app->StartQuickly());
    EXPECT_EQ(app->PathIn("saved.txt") + "|300|2|0|1500", Options({}, IDCANCEL));
    EXPECT_EQ(0, app->Quit());
}

}  // namespace
