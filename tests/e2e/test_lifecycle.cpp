// Start-up, datagram lines, window layout and shutdown of the real program.
#include "driver.h"

#include <gtest/gtest.h>

namespace {

const char Banner[] = "     Windows BREVAND is opened ----";

// One run of the program with default settings, shared by the cases below in
// their order: starting it costs seconds.
class FirstRun : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand();
        sender = new Sender();
        Brevand::WriteIni("");
        if (!app->Launch())
            return;
        HWND about = app->WaitAboutBox(false);
        if (!about)
            return;
        DWORD shown = GetTickCount();
        // The listener does not exist while the About box is up.
        sender->Send("<13>sent while the About box is up");
        aboutStillUpAfterSend = IsWindowVisible(about) != 0;
        GetLocalTime(&beforeBanner);
        WaitWindowGone(about, 10000);
        aboutShownMs = GetTickCount() - shown;
        ready = app->WaitReady();
        GetLocalTime(&afterBanner);
    }

    static void TearDownTestSuite()
    {
        delete sender;
        delete app;
    }

    void SetUp() override
    {
        ASSERT_TRUE(ready) << "the program did not start; windows: " << DescribeDialogs(app->Pid());
        ASSERT_TRUE(app->Running()) << "the program has ended";
    }

    // Sends a datagram and checks its line in the file, the view and the status bar.
    void ExpectLogged(const std::string& datagram, const std::string& label, const std::string& text)
    {
        SYSTEMTIME before, after;
        GetLocalTime(&before);
        ASSERT_TRUE(sender->Send(datagram));
        count++;
        std::string tail = LineAfterStamp(*sender, label, text);
        ASSERT_TRUE(WaitFileEndsWith(app->DefaultLog(), tail))
            << "file ends with:\n" << LastLine(ReadWholeFile(app->DefaultLog()));
        GetLocalTime(&after);
        std::string log = ReadWholeFile(app->DefaultLog());
        std::string line = log.substr(log.size() - tail.size() - 16);
        EXPECT_TRUE(StampWithin(line.substr(0, 15), before, after))
            << "stamp \"" << line.substr(0, 15) << "\" not local time " << FormatStamp(after);
        EXPECT_EQ(' ', line[15]);
        EXPECT_TRUE(app->WaitViewEndsWith(line)) << "view ends with:\n" << LastLine(app->ViewText());
        EXPECT_TRUE(app->WaitStatus(app->ExpectedStatus(app->DefaultLog(), count)))
            << app->StatusText();
    }

    static Brevand* app;
    static Sender* sender;
    static bool ready;
    static bool aboutStillUpAfterSend;
    static DWORD aboutShownMs;
    static SYSTEMTIME beforeBanner, afterBanner;
    static int count;
};

Brevand* FirstRun::app = nullptr;
Sender* FirstRun::sender = nullptr;
bool FirstRun::ready = false;
bool FirstRun::aboutStillUpAfterSend = false;
DWORD FirstRun::aboutShownMs = 0;
SYSTEMTIME FirstRun::beforeBanner;
SYSTEMTIME FirstRun::afterBanner;
int FirstRun::count = 0;

TEST_F(FirstRun, AboutBoxClosesItselfAfterAboutThreeSeconds)
{
    EXPECT_GE(aboutShownMs, 2000u);
    EXPECT_LE(aboutShownMs, 6000u);
}

TEST_F(FirstRun, BannerIsTheOnlyLineAndDatagramOfAboutBoxTimeIsLost)
{
    ASSERT_TRUE(aboutStillUpAfterSend);
    std::string log = ReadWholeFile(app->DefaultLog());
    std::vector<std::string> lines = SplitLines(log);
    ASSERT_EQ(1u, lines.size()) << log;
    ASSERT_EQ(5 + 15 + sizeof Banner - 1, lines[0].size()) << lines[0];
    EXPECT_EQ("---- ", lines[0].substr(0, 5));
    EXPECT_TRUE(StampWithin(lines[0].substr(5, 15), beforeBanner, afterBanner))
        << lines[0] << " is not between " << FormatStamp(beforeBanner) << " and " << FormatStamp(afterBanner);
    EXPECT_EQ(Banner, lines[0].substr(20));
    EXPECT_EQ("\r\n", log.substr(log.size() - 2));
    EXPECT_TRUE(app->WaitViewText(log)) << app->ViewText();
    EXPECT_EQ(app->ExpectedStatus(app->DefaultLog(), 0), app->StatusText());
}

TEST_F(FirstRun, EachDatagramGivesItsLineInFileViewAndStatusBar)
{
    {
        SCOPED_TRACE("priority decoded");
        ExpectLogged("<13>hello", "<User.Notice>", "hello");
        ExpectLogged("<34>login failed", "<Auth.Crit>", "login failed");
        ExpectLogged("<191>x", "<Local7.Debug>", "x");
    }
    {
        SCOPED_TRACE("no priority");
        ExpectLogged("plain text, no priority", "<none>", "plain text, no priority");
    }
    {
        SCOPED_TRACE("bytes written unchanged");
        ExpectLogged("<13>ends in a line feed\n", "<User.Notice>", "ends in a line feed\n");
        ExpectLogged("<13>bytes \x01\x7f\xe9\xff end", "<User.Notice>", "bytes \x01\x7f\xe9\xff end");
        ExpectLogged(std::string("<13>cut\0hidden", 14), "<User.Notice>", "cut");
    }
    {
        SCOPED_TRACE("600 bytes logged whole");
        std::string text(596, 'a');
        text.back() = 'Z';
        ExpectLogged("<12>" + text, "<User.Warning>", text);
    }
}

TEST_F(FirstRun, DatagramOver600BytesGivesOnlyASocketErrorLine)
{
    std::string before = ReadWholeFile(app->DefaultLog());
    std::string text(597, 'b');
    ASSERT_TRUE(sender->Send("<12>" + text));
    count++;
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(app->DefaultLog()).size() > before.size(); }, 3000));
    Pause(200);
    std::string added = ReadWholeFile(app->DefaultLog()).substr(before.size());
    EXPECT_EQ("\r\nSOCKET ERROR: ", added.substr(0, 16)) << added;
    EXPECT_NE(std::string::npos, added.find("10040")) << added;
    EXPECT_EQ(std::string::npos, added.find("bbbb")) << added;
    EXPECT_EQ("\r\n", added.substr(added.size() - 2)) << added;
    // The next datagram is handled normally.
    ExpectLogged("<14>after the long one", "<User.Info>", "after the long one");
}

TEST_F(FirstRun, ResizingKeepsStatusBarAtBottomAndViewFillingTheRest)
{
    for (SIZE size : {SIZE{720, 520}, SIZE{430, 310}}) {
        SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
        ASSERT_TRUE(SetWindowPos(app->Main(), nullptr, 0, 0, size.cx, size.cy,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        RECT client = {}, view = {}, status = {};
        bool fitted = WaitUntil(
            [&] {
                GetClientRect(app->Main(), &client);
                view = ChildRect(app->View());
                status = ChildRect(app->StatusBar());
                return status.bottom == client.bottom && view.bottom == status.top &&
                       view.right == client.right && status.right == client.right;
            },
            2000);
        EXPECT_TRUE(fitted);
        RECT window = {};
        GetWindowRect(app->Main(), &window);
        EXPECT_EQ(size.cx, window.right - window.left);
        EXPECT_EQ(size.cy, window.bottom - window.top);
        EXPECT_EQ(0, view.left);
        EXPECT_EQ(0, view.top);
        EXPECT_EQ(client.right, view.right);
        EXPECT_EQ(status.top, view.bottom);
        EXPECT_EQ(0, status.left);
        EXPECT_EQ(client.right, status.right);
        EXPECT_EQ(client.bottom, status.bottom);
        EXPECT_GT(status.bottom - status.top, 0);
    }
}

TEST_F(FirstRun, NoToTheExitQuestionKeepsItRunning)
{
    PostMessageA(app->Main(), WM_CLOSE, 0, 0);
    HWND box = app->WaitBox("Exit BREVAND");
    ASSERT_TRUE(box) << DescribeDialogs(app->Pid());
    EXPECT_EQ("       Exit Windows BREVAND ?", MessageBoxText(box));
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(WaitWindowGone(box));
    Pause(300);
    ASSERT_TRUE(app->Running());
    ExpectLogged("<13>still here after No", "<User.Notice>", "still here after No");
}

TEST_F(FirstRun, YesToTheExitQuestionEndsWithEveryLineOnDisk)
{
    ExpectLogged("<13>last words", "<User.Notice>", "last words");
    std::string before = ReadWholeFile(app->DefaultLog());
    EXPECT_EQ(0, app->Quit());
    EXPECT_FALSE(app->Running());
    std::string after = ReadWholeFile(app->DefaultLog());
    EXPECT_EQ(before, after);
    // Every datagram but the refused one has its line.
    int lines = 0;
    for (const std::string& line : SplitLines(after))
        if (line.size() > 26 && line.compare(15, 11, " 127.0.0.1:") == 0)
            lines++;
    EXPECT_EQ(count - 1, lines) << after;
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

TEST(StartUp, PortAlreadyTakenEndsWithBindErrorBox)
{
    PortBlocker blocker;
    ASSERT_TRUE(blocker.Holding());
    Brevand app;
    ASSERT_TRUE(Brevand::WriteIni(""));
    ASSERT_TRUE(app.Launch());
    ASSERT_TRUE(app.WaitAboutBox(true));
    HWND box = app.WaitBox("BREVAND Error", 10000);
    ASSERT_TRUE(box) << DescribeDialogs(app.Pid());
    std::string text = MessageBoxText(box);
    EXPECT_NE(std::string::npos, text.find("Error binding Logging Socket")) << text;
    EXPECT_NE(std::string::npos, text.find("10048")) << text;
    Pause(300);
    EXPECT_TRUE(app.Running()) << "ended before OK";
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(0, app.WaitExit());
    // Start-up stopped before the settings were read and the log opened.
    EXPECT_FALSE(FileExists(app.DefaultLog()));
}

}  // namespace
