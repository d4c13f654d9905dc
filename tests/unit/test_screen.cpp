// The screen buffer's cut rule, the view's scroll rule, pause and when the view is redrawn.
#include "support.h"

// The refresh timer fires, as the message loop does when idle.
static void FireTimer()
{
    Model.Tick += Model.TimerPeriod;
    if (Model.TimerRunning)
        OnViewRefreshTimer();
}

TEST_F(Brevand, CutDropsLPlus200BytesUpToTheNextLineFeed)
{
    auto s = [](int n, char c) { return std::string(n, c); };
    const struct { const char* guards; std::string text, fragment, expect; } cases[] = {
        {"no line feed: exactly L + 200 bytes go, the oldest", s(445, 'x') + s(450, 'y'), "0123456789",
         s(235, 'x') + s(450, 'y') + "0123456789"},
        {"the kept text begins with the line feed", s(300, 'a') + "\r\n" + s(540, 'b') + "\r\n", s(60, 'c'),
         "\n" + s(540, 'b') + "\r\n" + s(60, 'c')},
        {"a cut offset beyond the end drops everything", s(850, 'd'), s(700, 'e'), s(700, 'e')},
        {"just within the bound nothing is cut", s(850, 'f'), s(50, 'g'), s(850, 'f') + s(50, 'g')},
    };
    AllocScreen(1000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        ClearScreenBuffer();
        AppendToScreen(c.text.c_str());
        AppendToScreen(c.fragment.c_str());
        EXPECT_EQ(ScreenBuffer.Text, c.expect);
        EXPECT_EQ(ScreenTextLength(), (int)c.expect.size());
    }
}

TEST_F(Brevand, ViewFollowsTheEndOnlyWhenAtOrOneLineAboveTheBottom)
{
    const struct { const char* situation; int max0, page0, pos0, max1, page1, expect; } cases[] = {
        {"at the bottom", 40, 10, 31, 44, 10, 35}, {"one line short of the bottom", 40, 10, 30, 44, 10, 35},
        {"scrolled up two lines", 40, 10, 29, 44, 10, 29}, {"text shorter than a page", 3, 10, 0, 5, 10, -4},
        {"text exactly a page", 9, 10, 0, 12, 10, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollLinesAfterRefresh(c.max0, c.page0, c.pos0, c.max1, c.page1), c.expect) << c.situation;
}

// The view is redrawn at the timer's first tick after a change, once a second in a flood, at once where
// there is no timer, and never while paused.
TEST_F(Brevand, ViewIsRedrawnSoonAndRarely)
{
    AllocScreen();
    OpenLog();
    for (int i = 0; i < 1000; i++, Model.Tick += 2)  // two milliseconds a datagram, the timer starved
        Receive("<13>line " + std::to_string(i));
    EXPECT_TRUE(Model.Refreshes >= 1 && Model.Refreshes <= 2) << "a flood still redraws once a second";
    FireTimer();
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    EXPECT_FALSE(Model.TimerRunning);
    EXPECT_EQ(Model.FirstLine + Model.PageLines - 1, std::count(Model.ViewText.begin(), Model.ViewText.end(), '\n'))
        << "shows the end";
    // A lone line: the timer's first tick shows it, not the fragment itself.
    int before = Model.Refreshes;
    Receive("<13>alone");
    EXPECT_EQ(Model.Refreshes, before);
    EXPECT_TRUE(Model.TimerRunning && Model.TimerPeriod <= 100u);
    FireTimer();
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    // Paused with a redraw pending, the view stays; the first fragment after the pause redraws.
    const std::string shown = Model.ViewText;
    LogPrint("pending\r\n");
    ScreenBuffer.Paused = 1;
    for (int i = 0; i < 50; i++, Model.Tick += 30)  // longer than the flood's redraw gap
        LogPrint("while paused, kept and cut as usual\r\n");
    FireTimer();
    ScreenBuffer.Paused = 0;
    FireTimer();
    EXPECT_EQ(Model.ViewText, shown);
    LogPrint("after\r\n");
    FireTimer();
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
    // Without a timer to be had, every fragment redraws at once.
    before = Model.Refreshes;
    Model.FailTimer = true;
    Receive("<13>untimed");
    EXPECT_EQ(Model.Refreshes, before + 4);
    EXPECT_EQ(Model.ViewText, ScreenBuffer.Text);
}
