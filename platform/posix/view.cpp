// The log view, its refresh timer and its font: a model of the edit control.
#include <algorithm>

#include "platform/platform.h"
#include "platform/posix/model.h"

static int ViewLines(void)
{
    return 1 + (int)std::count(Model.ViewText.begin(), Model.ViewText.end(), '\n');
}

// As an edit control's vertical bar: range 0 to lines - 1, page in lines.
void PlatViewGetScroll(int* max, int* page, int* pos)
{
    *max = ViewLines() - 1;
    *page = Model.PageLines;
    *pos = Model.FirstLine;
}

void PlatViewSetText(const char* text)
{
    Model.ViewText = text;
    Model.FirstLine = 0;
    Model.Refreshes++;
}

void PlatViewPostLineScroll(int lines)
{
    Model.LastScroll = lines;
    int last = std::max(0, ViewLines() - Model.PageLines);
    Model.FirstLine = std::min(std::max(Model.FirstLine + lines, 0), last);
}

int PlatStartViewTimer(unsigned milliseconds)
{
    if (Model.FailTimer)
        return 0;
    Model.TimerRunning = true;
    Model.TimerPeriod = milliseconds;
    return 1;
}

void PlatStopViewTimer(void)
{
    Model.TimerRunning = false;
}

PlatFont PlatCreateFont(const LogFontRecord* font)
{
    if (Model.FailFont)
        return nullptr;
    Model.LastFont = *font;
    Model.FontsCreated++;
    return (PlatFont)(intptr_t)Model.FontsCreated;
}

void PlatDeleteFont(PlatFont)
{
    Model.FontsDeleted++;
}

void PlatSetViewFont(PlatFont font)
{
    Model.ViewFont = font;
}
