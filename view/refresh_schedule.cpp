// When a display that follows the log is redrawn: soon after a change, rarely during a flood.
//
// Redrawing the view copies the whole screen buffer into the edit control,
// and redrawing the status bar paints it: each costs more than receiving a
// datagram.  So a display is redrawn once the changes pause, or once a
// second while they do not.
#include "view/refresh_schedule.h"

RefreshAction RefreshOnChange(RefreshSchedule* schedule, uint32_t now)
{
    schedule->LastChange = now;
    if (!schedule->Due) {
        schedule->Due = 1;
        schedule->DueSince = now;
        return REFRESH_START_TIMER;
    }
    return now - schedule->DueSince >= REFRESH_MAX_GAP_MS ? REFRESH_NOW : REFRESH_NOTHING;
}

RefreshAction RefreshOnTick(RefreshSchedule* schedule, uint32_t now)
{
    if (!schedule->Due)
        return REFRESH_NOW;  // a stray tick: the caller stops its timer
    if (now - schedule->LastChange >= REFRESH_QUIET_MS ||
        now - schedule->DueSince >= REFRESH_MAX_GAP_MS)
        return REFRESH_NOW;
    return REFRESH_NOTHING;
}

void RefreshDone(RefreshSchedule* schedule)
{
    schedule->Due = 0;
}
