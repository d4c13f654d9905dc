// The Options dialog and the settings file, seen through the running program and its files.
#include "driver.h"

#include "res/resource.h"

#include <gtest/gtest.h>

namespace {

const char OptionsCaption[] = " Brevand Options";
const char Font[] = "-13,0,0,0,400,0,0,0,0,3,2,1,49,Courier New";

struct Correction {
    const char* caption;
    std::string text;
};

std::string Value(const std::vector<std::pair<std::string, std::string>>& pairs, const std::string& key)
{
    for (const auto& pair : pairs)
        if (pair.first == key)
            return pair.second;
    return "(absent)";
}

std::string Keys(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::string keys;
    for (const auto& pair : pairs)
        keys += pair.first + " ";
    return keys;
}

// Base of the cases that run one program and open its Options dialog.
class WithProgram : public testing::Test {
protected:
    static void Start(const std::string& ini)
    {
        app = new Brevand();
        sender = new Sender();
        std::string text = ini;
        size_t dir = text.find("$DIR");
        while (dir != std::string::npos) {
            text.replace(dir, 4, app->Dir());
            dir = text.find("$DIR");
        }
        ready = Brevand::WriteIni(text) && app->StartQuickly();
    }

    static void Stop()
    {
        delete sender;
        delete app;
        sender = nullptr;
        app = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(ready) << "the program did not start; windows: " << DescribeDialogs(app->Pid());
        ASSERT_TRUE(app->Running()) << "the program has ended";
    }

    HWND OpenOptions()
    {
        app->Command(IDM_OPTIONS);
        HWND dialog = app->WaitBox(OptionsCaption);
        EXPECT_TRUE(dialog) << DescribeDialogs(app->Pid());
        return dialog;
    }

    std::string Field(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

    void SetField(HWND dialog, int id, const std::string& text)
    {
        EXPECT_TRUE(SetWindowTextRemote(GetDlgItem(dialog, id), text)) << "field " << id;
    }

    // Presses a button and answers each correction box, which must come in this order.
    void Accept(HWND dialog, int button, const std::vector<Correction>& corrections)
    {
        ASSERT_TRUE(PressButton(dialog, button));
        for (const Correction& expected : corrections) {
            HWND box = app->WaitBox(expected.caption);
            ASSERT_TRUE(box) << "no box \"" << expected.caption << "\"; windows:\n" << DescribeDialogs(app->Pid());
            EXPECT_EQ(expected.text, MessageBoxText(box)) << expected.caption;
            ASSERT_TRUE(PressButton(box, IDOK));
            ASSERT_TRUE(WaitWindowGone(box));
        }
        EXPECT_TRUE(WaitWindowGone(dialog)) << DescribeDialogs(app->Pid());
        Pause(150);
        std::string open = DescribeDialogs(app->Pid());
        EXPECT_EQ(std::string::npos, open.find("[#32770]")) << "a box too many:\n" << open;
    }

    std::string Statistics()
    {
        return app->CommandBoxText(IDM_STATISTICS, "BREVAND: Statistics");
    }

    // Sends a datagram and waits for its line at the end of the file at path.
    std::string SendLogged(const std::string& path, const std::string& text)
    {
        EXPECT_TRUE(sender->Send("<13>" + text));
        count++;
        std::string tail = LineAfterStamp(*sender, "<User.Notice>", text);
        EXPECT_TRUE(WaitFileEndsWith(path, tail)) << LastLine(ReadWholeFile(path));
        return tail;
    }

    // Sends a datagram and waits until the status bar counts it: its line
    // may already have been rotated out of the live file.
    void SendCounted(const std::string& path, const std::string& text)
    {
        EXPECT_TRUE(sender->Send("<13>" + text));
        count++;
        EXPECT_TRUE(app->WaitStatus(app->ExpectedStatus(path, count))) << app->StatusText();
    }

    static Brevand* app;
    static Sender* sender;
    static bool ready;
    static int count;
};

Brevand* WithProgram::app = nullptr;
Sender* WithProgram::sender = nullptr;
bool WithProgram::ready = false;
int WithProgram::count = 0;

// One run whose INI names the log file, flushes after every line and sets a font.
class OptionsDialog : public WithProgram {
protected:
    static void SetUpTestSuite()
    {
        count = 0;
        Start("[Brevand]\r\nLogName=$DIR\\opts.log\r\nLogsNum=3\r\nLogSize=100000\r\nFlushTime=0\r\n"
              "ScreenSize=6000\r\nScreenFont=" + std::string(Font) + "\r\n");
    }
    static void TearDownTestSuite() { Stop(); }

    std::string Log() { return app->PathIn("opts.log"); }
};

TEST_F(OptionsDialog, WithFlushTimeZeroALineIsOnDiskAtOnce)
{
    ASSERT_TRUE(sender->Send("<13>flushed at once"));
    count++;
    // The status bar is set after the line was written and flushed.
    ASSERT_TRUE(app->WaitStatus(app->ExpectedStatus(Log(), count)));
    std::string log = ReadWholeFile(Log());
    std::string tail = LineAfterStamp(*sender, "<User.Notice>", "flushed at once");
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(tail, log.substr(log.size() - tail.size()));
}

TEST_F(OptionsDialog, OpensWithTheSettingsAndCancelChangesNothing)
{
    std::string log = ReadWholeFile(Log());
    // Everything written so far is on view.
    ASSERT_TRUE(app->WaitViewText(log)) << app->ViewText();
    std::string shown = app->ViewText();
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Log(), Field(dialog, IDC_LOGNAME));
    EXPECT_EQ("100000", Field(dialog, IDC_LOGSIZE));
    EXPECT_EQ("3", Field(dialog, IDC_LOGSNUM));
    EXPECT_EQ("0", Field(dialog, IDC_FLUSHTIME));
    EXPECT_EQ("6000", Field(dialog, IDC_SCREENSIZE));
    {
        SCOPED_TRACE("font chooser cancelled: no error box");
        ASSERT_TRUE(PressButton(dialog, IDC_FONT));
        HWND chooser = app->WaitBox("Font");
        ASSERT_TRUE(chooser) << DescribeDialogs(app->Pid());
        ASSERT_TRUE(PressButton(chooser, IDCANCEL));
        ASSERT_TRUE(WaitWindowGone(chooser));
    }
    SetField(dialog, IDC_SCREENSIZE, "2000");
    Accept(dialog, IDCANCEL, {});
    EXPECT_FALSE(FileExists(app->PathIn("opts.000"))) << "Cancel rotated the log";
    EXPECT_EQ(log, ReadWholeFile(Log()));
    EXPECT_TRUE(app->WaitViewText(shown));
    EXPECT_EQ(ExpectedStatistics(Log(), shown.size(), 6000, count, 0), Statistics());
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
        Accept(dialog, IDCANCEL, {});
    EXPECT_FALSE(FileExists(app->PathIn("opts.000"))) << "Escape rotated the log";
}

TEST_F(OptionsDialog, OkWithoutChangeRotatesTheLogAndKeepsTheView)
{
    std::string log = ReadWholeFile(Log());
    ASSERT_TRUE(app->WaitViewText(log)) << app->ViewText();
    std::string shown = app->ViewText();
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    Accept(dialog, IDOK, {});
    ASSERT_TRUE(WaitUntil([&] { return FileExists(app->PathIn("opts.000")); }, 2000));
    EXPECT_EQ(log, ReadWholeFile(app->PathIn("opts.000")));
    EXPECT_TRUE(FileExists(Log()));
    EXPECT_EQ("", ReadWholeFile(Log()));
    EXPECT_TRUE(app->WaitViewText(shown));
    EXPECT_TRUE(app->WaitStatus(app->ExpectedStatus(Log(), count))) << app->StatusText();
    SendLogged(Log(), "into the fresh file");
}

TEST_F(OptionsDialog, ValuesTooHighAreCorrectedWithOneBoxEach)
{
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SetField(dialog, IDC_LOGSNUM, "2000");
    SetField(dialog, IDC_FLUSHTIME, "45");
    SetField(dialog, IDC_SCREENSIZE, "50000");
    Accept(dialog, IDOK,
           {{" Invalid NumOfLogs", "Number of logs (2000) is too high. Adjusted to 1000."},
            {" Invalid FlushTime", "FlushTime (45) is too high. Adjusted to 30."},
            {" Invalid ScreenSize", "Screen size (50000) is too large. Adjusted to 32000."}});
    // A new screen size starts an empty view.
    EXPECT_TRUE(app->WaitViewText("")) << app->ViewText();
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 32000, count, 30), Statistics());
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("1000", Field(dialog, IDC_LOGSNUM));
    EXPECT_EQ("30", Field(dialog, IDC_FLUSHTIME));
    EXPECT_EQ("32000", Field(dialog, IDC_SCREENSIZE));
    Accept(dialog, IDCANCEL, {});
}

TEST_F(OptionsDialog, ValuesTooSmallAreCorrectedWithOneBoxEach)
{
    SendLogged(Log(), "before the corrections");
    std::string before = ReadWholeFile(Log());
    std::string older = ReadWholeFile(app->PathIn("opts.000"));
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SetField(dialog, IDC_LOGSIZE, "50");
    SetField(dialog, IDC_LOGSNUM, "0");
    // Read unsigned, compared signed: 3000000000 counts as negative.
    SetField(dialog, IDC_FLUSHTIME, "3000000000");
    SetField(dialog, IDC_SCREENSIZE, "500");
    Accept(dialog, IDOK,
           {{" Invalid LogSize", "Log size (50) is too small. Adjusted to 200."},
            {" Invalid NumOfLogs", "Number of logs (0) is too small. Adjusted to 1."},
            {" Invalid FlushTime", "FlushTime (-1294967296) is too small. Adjusted to 0."},
            {" Invalid ScreenSize", "Screen size (500) is too small. Adjusted to 1000."}});
    EXPECT_TRUE(app->WaitViewText("")) << app->ViewText();
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 1000, count, 0), Statistics());
    // LogsNum is 1 when the accepted dialog rotates: .001 is dropped, .000
    // moves up and the live file becomes .000.
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("opts.000")) == before; }, 2000));
    EXPECT_EQ(older, ReadWholeFile(app->PathIn("opts.001")));
    EXPECT_NE(std::string::npos, older.find("into the fresh file")) << older;
    EXPECT_FALSE(FileExists(app->PathIn("opts.002")));
}

TEST_F(OptionsDialog, EmptyFieldsKeepSizesSetFlushTimeZeroAndComplainOfScreenSize)
{
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("200", Field(dialog, IDC_LOGSIZE));
    EXPECT_EQ("1", Field(dialog, IDC_LOGSNUM));
    SetField(dialog, IDC_FLUSHTIME, "7");
    SetField(dialog, IDC_SCREENSIZE, "1500");
    Accept(dialog, IDOK, {});
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 1500, count, 7), Statistics());
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    for (int id : {IDC_LOGSIZE, IDC_LOGSNUM, IDC_FLUSHTIME, IDC_SCREENSIZE})
        SetField(dialog, id, "");
    Accept(dialog, IDOK, {{" Invalid ScreenSize", "Screen size (0) is too small. Adjusted to 1000."}});
    EXPECT_EQ(ExpectedStatistics(Log(), 0, 1000, count, 0), Statistics());
    dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("200", Field(dialog, IDC_LOGSIZE));
    EXPECT_EQ("1", Field(dialog, IDC_LOGSNUM));
    EXPECT_EQ("0", Field(dialog, IDC_FLUSHTIME));
    Accept(dialog, IDCANCEL, {});
}

TEST_F(OptionsDialog, NewLogNameLeavesTheOldFileClosedAndUntouched)
{
    std::string old = Log();
    // The live file is held open, so the check below can tell.
    EXPECT_FALSE(FileIsClosed(old));
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SetField(dialog, IDC_LOGSIZE, "100000");
    SetField(dialog, IDC_LOGNAME, app->PathIn("renamed.txt"));
    Accept(dialog, IDOK, {});
    std::string renamed = app->PathIn("renamed.txt");
    EXPECT_TRUE(app->WaitStatus(app->ExpectedStatus(renamed, count))) << app->StatusText();
    std::string oldText = ReadWholeFile(old);
    EXPECT_TRUE(FileIsClosed(old));
    SendLogged(renamed, "into the renamed file");
    EXPECT_EQ(oldText, ReadWholeFile(old));
    EXPECT_TRUE(FileIsClosed(old));
    EXPECT_FALSE(FileExists(app->PathIn("renamed.000")));
    EXPECT_EQ(LineAfterStamp(*sender, "<User.Notice>", "into the renamed file"),
              ReadWholeFile(renamed).substr(16));
}

TEST_F(OptionsDialog, SaveAndOkWritesEveryKeyWithTheFont)
{
    std::string renamed = app->PathIn("renamed.txt");
    std::string log = ReadWholeFile(renamed);
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SetField(dialog, IDC_SCREENSIZE, "4000");
    Accept(dialog, IDC_SAVEOK, {});
    std::vector<std::pair<std::string, std::string>> pairs;
    WaitUntil(
        [&] {
            pairs = IniSection(ReadWholeFile(IniPath()), "Brevand");
            return Value(pairs, "Version") == "1.11" && Value(pairs, "ScreenSize") == "4000";
        },
        3000);
    EXPECT_EQ("1.11", Value(pairs, "Version"));
    EXPECT_EQ(renamed, Value(pairs, "LogName"));
    EXPECT_EQ("1", Value(pairs, "LogsNum"));
    EXPECT_EQ("100000", Value(pairs, "LogSize"));
    EXPECT_EQ("0", Value(pairs, "FlushTime"));
    EXPECT_EQ("4000", Value(pairs, "ScreenSize"));
    EXPECT_EQ(Font, Value(pairs, "ScreenFont"));
    EXPECT_EQ(7u, pairs.size()) << Keys(pairs);
    // Save+OK accepts too: the log was rotated.
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->PathIn("renamed.000")) == log; }, 2000));
    EXPECT_EQ(0, app->Quit());
}

// A run whose INI holds values out of range, saved from the menu and read back by a second run.
class SavedSettings : public WithProgram {
protected:
    static void SetUpTestSuite()
    {
        count = 0;
        Start("[Brevand]\r\nLogName=$DIR\\saved.txt\r\nLogsNum=abc\r\nLogSize=50\r\nFlushTime=45\r\n"
              "ScreenSize=40000\r\nScreenFont=not a font\r\n");
    }
    static void TearDownTestSuite() { Stop(); }

    std::string Log() { return app->PathIn("saved.txt"); }

    std::vector<std::pair<std::string, std::string>> SaveFromMenu(const std::string& screenSize)
    {
        app->Command(IDM_SAVE);
        std::vector<std::pair<std::string, std::string>> pairs;
        WaitUntil(
            [&] {
                pairs = IniSection(ReadWholeFile(IniPath()), "Brevand");
                return Value(pairs, "Version") == "1.11" && Value(pairs, "ScreenSize") == screenSize;
            },
            3000);
        return pairs;
    }
};

TEST_F(SavedSettings, OutOfRangeValuesLoadClampedWithoutMessage)
{
    EXPECT_EQ(std::string::npos, DescribeDialogs(app->Pid()).find("#32770")) << DescribeDialogs(app->Pid());
    EXPECT_EQ(ExpectedStatistics(Log(), 57, 32000, 0, 30), Statistics());
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    EXPECT_EQ("1", Field(dialog, IDC_LOGSNUM));
    EXPECT_EQ("200", Field(dialog, IDC_LOGSIZE));
    Accept(dialog, IDCANCEL, {});
}

TEST_F(SavedSettings, SaveConfigurationWritesSixKeysAndLeavesABadFontAlone)
{
    auto pairs = SaveFromMenu("32000");
    EXPECT_EQ("1.11", Value(pairs, "Version"));
    EXPECT_EQ(Log(), Value(pairs, "LogName"));
    EXPECT_EQ("1", Value(pairs, "LogsNum"));
    EXPECT_EQ("200", Value(pairs, "LogSize"));
    EXPECT_EQ("30", Value(pairs, "FlushTime"));
    EXPECT_EQ("32000", Value(pairs, "ScreenSize"));
    EXPECT_EQ("not a font", Value(pairs, "ScreenFont"));
    EXPECT_EQ(7u, pairs.size()) << Keys(pairs);
}

TEST_F(SavedSettings, ChangedValuesSavedFromTheMenuAreReadBackByTheNextRun)
{
    HWND dialog = OpenOptions();
    ASSERT_TRUE(dialog);
    SetField(dialog, IDC_LOGSIZE, "300");
    SetField(dialog, IDC_LOGSNUM, "2");
    SetField(dialog, IDC_FLUSHTIME, "0");
    SetField(dialog, IDC_SCREENSIZE, "1500");
    Accept(dialog, IDOK, {});
    auto pairs = SaveFromMenu("1500");
    EXPECT_EQ("2", Value(pairs, "LogsNum"));
    EXPECT_EQ("300", Value(pairs, "LogSize"));
    EXPECT_EQ("0", Value(pairs, "FlushTime"));
    EXPECT_EQ(7u, pairs.size()) << Keys(pairs);
    ASSERT_EQ(0, app->Quit());

    // A live file already at LogSize is rotated before the banner is written.
    std::string full = ReadWholeFile(Log()) + std::string(300, 'f');
    ASSERT_TRUE(WriteWholeFile(Log(), full));
    for (const char* archive : {"saved.000", "saved.001", "saved.002", "saved.003"})
        DeleteFileA(app->PathIn(archive).c_str());
    count = 0;
    ASSERT_TRUE(app->StartQuickly());
    EXPECT_EQ(full, ReadWholeFile(app->PathIn("saved.000")));
    std::string banner = ReadWholeFile(Log());
    EXPECT_EQ(57u, banner.size()) << banner;
    EXPECT_EQ(ExpectedStatistics(Log(), 57, 1500, 0, 0), Statistics());

    // LogSize 300 and LogsNum 2: files rotate past 300 bytes, archives .000 to .002.
    std::vector<std::string> tails;
    for (int i = 0; i < 24; i++) {
        std::string text = "line " + std::to_string(100 + i);
        SendCounted(Log(), text);
        tails.push_back(LineAfterStamp(*sender, "<User.Notice>", text));
    }
    EXPECT_TRUE(FileExists(app->PathIn("saved.002")));
    EXPECT_FALSE(FileExists(app->PathIn("saved.003")));
    for (const char* archive : {"saved.000", "saved.001", "saved.002"}) {
        size_t size = ReadWholeFile(app->PathIn(archive)).size();
        EXPECT_GT(size, 300u) << archive;
        EXPECT_LT(size, 300u + 60u) << archive;
    }
    std::string all = ReadWholeFile(app->PathIn("saved.002")) + ReadWholeFile(app->PathIn("saved.001")) +
                      ReadWholeFile(app->PathIn("saved.000")) + ReadWholeFile(Log());
    std::vector<std::string> lines = SplitLines(all);
    ASSERT_GE(lines.size(), 12u);
    // The newest lines follow each other across the file boundaries.
    for (size_t i = 0; i < 12; i++) {
        const std::string& line = lines[lines.size() - 12 + i];
        const std::string& tail = tails[tails.size() - 12 + i];
        ASSERT_GT(line.size(), 16u);
        EXPECT_EQ(tail, line.substr(16) + "\r\n") << i;
    }
    // ScreenSize 1500: the view keeps at most 1400 characters, cut at a line feed.
    std::string recent = all.substr(all.size() - 600);
    ASSERT_TRUE(app->WaitViewEndsWith(recent)) << app->ViewText();
    std::string shown = app->ViewText();
    EXPECT_LE(shown.size(), 1400u);
    EXPECT_GT(shown.size(), 1000u);
    EXPECT_EQ('\n', shown[0]);
    EXPECT_EQ(0, app->Quit());
}

}  // namespace
