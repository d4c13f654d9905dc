// When a display that follows the log is redrawn: soon after a change, rarely during a flood.
#ifndef BREVAND_REFRESH_SCHEDULE_H
#define BREVAND_REFRESH_SCHEDULE_H

#include <stdint.h>

// The timer's period, and how long the changes must pause before a redraw:
// a change shows no later than about twice this.
#define REFRESH_QUIET_MS 50
// While changes keep coming, a redraw at least this often.
#define REFRESH_MAX_GAP_MS 1000

struct RefreshSchedule {
    int Due;             // the display lags
    uint32_t DueSince;   // tick of the first change it lacks
    uint32_t LastChange; // tick of the newest change
};

enum RefreshAction { REFRESH_NOTHING, REFRESH_START_TIMER, REFRESH_NOW };

// A change at tick now: start the timer, redraw at once (the timer is
// starved while socket events keep the queue busy), or nothing.
RefreshAction RefreshOnChange(RefreshSchedule* schedule, uint32_t now);
// The timer ticked: REFRESH_NOW, or REFRESH_NOTHING to wait for the next tick.
RefreshAction RefreshOnTick(RefreshSchedule* schedule, uint32_t now);
// The display was redrawn: nothing is due any more.
void RefreshDone(RefreshSchedule* schedule);

#endif
