// The log file where another program or the name makes it fail: a device for a name, a live file held open.
#include "driver.h"

TEST(LogFile, NulIsRefusedAndTheLinesWait)
{
    Brevand app("[Brevand]\r\nLogName=NUL\r\n");
    ASSERT_TRUE(app.Launch(true));
    EXPECT_EQ(app.Answer(" Brevand"), "Error opening log file !");
    ASSERT_TRUE(app.WaitReady());
    Send("<13>waits");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app.status) == "LogFile: 'NUL' is NOT being written (not a disk "
                                       "file): 2 lines wait, 0 lost   Total Messages: '1'"; })) << WindowText(app.status);
}

// Another process holds the live file without allowing its deletion (no FILE_SHARE_DELETE), as a viewer may.
TEST(LogFile, HeldLiveFileStallsEachRotationWithALineAndRotatesOnceLetGo)
{
    Brevand app("[Brevand]\r\nLogName=$DIR\\held.log\r\nLogSize=200\r\n");
    ASSERT_TRUE(app.Launch(true) && app.WaitReady());
    const std::string log = app.PathIn("held.log"), archive = app.PathIn("held.000");
    HANDLE held = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    auto logged = [&](char c) {  // some 150 bytes; at the end of the view and of the archive and live file
        std::string line = Peer() + "<User.Notice> " + std::string(100, c) + "\r\n";
        Send("<13>" + std::string(100, c));
        return WaitUntil([&] { return EndsWith(ReadWholeFile(archive) + ReadWholeFile(log), line) &&
                                      EndsWith(WindowText(app.view), line); });
    };
    auto stalls = [&](int n) {  // exactly n lines of the stall in the view
        std::string view = WindowText(app.view), stall = "Error 32 rotating log file at " + log + ": ";
        return n == (view.find(stall) == std::string::npos ? 0 : view.find(stall) == view.rfind(stall) ? 1 : 2);
    };
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(logged('a') && logged('b'));  // the first goes past LogSize, the second stays below the next try
    EXPECT_TRUE(stalls(1) && ReadWholeFile(archive).empty()) << WindowText(app.view);
    CloseHandle(held);
    EXPECT_TRUE(logged('c'));
    EXPECT_NE(ReadWholeFile(archive).find(std::string(100, 'b')), std::string::npos);
    EXPECT_TRUE(stalls(1)) << WindowText(app.view);
}
