// Start-up, datagrams through the real socket, window layout and shutdown of the real program.
#include "driver.h"

namespace {

// One run with default settings that watches its About box at start.
class FirstRun : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand();
        sender = new Sender();
        HWND about = app->WriteIni("") && app->Launch() ? app->WaitAboutBox(false) : nullptr;
        if (!about)
            return;
        DWORD shown = GetTickCount();
        sender->Send("<13>sent while the About box is up: lost, the socket does not exist yet");
        // Only OK closes it.
        PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(about, WM_CLOSE, 0, 0);
        Sleep(300);
        aboutStayed = IsWindowVisible(about) != 0;
        bannerFrom = LocalStamp();
        WaitUntil([&] { return !IsWindowVisible(about); }, 10000);
        aboutShownMs = GetTickCount() - shown;
        ready = app->WaitReady();
        bannerTo = LocalStamp();
    }

    // Sends a datagram; its line in the file, the view and the status bar.
    void ExpectLogged(const std::string& datagram, const std::string& label, const std::string& text)
    {
        std::string from = LocalStamp();
        std::string line = SendLogged(app->DefaultLog(), datagram, label, text);
        EXPECT_TRUE(line.substr(0, 15) == from || line.substr(0, 15) == LocalStamp()) << "not local time: " << line;
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(app->ViewText(), line); })) << app->ViewText();
        EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count));
    }

    static inline bool aboutStayed = false;
    static inline DWORD aboutShownMs = 0;
    static inline std::string bannerFrom, bannerTo;
};

TEST_F(FirstRun, AboutBoxClosesItselfAndTheBannerIsTheOnlyLine)
{
    EXPECT_TRUE(aboutStayed) << "Escape or the close box closed the About box";
    EXPECT_GE(aboutShownMs, 2000u);
    EXPECT_LE(aboutShownMs, 6000u);
    std::string log = ReadWholeFile(app->DefaultLog());
    ASSERT_EQ(log.size(), 57u) << log;
    EXPECT_EQ(log, "---- " + log.substr(5, 15) + "     Windows BREVAND is opened ----\r\n");
    EXPECT_TRUE(log.substr(5, 15) == bannerFrom || log.substr(5, 15) == bannerTo) << log;
    EXPECT_TRUE(app->WaitView(log)) << app->ViewText();
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), 0));
}

TEST_F(FirstRun, DatagramGivesItsLineInFileViewAndStatusBar)
{
    ExpectLogged("<34>login failed \x01\x7f\xe9\xff", "<Auth.Crit>", "login failed \x01\x7f\xe9\xff");
}

TEST_F(FirstRun, RefusedDatagramAndErrorEventGiveOnlySocketErrorLines)
{
    std::string before = ReadWholeFile(app->DefaultLog());
    ASSERT_TRUE(sender->Send("<12>" + std::string(597, 'b')));
    count++;
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count));
    EXPECT_EQ(ReadWholeFile(app->DefaultLog()).substr(before.size()),
              "\r\nSOCKET ERROR: A datagram was larger than the receive buffer and was dropped. "
              "(Error in LogRequest, error 10040)\r\n\r\n");
    // An error event is counted, but the status bar waits for the next good event.
    before = ReadWholeFile(app->DefaultLog());
    PostMessageA(app->Main(), WM_USER + 1042, 0, MAKELONG(0, 10050));
    count++;
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->DefaultLog()).size() > before.size(); }));
    Sleep(300);
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count - 1)) << "updated after an error event";
    ExpectLogged("<14>after the errors", "<User.Info>", "after the errors");
}

TEST_F(FirstRun, ResizingKeepsTheStatusBarAtTheBottomAndTheViewFillingTheRest)
{
    for (SIZE size : {SIZE{720, 520}, SIZE{430, 310}}) {
        ASSERT_TRUE(SetWindowPos(app->Main(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER));
        EXPECT_TRUE(WaitUntil([&] {
            RECT client, view, status;
            GetClientRect(app->Main(), &client);
            GetWindowRect(app->View(), &view);
            GetWindowRect(app->StatusBar(), &status);
            MapWindowPoints(nullptr, app->Main(), reinterpret_cast<POINT*>(&view), 2);
            MapWindowPoints(nullptr, app->Main(), reinterpret_cast<POINT*>(&status), 2);
            return view.left == 0 && view.top == 0 && view.right == client.right && view.bottom == status.top &&
                   status.left == 0 && status.right == client.right && status.bottom == client.bottom;
        })) << size.cx << "x" << size.cy;
    }
}

TEST_F(FirstRun, ExitQuestionNoKeepsItRunningYesEndsWithEveryLineOnDisk)
{
    PostMessageA(app->Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), "       Exit Windows BREVAND ?");
    Sleep(300);
    ASSERT_TRUE(app->Running());
    ExpectLogged("<13>still here after No", "<User.Notice>", "still here after No");
    std::string before = ReadWholeFile(app->DefaultLog());
    EXPECT_EQ(app->Quit(), 0);
    EXPECT_EQ(ReadWholeFile(app->DefaultLog()), before);
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

TEST(StartUp, PortAlreadyTakenEndsWithTheBindErrorBox)
{
    Sender blocker(514);
    ASSERT_TRUE(blocker.Bound());
    Brevand app;
    ASSERT_TRUE(app.WriteIni("") && app.Launch() && app.WaitAboutBox(true));
    HWND box = app.WaitBox("BREVAND Error", 10000);
    Sleep(300);
    EXPECT_TRUE(app.Running()) << "ended before OK";
    EXPECT_EQ(app.Answer("BREVAND Error"), "The address is already in use: another program is listening on the port. "
                                           "(Error binding Logging Socket, error 10048)\r\n");
    EXPECT_TRUE(box);
    EXPECT_EQ(app.WaitExit(), 0);
    EXPECT_EQ(GetFileAttributesA(app.DefaultLog().c_str()), INVALID_FILE_ATTRIBUTES) << "the log was opened";
}

}  // namespace
