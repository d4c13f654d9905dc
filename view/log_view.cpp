// The log view: mirrors the screen buffer, following the end when at the bottom.
//
// Copying the whole buffer into the edit control is by far the dearest step
// of a line, so the view is refreshed at most every VIEW_REFRESH_DELAY_MS
// from a timer, and directly when that timer is starved for
// VIEW_REFRESH_MAX_GAP_MS (timer messages wait while socket events are queued).
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

    ScreenBuffer.Dirty = 0;
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
    AppendToScreen(fragment);
    if (ScreenBuffer.Paused)
        return;
    uint32_t now = PlatTickCount();
    if (!ScreenBuffer.Dirty) {
        ScreenBuffer.Dirty = 1;
        ScreenBuffer.DirtySince = now;
        if (PlatStartViewTimer(VIEW_REFRESH_DELAY_MS))
            return;
        // Without a timer nothing would refresh later: do it now.
    } else if (now - ScreenBuffer.DirtySince < VIEW_REFRESH_MAX_GAP_MS) {
        return;
    }
    RefreshLogView();
}

void OnViewRefreshTimer(void)
{
    if (ScreenBuffer.Dirty && !ScreenBuffer.Paused) {
        RefreshLogView();
        return;
    }
    // Paused: the first fragment after the resume schedules the refresh.
    ScreenBuffer.Dirty = 0;
    PlatStopViewTimer();
}
