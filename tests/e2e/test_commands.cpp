// The menu commands of the running program: statistics, dump, pause, clear, About, exit.
#include "driver.h"

namespace {

class MenuCommands : public OneRun {
protected:
    static void SetUpTestSuite() { Start(""); }
    std::string Box(int id, const char* caption)
    {
        app->Command(id);
        return app->Answer(caption);
    }
};

TEST_F(MenuCommands, StatisticsRightAfterStartCountTheBanner)
{
    EXPECT_EQ(Box(IDM_STATISTICS, "BREVAND: Statistics"), Statistics(app->DefaultLog(), 57, 6000, 3));
}

TEST_F(MenuCommands, DumpOfAShortDatagramShowsLeftoversOfALongerOne)
{
    const std::string longer = "<13>abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ!";
    SendLogged(app->DefaultLog(), longer, "<User.Notice>", longer.substr(4));
    SendLogged(app->DefaultLog(), "<1>ab", "<Kern.Alert>", "ab");
    std::string area = std::string("<1>ab\0", 6) + longer.substr(6, 58), expected = "Last received 5 bytes from ";
    expected += sender->Peer();
    for (size_t i = 0; i < area.size(); i++) {
        char item[8];
        snprintf(item, sizeof item, "%s%02x ", i % 16 ? "" : "\r\n", static_cast<unsigned char>(area[i]));
        expected += item;
    }
    EXPECT_EQ(Box(IDM_DUMP, "BREVAND: Dump Log Packet"), expected);
}

TEST_F(MenuCommands, PauseFreezesTheViewAndClearWaitsForTheNextLine)
{
    ASSERT_TRUE(app->WaitView(ReadWholeFile(app->DefaultLog())));
    std::string frozen = app->ViewText();
    app->Command(IDM_PAUSE);
    SendLogged(app->DefaultLog(), "<13>while paused", "<User.Notice>", "while paused");
    app->Command(IDM_CLEAR);
    app->Command(IDM_PAUSE);
    Sleep(400);
    EXPECT_EQ(app->ViewText(), frozen) << "the view changed while paused, or on resuming";
    std::string line = SendLogged(app->DefaultLog(), "<13>after resume", "<User.Notice>", "after resume");
    EXPECT_TRUE(app->WaitView(line)) << app->ViewText();
    app->Command(IDM_CLEAR);
    EXPECT_TRUE(app->WaitView("")) << "Clear Screen";
    EXPECT_TRUE(EndsWith(ReadWholeFile(app->DefaultLog()), line)) << "the file is not cleared";
}

TEST_F(MenuCommands, AboutStaysUntilOkAndExitAsksAndEnds)
{
    app->Command(IDM_ABOUT);
    HWND about = app->WaitBox("About Brevand");
    ASSERT_TRUE(about);
    PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(about));
    ASSERT_TRUE(Brevand::Press(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(about); }));
    EXPECT_EQ(app->Quit(true), 0);
    EXPECT_TRUE(FileIsClosed(app->DefaultLog()));
}

}  // namespace
