// The log view: mirrors the screen buffer, following the end when at the bottom.
//
// Copying the whole buffer into the edit control is by far the dearest step
// of a line, so it is not done per fragment but when the refresh schedule
// says so: once the fragments pause, or once a second during a flood.
#include "platform/platform.h"
#include "view/view.h"

int ScrollLinesAfterRefresh(int max0, int page0, int pos0, int max1, int page1)
{
    // Scrolled up by more than a line: keep the line number.
    if (max0 > pos0 + page0 && page0 <= max0)
        return pos0;
    return max1 - page1 + 1;
}

void RefreshLogView(void)
{
    int max0 = 0, page0 = 0, pos0 = 0;
    int max1 = 0, page1 = 0, pos1 = 0;

    RefreshDone(&ScreenBuffer.Refresh);
    PlatStopViewTimer();
    if (ScreenBuffer.Text == NULL)
        return;
    PlatViewGetScroll(&max0, &page0, &pos0);
    PlatViewSetText(ScreenBuffer.Text);
    PlatViewGetScroll(&max1, &page1, &pos1);
    PlatViewPostLineScroll(ScrollLinesAfterRefresh(max0, page0, pos0, max1, page1));
}

void ScreenHalf(const char* fragment)
{
    // None at start-up before the settings, at exit, and where a new size
    // could not be had.
    if (ScreenBuffer.Text == NULL)
        return;
    AppendToScreen(fragment);
    if (ScreenBuffer.Paused)
        return;
    switch (RefreshOnChange(&ScreenBuffer.Refresh, PlatTickCount())) {
    case REFRESH_START_TIMER:
        if (PlatStartViewTimer(REFRESH_QUIET_MS))
            break;
        // Without a timer nothing would refresh later: do it now.
        RefreshLogView();
        break;
    case REFRESH_NOW:
        RefreshLogView();
        break;
    case REFRESH_NOTHING:
        break;
    }
}

void OnViewRefreshTimer(void)
{
    if (ScreenBuffer.Paused) {
        // The first fragment after the resume schedules the refresh.
        RefreshDone(&ScreenBuffer.Refresh);
        PlatStopViewTimer();
        return;
    }
    if (RefreshOnTick(&ScreenBuffer.Refresh, PlatTickCount()) == REFRESH_NOW)
        RefreshLogView();
}
