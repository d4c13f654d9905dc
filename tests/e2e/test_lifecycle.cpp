// Start-up, datagram lines, window layout and shutdown of the real program.
#include "driver.h"

namespace {

const char Banner[] = "     Windows BREVAND is opened ----";

// One run with default settings that watches its About box at start.
class FirstRun : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand();
        sender = new Sender();
        ready = false;
        count = 0;
        HWND about = Brevand::WriteIni("") && app->Launch() ? app->WaitAboutBox(false) : nullptr;
        if (!about)
            return;
        DWORD shown = GetTickCount();
        // The listener does not exist yet: this datagram is lost.
        sender->Send("<13>sent while the About box is up");
        aboutUpAfterSend = IsWindowVisible(about) != 0;
        GetLocalTime(&beforeBanner);
        WaitWindowGone(about, 10000);
        aboutShownMs = GetTickCount() - shown;
        ready = app->WaitReady();
        GetLocalTime(&afterBanner);
    }

    // Sends a datagram and checks its line in the file, the view and the status bar.
    void ExpectLogged(const std::string& datagram, const std::string& label, const std::string& text)
    {
        SYSTEMTIME before, after;
        GetLocalTime(&before);
        std::string line = SendLogged(app->DefaultLog(), datagram, label, text);
        GetLocalTime(&after);
        EXPECT_TRUE(StampWithin(line.substr(0, 15), before, after)) << "not local time: " << line;
        EXPECT_EQ(' ', line[15]);
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(app->ViewText(), line); })) << app->ViewText();
        EXPECT_TRUE(app->WaitStatus(Brevand::Status(app->DefaultLog(), count))) << app->StatusText();
    }

    static inline bool aboutUpAfterSend = false;
    static inline DWORD aboutShownMs = 0;
    static inline SYSTEMTIME beforeBanner, afterBanner;
};

TEST_F(FirstRun, AboutBoxClosesItselfAfterAboutThreeSeconds)
{
    EXPECT_GE(aboutShownMs, 2000u);
    EXPECT_LE(aboutShownMs, 6000u);
}

TEST_F(FirstRun, BannerIsTheOnlyLineAndDatagramOfAboutBoxTimeIsLost)
{
    ASSERT_TRUE(aboutUpAfterSend);
    std::string log = ReadWholeFile(app->DefaultLog());
    ASSERT_EQ(5 + 15 + sizeof Banner - 1 + 2, log.size()) << log;
    EXPECT_EQ("---- " + log.substr(5, 15) + Banner + "\r\n", log);
    EXPECT_TRUE(StampWithin(log.substr(5, 15), beforeBanner, afterBanner)) << log;
    EXPECT_TRUE(app->WaitView(log)) << app->ViewText();
    EXPECT_EQ(Brevand::Status(app->DefaultLog(), 0), app->StatusText());
}

TEST_F(FirstRun, DatagramGivesItsLineInFileViewAndStatusBar)
{
    ExpectLogged("<34>login failed \x01\x7f\xe9\xff", "<Auth.Crit>", "login failed \x01\x7f\xe9\xff");
}

TEST_F(FirstRun, DatagramOver600BytesGivesOnlyASocketErrorLine)
{
    std::string before = ReadWholeFile(app->DefaultLog());
    ASSERT_TRUE(sender->Send("<12>" + std::string(597, 'b')));
    count++;
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(app->DefaultLog()).size() > before.size(); }));
    Sleep(200);
    std::string added = ReadWholeFile(app->DefaultLog()).substr(before.size());
    EXPECT_EQ("\r\nSOCKET ERROR: ", added.substr(0, 16)) << added;
    EXPECT_NE(std::string::npos, added.find("10040")) << added;
    EXPECT_EQ(std::string::npos, added.find("bbbb")) << added;
    EXPECT_TRUE(EndsWith(added, "\r\n")) << added;
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
        EXPECT_TRUE(WaitUntil(
            [&] {
                GetClientRect(app->Main(), &client);
                view = ChildRect(app->View());
                status = ChildRect(app->StatusBar());
                return view.left == 0 && view.top == 0 && view.right == client.right &&
                       view.bottom == status.top && status.left == 0 && status.right == client.right &&
                       status.bottom == client.bottom && status.top < status.bottom;
            },
            2000))
            << "client bottom " << client.bottom << ", view bottom " << view.bottom << ", status top " << status.top;
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
    Sleep(300);
    ASSERT_TRUE(app->Running());
    ExpectLogged("<13>still here after No", "<User.Notice>", "still here after No");
}

TEST_F(FirstRun, YesToTheExitQuestionEndsWithEveryLineOnDisk)
{
    ExpectLogged("<13>last words", "<User.Notice>", "last words");
    std::string before = ReadWholeFile(app->DefaultLog());
    EXPECT_EQ(0, app->Quit());
    EXPECT_EQ(before, ReadWholeFile(app->DefaultLog()));
    // Every datagram but the refused one has its line.
    int lines = 0;
    for (const std::string& line : SplitLines(before))
        lines += line.size() > 26 && line.compare(15, 11, " 127.0.0.1:") == 0;
    EXPECT_EQ(count - 1, lines) << before;
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

TEST(StartUp, PortAlreadyTakenEndsWithBindErrorBox)
{
    Sender blocker(514);
    ASSERT_TRUE(blocker.Bound());
    Brevand app;
    ASSERT_TRUE(Brevand::WriteIni("") && app.Launch() && app.WaitAboutBox(true));
    HWND box = app.WaitBox("BREVAND Error", 10000);
    ASSERT_TRUE(box) << DescribeDialogs(app.Pid());
    std::string text = MessageBoxText(box);
    EXPECT_NE(std::string::npos, text.find("Error binding Logging Socket")) << text;
    EXPECT_NE(std::string::npos, text.find("10048")) << text;
    Sleep(300);
    EXPECT_TRUE(app.Running()) << "ended before OK";
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_EQ(0, app.WaitExit());
    // Start-up stopped before the log was opened.
    EXPECT_FALSE(FileExists(app.DefaultLog()));
}

}  // namespace
