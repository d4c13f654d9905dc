// The real program's main window: start-up, datagrams through the real socket, the menu, layout, shutdown, the
// session end.
#include "driver.h"

namespace {

// One run with default settings; its first case watches the About box at start.
class FirstRun : public OneRun {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand("");
        sender = new Sender();
        about = app->Launch(false);
        shown = GetTickCount();
        ready = about != nullptr;
    }
    // Sends a datagram; its line in the file, the view and the status bar.
    void ExpectLogged(const std::string& datagram, const std::string& tail)
    {
        std::string line = SendLogged(app->DefaultLog(), datagram, tail);
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(WindowText(app->view), line); })) << WindowText(app->view);
        EXPECT_TRUE(app->WaitStatus(app->DefaultLog(), count));
    }
    static inline HWND about = nullptr;
    static inline DWORD shown = 0;
};

// The window closed while the box is up: asked once start-up is done.
TEST_F(FirstRun, AboutBoxClosesItselfAndTheBannerIsTheOnlyLine)
{
    sender->Send("<13>sent while the About box is up: lost, the socket does not exist yet");
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(about, WM_CLOSE, 0, 0);
    PostMessageA(GetWindow(about, GW_OWNER), WM_CLOSE, 0, 0);
    EXPECT_FALSE(app->WaitBox("Exit BREVAND", 300)) << "the exit question during start-up";
    EXPECT_TRUE(IsWindowVisible(about)) << "Escape or the close box closed it";
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }, 10000));
    EXPECT_NEAR(GetTickCount() - shown, 4000.0, 2000.0) << "not shown for about 3 s";
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), "       Exit Windows BREVAND ?");
    ASSERT_TRUE(ready = app->WaitReady());
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

TEST_F(FirstRun, MenuBoxesOpenAndTheDumpShowsWhatWasReceived)
{
    SendLogged(app->DefaultLog(), "<1>ab", "<Kern.Alert> ab");
    app->Command(IDM_DUMP);
    std::string dump = "Last received 5 bytes from " + sender->Peer() + "\r\n3c 31 3e 61 62 00 ";
    EXPECT_EQ(app->Answer("BREVAND: Dump Log Packet").substr(0, dump.size()), dump);
    for (auto [id, caption] : {std::pair(IDM_STATISTICS, "BREVAND: Statistics"), {IDM_ABOUT, "About Brevand"}}) {
        app->Command(id);
        EXPECT_FALSE(EndsWith(app->Answer(caption), " (stayed open)")) << caption;
    }
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
}

TEST_F(FirstRun, ResizingKeepsTheStatusBarAtTheBottomAndTheViewFillingTheRest)
{
    ASSERT_TRUE(SetWindowPos(app->main, nullptr, 0, 0, 430, 310, SWP_NOMOVE | SWP_NOZORDER));
    RECT client, view[2];  // the view and the status bar, in the main window's client coordinates
    EXPECT_TRUE(WaitUntil([&] {
        GetClientRect(app->main, &client);
        GetWindowRect(app->view, &view[0]);
        GetWindowRect(app->status, &view[1]);
        MapWindowPoints(nullptr, app->main, reinterpret_cast<POINT*>(view), 4);
        return view[0].left == 0 && view[0].top == 0 && view[0].right == client.right &&
               view[0].bottom == view[1].top && view[1].left == 0 && view[1].right == client.right &&
               view[1].bottom == client.bottom;
    }));
}

TEST_F(FirstRun, SecondCopyFindsThePortTakenAndEndsAfterTheBindErrorBox)
{
    Brevand second("");
    ASSERT_TRUE(second.Launch(true) && second.WaitBox("BREVAND Error", 10000));
    Sleep(300);
    EXPECT_TRUE(second.Running()) << "ended before OK";
    EXPECT_NE(second.Answer("BREVAND Error").find("error 10048)"), std::string::npos);
    EXPECT_EQ(second.WaitExit(), 0);
    EXPECT_EQ(GetFileAttributesA(second.DefaultLog().c_str()), INVALID_FILE_ATTRIBUTES) << "the log was opened";
}

TEST_F(FirstRun, ExitQuestionNoKeepsItRunningAndYesFromTheMenuEndsIt)
{
    PostMessageA(app->main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app->Answer("Exit BREVAND", IDNO), "       Exit Windows BREVAND ?");
    ExpectLogged("<13>still here after No", "<User.Notice> still here after No");
    app->Command(IDM_EXIT);
    EXPECT_EQ(app->Answer("Exit BREVAND", IDYES), "       Exit Windows BREVAND ?");
    EXPECT_EQ(app->WaitExit(), 0);
}

// Logoff or shutdown: Windows asks first (yes, at once), then ends the process as soon as WM_ENDSESSION returns.
// By then the line that waited for the log's folder is in the file, which is closed; no box is up, and what is
// sent after is not received.
TEST(SessionEnd, WhatWaitsIsWrittenBeforeWindowsEndsTheProcess)
{
    Brevand app("[Brevand]\r\nLogName=$DIR\\logs\\end.log\r\n");
    Sender sender;
    ASSERT_TRUE(app.Launch(true) && app.Answer(" Brevand") == "Error opening log file !" && app.WaitReady());
    ASSERT_TRUE(sender.Send("<13>waits") && WaitUntil([&] { return EndsWith(WindowText(app.view), "waits\r\n"); }));
    DWORD_PTR yes = 0, log = 0;
    EXPECT_TRUE(SendMessageTimeoutA(app.main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 1000, &yes) && yes == TRUE);
    CreateDirectoryA(app.PathIn("logs").c_str(), nullptr);
    EXPECT_TRUE(SendMessageTimeoutA(app.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &log));
    EXPECT_TRUE(FileIsClosed(app.PathIn("logs\\end.log")));
    EXPECT_FALSE(app.Find("#32770", nullptr)) << "a box is up";
    ASSERT_TRUE(sender.Send("<13>after the end"));
    Sleep(300);
    EXPECT_EQ(WindowText(app.view).find("after the end"), std::string::npos) << "received after the end";
    TerminateProcess(app.process.hProcess, 0);
    std::string written = ReadWholeFile(app.PathIn("logs\\end.log"));
    EXPECT_TRUE(std::regex_match(written, std::regex("---- .* opened ----\r\n.{16}" + sender.Peer() +
                                                     "<User.Notice> waits\r\n"))) << written;
}

}  // namespace
