// The screen buffer's cut rule, the view's scroll rule, pause and the refresh schedule.
#include "support.h"

#include <string.h>

namespace {

class Screen : public Brevand {
protected:
    void SetUp() override
    {
        Brevand::SetUp();
        Model.TickSet = true;
        Model.Tick = 5000;
    }
    void Alloc(int size)
    {
        Settings.ScreenSize = size;
        ASSERT_TRUE(AllocScreenBuffer(size));
    }
    // Lets the refresh timer fire, as the message loop would when idle.
    void FireTimer()
    {
        Model.Tick += Model.TimerPeriod;
        if (Model.TimerRunning)
            OnViewRefreshTimer();
    }
};

}  // namespace

TEST_F(Screen, TextStaysBelowTheBlockLessOneHundred)
{
    for (int size : {1000, 6000, 32000}) {
        SCOPED_TRACE(size);
        Alloc(size);
        std::string line;
        for (int i = 0; i < 2000; i++) {
            line.assign((size_t)(i * 37) % 610, 'a' + i % 26);
            AppendToScreen(i % 3 ? (line + "\r\n").c_str() : line.c_str());
            ASSERT_LE((int)strlen(ScreenBuffer.Text), size - 100) << "after fragment " << i;
            std::string text = ScreenBuffer.Text;
            ASSERT_EQ(text.substr(text.size() - line.size() - (i % 3 ? 2 : 0)).substr(0, line.size()),
                      line);
        }
        FreeScreenBuffer();
    }
}

TEST_F(Screen, CutStartsAtTheNextLineFeedAfterLPlus200)
{
    Alloc(1000);
    // One long line without a line feed: exactly L + 200 bytes go.
    std::string start(895, 'x');
    for (size_t i = 0; i < start.size(); i++)
        start[i] = (char)('A' + i % 26);
    AppendToScreen(start.c_str());
    AppendToScreen("0123456789");
    EXPECT_EQ(std::string(ScreenBuffer.Text), start.substr(210) + "0123456789");

    // With a line feed after the offset, the kept text begins with it.
    ClearScreenBuffer();
    std::string text = std::string(300, 'a') + "\r\n" + std::string(540, 'b') + "\r\n";
    AppendToScreen(text.c_str());
    AppendToScreen(std::string(60, 'c').c_str());
    EXPECT_EQ(std::string(ScreenBuffer.Text), "\n" + std::string(540, 'b') + "\r\n" + std::string(60, 'c'));

    // A cut offset at or beyond the end drops everything.
    ClearScreenBuffer();
    AppendToScreen(std::string(850, 'd').c_str());
    AppendToScreen(std::string(700, 'e').c_str());
    EXPECT_EQ(std::string(ScreenBuffer.Text), std::string(700, 'e'));
}

TEST_F(Screen, ScrollRuleFollowsTheEndOnlyWhenAtTheBottom)
{
    struct {
        const char* situation;
        int max0, page0, pos0, max1, page1, expect;
    } cases[] = {
        {"at the bottom", 40, 10, 31, 44, 10, 35},
        {"one line short of the bottom", 40, 10, 30, 44, 10, 35},
        {"scrolled up two lines", 40, 10, 29, 44, 10, 29},
        {"scrolled to the top", 40, 10, 0, 44, 10, 0},
        {"text shorter than a page", 3, 10, 0, 5, 10, -4},
        {"text exactly a page", 9, 10, 0, 12, 10, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        EXPECT_EQ(ScrollLinesAfterRefresh(c.max0, c.page0, c.pos0, c.max1, c.page1), c.expect);
    }

    // The same through the modelled view.
    Alloc(32000);
    Model.PageLines = 10;
    for (int i = 0; i < 40; i++)
        AppendToScreen("line\r\n");
    RefreshLogView();
    EXPECT_EQ(Model.FirstLine, 31);  // 41 lines, the last page shown
    Model.FirstLine = 5;
    AppendToScreen("more\r\n");
    RefreshLogView();
    EXPECT_EQ(Model.FirstLine, 5) << "scrolled up: keeps its line";
    Model.FirstLine = 31;
    AppendToScreen("more\r\n");
    RefreshLogView();
    EXPECT_EQ(Model.FirstLine, 33) << "one short of the bottom: follows";
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
}

TEST_F(Screen, ThousandLinesGiveAHandfulOfRefreshes)
{
    Alloc(6000);
    OpenLog("brevand.log");
    for (int i = 0; i < 1000; i++) {
        Inject("<13>line " + std::to_string(i));
        ReceiveDatagram();
        Model.Tick += 2;  // two milliseconds a datagram, the timer starved
    }
    EXPECT_GE(Model.Refreshes, 1) << "a flood still refreshes once a second";
    EXPECT_LE(Model.Refreshes, 2);
    EXPECT_TRUE(Model.TimerRunning);
    FireTimer();
    EXPECT_FALSE(Model.TimerRunning);
    EXPECT_LE(Model.Refreshes, 3);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    EXPECT_NE(Model.ViewText.find("line 999\r\n"), std::string::npos);
    int lines = 1 + (int)std::count(Model.ViewText.begin(), Model.ViewText.end(), '\n');
    EXPECT_EQ(Model.FirstLine, std::max(0, lines - Model.PageLines)) << "shows the end";
}

TEST_F(Screen, SparseLineReachesTheViewWithinTheDelay)
{
    Alloc(6000);
    Inject("<13>alone");
    ReceiveDatagram();
    EXPECT_EQ(Model.Refreshes, 0);
    ASSERT_TRUE(Model.TimerRunning);
    EXPECT_LE(Model.TimerPeriod, 100u);
    FireTimer();
    EXPECT_EQ(Model.Refreshes, 1);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);

    // Without a timer to be had, every fragment refreshes at once.
    Model.FailTimer = true;
    Inject("<13>untimed");
    ReceiveDatagram();
    EXPECT_EQ(Model.Refreshes, 5);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
}

TEST_F(Screen, PauseAccumulatesAndTheFirstFragmentAfterItRefreshes)
{
    Alloc(1000);
    LogPrint("%s", "before\r\n");
    FireTimer();
    std::string shown = Model.ViewText;
    ScreenBuffer.Paused = 1;
    for (int i = 0; i < 50; i++)
        LogPrint("%s", "while paused, kept and cut as usual\r\n");
    FireTimer();
    EXPECT_EQ(Model.ViewText, shown);
    EXPECT_LE((int)strlen(ScreenBuffer.Text), 900);

    // Clear Screen while paused: the old text stays on view.
    ClearScreenBuffer();
    LogPrint("%s", "");
    FireTimer();
    EXPECT_EQ(Model.ViewText, shown);

    // Resuming changes nothing until the next fragment.
    ScreenBuffer.Paused = 0;
    EXPECT_EQ(Model.ViewText, shown);
    LogPrint("%s", "after\r\n");
    FireTimer();
    EXPECT_EQ(Model.ViewText, "after\r\n");
}

TEST_F(Screen, SteadyFlowRefreshesOnceASecondAndSettlesSoonAfter)
{
    // A fragment every 10 ms, timer ticks every 50 ms in between: the view
    // waits for a pause, but never more than a second.
    Alloc(6000);
    int ticks = 0;
    for (int ms = 0; ms < 3000; ms += 10) {
        Model.Tick = 5000 + (uint32_t)ms;
        LogPrint("%s", "x\r\n");
        if (ms % 50 == 40 && Model.TimerRunning) {
            OnViewRefreshTimer();
            ticks++;
        }
    }
    EXPECT_GE(ticks, 50);
    EXPECT_GE(Model.Refreshes, 2);
    EXPECT_LE(Model.Refreshes, 3);
    // The flow stops: the next tick or the one after shows the end.
    int before = Model.Refreshes;
    uint32_t last = Model.Tick;
    while (Model.Refreshes == before && Model.Tick - last <= 200) {
        Model.Tick += REFRESH_QUIET_MS;
        ASSERT_TRUE(Model.TimerRunning);
        OnViewRefreshTimer();
    }
    EXPECT_LE(Model.Tick - last, 100u);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    EXPECT_FALSE(Model.TimerRunning);
}
