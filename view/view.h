// The log view: the bounded screen buffer and the edit control mirroring it.
#ifndef BREVAND_VIEW_H
#define BREVAND_VIEW_H

#include <stdint.h>

#include "view/refresh_schedule.h"

struct ScreenBufferRecord {
    char* Text;       // ScreenSize bytes, zero-terminated; null when absent
    int Length;       // of the text, kept so that no append has to count it
    int Paused;       // the view is not refreshed while set
    RefreshSchedule Refresh;  // the view lags the buffer while Refresh.Due
};

extern ScreenBufferRecord ScreenBuffer;

int AllocScreenBuffer(int size);
void FreeScreenBuffer(void);
void ClearScreenBuffer(void);
int ScreenTextLength(void);

void AppendToScreen(const char* fragment);
void RefreshLogView(void);
// How many lines to scroll after the text was replaced, from the scroll state
// before (max0, page0, pos0) and after (max1, page1).
int ScrollLinesAfterRefresh(int max0, int page0, int pos0, int max1, int page1);

// The screen half of LogPrint: append, then refresh now or later.
void ScreenHalf(const char* fragment);
// The refresh timer fired.
void OnViewRefreshTimer(void);

#endif
