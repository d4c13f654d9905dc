// The main window: start-up, datagrams through the real socket, the menu, layout, exit and the session's end.
#include "driver.h"

// One run with default settings; its first case watches the About box at start.
class FirstRun : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand("");
        about = app->Launch(false);
        shown = GetTickCount();
        ready = about != nullptr;
    }
    static std::string Log() { return app->PathIn("brevand.log"); }
    static inline HWND about = nullptr;
    static inline DWORD shown = 0;
};

// Escape, the box's close and the window's close do nothing while it is up: the exit question comes after it.
// The banner, in local time, is the only line: what was sent meanwhile found no socket.
TEST_F(FirstRun, AboutBoxClosesItselfAndTheBannerIsTheOnlyLine)
{
    Send("<13>sent while the About box is up");
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(about, WM_CLOSE, 0, 0);
    PostMessageA(GetWindow(about, GW_OWNER), WM_CLOSE, 0, 0);
    EXPECT_FALSE(app->WaitBox("Exit BREVAND", 300)) << "the exit question during start-up";
    EXPECT_TRUE(IsWindowVisible(about)) << "Escape or the close box closed it";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10000));
    EXPECT_NEAR(GetTickCount() - shown, 4000.0, 2000.0) << "not shown for about 3 s";
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), ExitQuestion);
    ASSERT_TRUE(ready = app->WaitReady());
    std::string log = ReadWholeFile(Log());
    EXPECT_EQ(log.substr(0, 5) + log.substr(20), "----      Windows BREVAND is opened ----\r\n") << log;
    SYSTEMTIME utc;
    GetSystemTime(&utc);  // the tests run in a zone hours away from UTC
    EXPECT_NE(atoi(log.substr(12, 2).c_str()), utc.wHour) << "not local time: " << log;
}

// Winsock's own refusal of a datagram over 600 bytes is logged; an error event is counted, but the status bar
// waits for the next good event.
TEST_F(FirstRun, DatagramsAndErrorsReachFileViewAndStatusBar)
{
    std::string line = SendLogged(Log(), "<34>login failed \x01\x7f\xe9", "<Auth.Crit> login failed \x01\x7f\xe9");
    EXPECT_TRUE(WaitUntil([&] { return EndsWith(WindowText(app->view), line); })) << WindowText(app->view);
    EXPECT_TRUE(app->WaitStatus(Log(), count));
    ASSERT_TRUE(Send("<12>" + std::string(597, 'b')));
    EXPECT_TRUE(app->WaitStatus(Log(), ++count));
    EXPECT_NE(ReadWholeFile(Log()).find("error 10040)"), std::string::npos);
    PostMessageA(app->main, WM_USER + 1042, 0, MAKELONG(0, 10050));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app->view).find("error 10050)") != std::string::npos; }));
    EXPECT_FALSE(app->WaitStatus(Log(), ++count, 400)) << "updated after an error event";
    SendLogged(Log(), "<14>after the errors", "<User.Info> after the errors");
    EXPECT_TRUE(app->WaitStatus(Log(), count));
}

// Pause freezes the view, a Clear while paused waits for the next line; the view fills the window above the bar.
TEST_F(FirstRun, PauseClearAndResizeChangeTheViewAsDue)
{
    ASSERT_TRUE(app->WaitView(ReadWholeFile(Log())));
    std::string frozen = WindowText(app->view);
    app->Command(IDM_PAUSE);
    SendLogged(Log(), "<13>while paused", "<User.Notice> while paused");
    app->Command(IDM_CLEAR);
    app->Command(IDM_PAUSE);
    EXPECT_FALSE(WaitUntil([&] { return WindowText(app->view) != frozen; }, 400)) << "changed while paused or resumed";
    EXPECT_TRUE(app->WaitView(SendLogged(Log(), "<13>after resume", "<User.Notice> after resume")));
    ASSERT_TRUE(SetWindowPos(app->main, nullptr, 0, 0, 430, 310, SWP_NOMOVE | SWP_NOZORDER));
    RECT client, r[2];  // the view and the status bar, in the main window's client coordinates
    EXPECT_TRUE(WaitUntil([&] {
        GetClientRect(app->main, &client);
        GetWindowRect(app->view, &r[0]), GetWindowRect(app->status, &r[1]);
        MapWindowPoints(nullptr, app->main, reinterpret_cast<POINT*>(r), 4);
        return r[0].left == 0 && r[0].top == 0 && r[0].right == client.right && r[0].bottom == r[1].top &&
               r[1].left == 0 && r[1].right == client.right && r[1].bottom == client.bottom;
    })) << "the view does not fill the window above the status bar";
}

// A second copy finds the port taken and ends after its box, without opening a log; Yes from the menu ends the first.
TEST_F(FirstRun, SecondCopyEndsAtTheTakenPortAndTheFirstAtYes)
{
    Brevand second("");
    ASSERT_TRUE(second.Launch(true));
    EXPECT_NE(second.Answer("BREVAND Error").find("error 10048)"), std::string::npos);
    EXPECT_EQ(second.WaitExit(), 0);
    EXPECT_EQ(GetFileAttributesA(second.PathIn("brevand.log").c_str()), INVALID_FILE_ATTRIBUTES) << "a log opened";
    app->Command(IDM_EXIT);
    EXPECT_EQ(app->Answer("Exit BREVAND", IDYES), ExitQuestion);
    EXPECT_EQ(app->WaitExit(), 0);
}

// Windows asks first (yes, at once), then ends the process once WM_ENDSESSION returns.  By then the line that waited
// for the log's folder is in the file, which is closed; no box is up, and what is sent after is not received.
TEST(SessionEnd, WhatWaitsIsWrittenBeforeWindowsEndsTheProcess)
{
    Brevand app("[Brevand]\r\nLogName=$DIR\\logs\\end.log\r\n");
    ASSERT_TRUE(app.Launch(true) && app.Answer(" Brevand") == "Error opening log file !" && app.WaitReady());
    ASSERT_TRUE(Send("<13>waits") && WaitUntil([&] { return EndsWith(WindowText(app.view), "waits\r\n"); }));
    DWORD_PTR yes = 0;
    EXPECT_TRUE(SendMessageTimeoutA(app.main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 1000, &yes) && yes == TRUE);
    CreateDirectoryA(app.PathIn("logs").c_str(), nullptr);
    // Queued while the program stands, in this order: the end, a datagram's notification, a Pause, which redraws the
    // view at once, and posted messages enough to hold off WM_QUIT (it comes once none waits) while the view is read.
    SuspendThread(app.process.hThread);
    SendNotifyMessageA(app.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    Send("<13>after the end");
    for (int i = 0; i < 300; i++)
        PostMessageA(app.main, i == 100 ? WM_COMMAND : WM_NULL, IDM_PAUSE, 0);
    ResumeThread(app.process.hThread);
    bool shown = false;
    for (DWORD start = GetTickCount(); !shown && GetTickCount() - start < 300;)
        shown = WindowText(app.view).find("after the end") != std::string::npos;
    EXPECT_FALSE(shown) << "received after the end";
    EXPECT_TRUE(FileIsClosed(app.PathIn("logs\\end.log")));
    EXPECT_FALSE(app.Find("#32770", nullptr)) << "a box is up";
    TerminateProcess(app.process.hProcess, 0);
    std::string written = ReadWholeFile(app.PathIn("logs\\end.log"));
    EXPECT_TRUE(std::regex_match(written, std::regex("---- .* opened ----\r\n.{16}" + Peer() +
                                                     "<User.Notice> waits\r\n"))) << written;
}
