// The menu commands of the running program: statistics, dump, pause, clear, exit.
#include "driver.h"

#include "res/resource.h"

#include <stdio.h>

namespace {

const char DumpCaption[] = "BREVAND: Dump Log Packet";

// The dump box as the program must show it: the header, then the receive area's first 64 bytes.
std::string ExpectedDump(const std::string& header, std::string area)
{
    area.resize(64, '\0');
    std::string text = header;
    for (size_t i = 0; i < area.size(); i++) {
        char item[8];
        snprintf(item, sizeof item, "%s%02x ", i % 16 ? "" : "\r\n", static_cast<unsigned char>(area[i]));
        text += item;
    }
    return text;
}

// One run with default settings.
class MenuCommands : public OneRun {
protected:
    static void SetUpTestSuite() { Start(""); }

    std::string SendLogged(const std::string& text)
    {
        return OneRun::SendLogged(app->DefaultLog(), "<13>" + text, "<User.Notice>", text);
    }
};

TEST_F(MenuCommands, StatisticsRightAfterStartCountTheBanner)
{
    std::string banner = ReadWholeFile(app->DefaultLog());
    ASSERT_EQ(57u, banner.size()) << banner;
    EXPECT_EQ(ExpectedStatistics(app->DefaultLog(), 57, 6000, 0, 3),
              app->CommandBoxText(IDM_STATISTICS, "BREVAND: Statistics"));
}

TEST_F(MenuCommands, DumpBeforeAnyDatagramShowsZeros)
{
    EXPECT_EQ(ExpectedDump("Last received 0 bytes from ", ""), app->CommandBoxText(IDM_DUMP, DumpCaption));
}

TEST_F(MenuCommands, DumpOfShortDatagramShowsLeftoversOfTheLongerOne)
{
    const std::string longer = "<13>abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!";
    OneRun::SendLogged(app->DefaultLog(), longer, "<User.Notice>", longer.substr(4));
    OneRun::SendLogged(app->DefaultLog(), "<1>ab", "<Kern.Alert>", "ab");
    std::string dump = app->CommandBoxText(IDM_DUMP, DumpCaption);
    EXPECT_EQ(ExpectedDump("Last received 5 bytes from " + sender->Peer(),
                           std::string("<1>ab\0", 6) + longer.substr(6)),
              dump);
    EXPECT_EQ("\r\n3c 31 3e 61 62 00 63 64 ", dump.substr(dump.find("\r\n"), 26));
}

TEST_F(MenuCommands, PauseFreezesTheViewAndClearWaitsForTheNextLine)
{
    ASSERT_TRUE(app->WaitView(ReadWholeFile(app->DefaultLog())));
    std::string frozen = app->ViewText();
    app->Command(IDM_PAUSE);
    Sleep(100);
    SendLogged("while paused");
    Sleep(400);
    EXPECT_EQ(frozen, app->ViewText()) << "paused view changed on a datagram";
    app->Command(IDM_CLEAR);
    Sleep(400);
    EXPECT_EQ(frozen, app->ViewText()) << "paused view changed on Clear";
    app->Command(IDM_PAUSE);
    Sleep(400);
    EXPECT_EQ(frozen, app->ViewText()) << "resuming refreshed the view by itself";
    std::string line = SendLogged("after resume");
    EXPECT_TRUE(app->WaitView(line)) << app->ViewText();
}

TEST_F(MenuCommands, ClearEmptiesTheViewButNotTheFile)
{
    std::string log = ReadWholeFile(app->DefaultLog());
    app->Command(IDM_CLEAR);
    EXPECT_TRUE(app->WaitView("")) << app->ViewText();
    EXPECT_EQ(log, ReadWholeFile(app->DefaultLog()));
}

TEST_F(MenuCommands, ExitCommandAsksAndEnds)
{
    EXPECT_EQ(0, app->Quit(true));
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

}  // namespace
