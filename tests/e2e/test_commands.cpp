// The menu commands of the running program: statistics, dump, About, pause, clear, exit.
#include "driver.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

namespace {

// The dump box as the program must show it: the header, then bytes 0 to 63
// of its receive area in four rows.
std::string ExpectedDump(int length, const std::string& sender, const unsigned char* area)
{
    std::string text = "Last received " + std::to_string(length) + " bytes from " + sender;
    for (int row = 0; row < 4; row++) {
        text += "\r\n";
        for (int i = 0; i < 16; i++) {
            char item[4];
            snprintf(item, sizeof item, "%02x ", area[row * 16 + i]);
            text += item;
        }
    }
    return text;
}

// One run with default settings; the cases below follow each other.
class MenuCommands : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        app = new Brevand();
        sender = new Sender();
        memset(area, 0, sizeof area);
        ready = Brevand::WriteIni("") && app->StartQuickly();
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

    // Sends a datagram, waits for its line and keeps the receive area's model.
    std::string SendLogged(const std::string& datagram, const std::string& label, const std::string& text)
    {
        EXPECT_TRUE(sender->Send(datagram));
        count++;
        memcpy(area, datagram.data(), datagram.size());
        area[datagram.size()] = 0;
        std::string tail = LineAfterStamp(*sender, label, text);
        EXPECT_TRUE(WaitFileEndsWith(app->DefaultLog(), tail)) << LastLine(ReadWholeFile(app->DefaultLog()));
        return LastLine(ReadWholeFile(app->DefaultLog())) + "\r\n";
    }

    static Brevand* app;
    static Sender* sender;
    static bool ready;
    static int count;
    static unsigned char area[601];
};

Brevand* MenuCommands::app = nullptr;
Sender* MenuCommands::sender = nullptr;
bool MenuCommands::ready = false;
int MenuCommands::count = 0;
unsigned char MenuCommands::area[601];

TEST_F(MenuCommands, StatisticsRightAfterStartCountTheBanner)
{
    std::string banner = ReadWholeFile(app->DefaultLog());
    ASSERT_EQ(57u, banner.size()) << banner;
    EXPECT_EQ(ExpectedStatistics(app->DefaultLog(), 57, 6000, 0, 3),
              app->CommandBoxText(IDM_STATISTICS, "BREVAND: Statistics"));
}

TEST_F(MenuCommands, DumpBeforeAnyDatagramShowsZeros)
{
    EXPECT_EQ(ExpectedDump(0, "", area), app->CommandBoxText(IDM_DUMP, "BREVAND: Dump Log Packet"));
}

TEST_F(MenuCommands, DumpOfShortDatagramShowsLeftoversOfTheLongerOne)
{
    SendLogged("<13>abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!",
               "<User.Notice>", "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!");
    SendLogged("<1>ab", "<Kern.Alert>", "ab");
    std::string dump = app->CommandBoxText(IDM_DUMP, "BREVAND: Dump Log Packet");
    EXPECT_EQ(ExpectedDump(5, sender->PeerText(), area), dump);
    EXPECT_EQ("3c 31 3e 61 62 00 63 64 65 66 67 68 69 6a 6b 6c ", dump.substr(dump.find("\r\n") + 2, 48));
}

TEST_F(MenuCommands, AboutBoxStaysUntilOkWhileDatagramsGoOnBeingLogged)
{
    app->Command(IDM_ABOUT);
    HWND about = app->WaitBox("About Brevand");
    ASSERT_TRUE(about) << DescribeDialogs(app->Pid());
    DWORD opened = GetTickCount();
    std::string line = SendLogged("<13>during About", "<User.Notice>", "during About");
    EXPECT_TRUE(app->WaitViewEndsWith(line));
    // The start-up box closes itself after 3 s; this one must not.
    Pause(3600 - static_cast<int>(GetTickCount() - opened));
    EXPECT_TRUE(IsWindowVisible(about));
    ASSERT_TRUE(PressButton(about, IDOK));
    EXPECT_TRUE(WaitWindowGone(about));
}

TEST_F(MenuCommands, PauseFreezesTheViewAndClearWaitsForTheNextLine)
{
    ASSERT_TRUE(app->WaitViewText(ReadWholeFile(app->DefaultLog())));
    std::string frozen = app->ViewText();
    app->Command(IDM_PAUSE);
    Pause(100);
    SendLogged("<13>while paused", "<User.Notice>", "while paused");
    Pause(400);
    EXPECT_EQ(frozen, app->ViewText()) << "paused view changed on a datagram";
    app->Command(IDM_CLEAR);
    Pause(400);
    EXPECT_EQ(frozen, app->ViewText()) << "paused view changed on Clear";
    app->Command(IDM_PAUSE);
    Pause(400);
    EXPECT_EQ(frozen, app->ViewText()) << "resuming refreshed the view by itself";
    std::string line = SendLogged("<13>after resume", "<User.Notice>", "after resume");
    EXPECT_TRUE(app->WaitViewText(line)) << app->ViewText();
}

TEST_F(MenuCommands, ClearEmptiesTheViewButNotTheFile)
{
    std::string log = ReadWholeFile(app->DefaultLog());
    app->Command(IDM_CLEAR);
    EXPECT_TRUE(app->WaitViewText("")) << app->ViewText();
    EXPECT_EQ(log, ReadWholeFile(app->DefaultLog()));
    std::string line = SendLogged("<13>after clear", "<User.Notice>", "after clear");
    EXPECT_TRUE(app->WaitViewText(line)) << app->ViewText();
}

TEST_F(MenuCommands, StatisticsCountEveryDatagramAndTheShownText)
{
    ASSERT_TRUE(app->WaitStatus(app->ExpectedStatus(app->DefaultLog(), count)));
    std::string shown = app->ViewText();
    EXPECT_EQ(ExpectedStatistics(app->DefaultLog(), shown.size(), 6000, count, 3),
              app->CommandBoxText(IDM_STATISTICS, "BREVAND: Statistics"));
}

TEST_F(MenuCommands, ExitCommandAsksAndEnds)
{
    app->Command(IDM_EXIT);
    HWND box = app->WaitBox("Exit BREVAND");
    ASSERT_TRUE(box);
    EXPECT_EQ("       Exit Windows BREVAND ?", MessageBoxText(box));
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(WaitWindowGone(box));
    Pause(200);
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(0, app->Quit(true));
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

}  // namespace
