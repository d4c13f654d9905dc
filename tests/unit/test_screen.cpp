// The screen buffer's cut rule, the view's scroll rule, pause and when the view is redrawn.
#include "support.h"

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
    // The refresh timer fires, as the message loop does when idle.
    void FireTimer()
    {
        Model.Tick += Model.TimerPeriod;
        if (Model.TimerRunning)
            OnViewRefreshTimer();
    }
};

}  // namespace

TEST_F(Screen, CutDropsLPlus200BytesUpToTheNextLineFeed)
{
    std::string abc(895, 'x');
    for (size_t i = 0; i < abc.size(); i++)
        abc[i] = (char)('A' + i % 26);
    const struct {
        const char* guards;
        std::string text, fragment, expect;
    } cases[] = {
        {"no line feed: exactly L + 200 bytes go", abc, "0123456789", abc.substr(210) + "0123456789"},
        {"the kept text begins with the line feed", std::string(300, 'a') + "\r\n" + std::string(540, 'b') + "\r\n",
         std::string(60, 'c'), "\n" + std::string(540, 'b') + "\r\n" + std::string(60, 'c')},
        {"a cut offset beyond the end drops everything", std::string(850, 'd'), std::string(700, 'e'),
         std::string(700, 'e')},
        {"just within the bound nothing is cut", std::string(850, 'f'), std::string(50, 'g'),
         std::string(850, 'f') + std::string(50, 'g')},
    };
    Alloc(1000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        ClearScreenBuffer();
        AppendToScreen(c.text.c_str());
        AppendToScreen(c.fragment.c_str());
        EXPECT_EQ(std::string(ScreenBuffer.Text), c.expect);
        EXPECT_EQ(ScreenTextLength(), (int)c.expect.size());
    }
}

TEST_F(Screen, ViewFollowsTheEndOnlyWhenAtOrOneLineAboveTheBottom)
{
    const struct {
        const char* situation;
        int max0, page0, pos0, max1, page1, expect;
    } cases[] = {
        {"at the bottom", 40, 10, 31, 44, 10, 35},
        {"one line short of the bottom", 40, 10, 30, 44, 10, 35},
        {"scrolled up two lines", 40, 10, 29, 44, 10, 29},
        {"text shorter than a page", 3, 10, 0, 5, 10, -4},
        {"text exactly a page", 9, 10, 0, 12, 10, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollLinesAfterRefresh(c.max0, c.page0, c.pos0, c.max1, c.page1), c.expect) << c.situation;

}

TEST_F(Screen, FloodRedrawsOnceASecondAndALineShowsWithinTwoTicks)
{
    Alloc(6000);
    OpenLog("brevand.log");
    for (int i = 0; i < 1000; i++) {
        Receive("<13>line " + std::to_string(i));
        Model.Tick += 2;  // two milliseconds a datagram, the timer starved
    }
    EXPECT_GE(Model.Refreshes, 1) << "a flood still redraws once a second";
    EXPECT_LE(Model.Refreshes, 2);
    FireTimer();
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    EXPECT_FALSE(Model.TimerRunning);
    EXPECT_EQ(Model.FirstLine, (int)std::count(Model.ViewText.begin(), Model.ViewText.end(), '\n') + 1 -
                                   Model.PageLines) << "shows the end";

    // A lone line: the timer's first tick shows it, not the fragment itself.
    int before = Model.Refreshes;
    Receive("<13>alone");
    EXPECT_EQ(Model.Refreshes, before);
    ASSERT_TRUE(Model.TimerRunning);
    EXPECT_LE(Model.TimerPeriod, 100u);
    FireTimer();
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    // Without a timer to be had, every fragment redraws at once.
    Model.FailTimer = true;
    Receive("<13>untimed");
    EXPECT_EQ(Model.Refreshes, before + 5);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
}

TEST_F(Screen, PauseAccumulatesAndOnlyTheFirstFragmentAfterItRedraws)
{
    Alloc(1000);
    LogPrint("%s", "before\r\n");
    FireTimer();
    std::string shown = Model.ViewText;
    ScreenBuffer.Paused = 1;
    for (int i = 0; i < 50; i++, Model.Tick += 30)  // longer than the flood's redraw gap
        LogPrint("%s", "while paused, kept and cut as usual\r\n");
    ClearScreenBuffer();
    LogPrint("%s", "");
    FireTimer();
    ScreenBuffer.Paused = 0;
    FireTimer();
    EXPECT_EQ(Model.ViewText, shown);
    LogPrint("%s", "after\r\n");
    FireTimer();
    EXPECT_EQ(Model.ViewText, "after\r\n");
}
