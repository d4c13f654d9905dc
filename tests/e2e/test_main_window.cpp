// The real program's main window: start-up, datagrams through the real socket, the menu, layout, shutdown.
#include "driver.h"

namespace {

// One run with default settings that watches its About box at start.
class FirstRun : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand();
        sender = new Sender();
        HWND about = app->WriteIni("") ? app->Launch(false) : nullptr;
        if (!about)
            return;
        DWORD shown = GetTickCount();
        sender->Send("<13>sent while the About box is up: lost, the socket does not exist yet");
        // Only OK closes it.
        PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(about, WM_CLOSE, 0, 0);
        Sleep(300);
        aboutStayed = IsWindowVisible(about) != 0;
        WaitUntil([&] { return !IsWindowVisible(about); }, 10000);
        aboutShownMs = GetTickCount() - shown;
        ready = app->WaitReady();
    }
    // Sends a datagram; its line in the file, the view and the status bar.
    void ExpectLogged(const std::string& datagram, const std::string& tail)
    {
        std::string line = SendLogged(app->DefaultLog(), datagram, tail);
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(WindowText(app->view), line); })) << WindowText(app->view);
        EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count));
    }
    static inline bool aboutStayed = false;
    static inline DWORD aboutShownMs = 0;
};

TEST_F(FirstRun, AboutBoxClosesItselfAndTheBannerIsTheOnlyLine)
{
    EXPECT_TRUE(aboutStayed) << "Escape or the close box closed the About box";
    EXPECT_GE(aboutShownMs, 2000u);
    EXPECT_LE(aboutShownMs, 6000u);
    std::string log = ReadWholeFile(app->DefaultLog());
    ASSERT_EQ(log.size(), 57u) << log;
    EXPECT_EQ(log.substr(0, 5) + log.substr(20), "----      Windows BREVAND is opened ----\r\n");
    SYSTEMTIME utc;
    GetSystemTime(&utc);  // the tests run in a zone hours away from UTC
    EXPECT_NE(atoi(log.substr(12, 2).c_str()), utc.wHour) << "not local time: " << log;
    EXPECT_TRUE(app->WaitView(log)) << WindowText(app->view);
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), 0));
}

TEST_F(FirstRun, DatagramsAndErrorEventsReachFileViewAndStatusBar)
{
    ExpectLogged("<34>login failed \x01\x7f\xe9\xff", "<Auth.Crit> login failed \x01\x7f\xe9\xff");
    // Real Winsock refuses the datagram over 600 bytes.
    std::string before = ReadWholeFile(app->DefaultLog());
    ASSERT_TRUE(sender->Send("<12>" + std::string(597, 'b')));
    count++;
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count));
    EXPECT_NE(ReadWholeFile(app->DefaultLog()).find("error 10040)", before.size()), std::string::npos);
    // An error event is counted, but the status bar waits for the next good event.
    before = ReadWholeFile(app->DefaultLog());
    PostMessageA(app->main, WM_USER + 1042, 0, MAKELONG(0, 10050));
    count++;
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(app->DefaultLog()).size() > before.size(); }));
    Sleep(300);
    EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count - 1)) << "updated after an error event";
    ExpectLogged("<14>after the errors", "<User.Info> after the errors");
}

TEST_F(FirstRun, MenuStatisticsDumpAndAboutShowTheirBoxes)
{
    SendLogged(app->DefaultLog(), "<1>ab", "<Kern.Alert> ab");
    app->Command(IDM_STATISTICS);
    std::string counted = "Total Messages  \t: " + std::to_string(count) + "\r\nFlush writes (s)\t: 3";
    EXPECT_TRUE(EndsWith(app->Answer("BREVAND: Statistics"), counted));
    app->Command(IDM_DUMP);
    std::string dump = "Last received 5 bytes from " + sender->Peer() + "\r\n3c 31 3e 61 62 00 ";
    EXPECT_EQ(app->Answer("BREVAND: Dump Log Packet").substr(0, dump.size()), dump);
    app->Command(IDM_ABOUT);
    HWND about = app->WaitBox("About Brevand");
    EXPECT_TRUE(about && Brevand::Press(about, IDOK) && WaitUntil([&] { return !IsWindowVisible(about); }));
}

TEST_F(FirstRun, PauseFreezesTheViewAndClearWaitsForTheNextLine)
{
    ASSERT_TRUE(app->WaitView(ReadWholeFile(app->DefaultLog())));
    std::string frozen = WindowText(app->view);
    app->Command(IDM_PAUSE);
    SendLogged(app->DefaultLog(), "<13>while paused", "<User.Notice> while paused");
    app->Command(IDM_CLEAR);
    app->Command(IDM_PAUSE);
    Sleep(400);
    EXPECT_EQ(WindowText(app->view), frozen) << "the view changed while paused, or on resuming";
    std::string line = SendLogged(app->DefaultLog(), "<13>after resume", "<User.Notice> after resume");
    EXPECT_TRUE(app->WaitView(line)) << WindowText(app->view);
    app->Command(IDM_CLEAR);
    EXPECT_TRUE(app->WaitView("")) << "Clear Screen";
    EXPECT_TRUE(EndsWith(ReadWholeFile(app->DefaultLog()), line)) << "the file is not cleared";
}

TEST_F(FirstRun, ResizingKeepsTheStatusBarAtTheBottomAndTheViewFillingTheRest)
{
    ASSERT_TRUE(SetWindowPos(app->main, nullptr, 0, 0, 430, 310, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_TRUE(WaitUntil([&] {
        RECT client, view, status;
        GetClientRect(app->main, &client);
        GetWindowRect(app->view, &view);
        GetWindowRect(app->status, &status);
        MapWindowPoints(nullptr, app->main, reinterpret_cast<POINT*>(&view), 2);
        MapWindowPoints(nullptr, app->main, reinterpret_cast<POINT*>(&status), 2);
        return view.left == 0 && view.top == 0 && view.right == client.right && view.bottom == status.top &&
               status.left == 0 && status.right == client.right && status.bottom == client.bottom;
    }));
}

TEST_F(FirstRun, ExitQuestionNoKeepsItRunningYesFromTheMenuEndsWithEveryLineOnDisk)
{
    PostMessageA(app->main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), "       Exit Windows BREVAND ?");
    Sleep(300);
    ASSERT_TRUE(app->Running());
    ExpectLogged("<13>still here after No", "<User.Notice> still here after No");
    std::string before = ReadWholeFile(app->DefaultLog());
    EXPECT_EQ(app->Quit(true), 0);
    EXPECT_EQ(ReadWholeFile(app->DefaultLog()), before);
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

TEST(StartUp, PortAlreadyTakenEndsWithTheBindErrorBox)
{
    Sender blocker(514);
    ASSERT_TRUE(blocker.bound);
    Brevand app;
    ASSERT_TRUE(app.WriteIni("") && app.Launch(true));
    ASSERT_TRUE(app.WaitBox("BREVAND Error", 10000));
    Sleep(300);
    EXPECT_TRUE(app.Running()) << "ended before OK";
    EXPECT_NE(app.Answer("BREVAND Error").find("error 10048)"), std::string::npos);
    EXPECT_EQ(app.WaitExit(), 0);
    EXPECT_EQ(GetFileAttributesA(app.DefaultLog().c_str()), INVALID_FILE_ATTRIBUTES) << "the log was opened";
}

}  // namespace
