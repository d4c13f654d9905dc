// The log view's edit control, its refresh timer and its font.
#include <windows.h>

#include <stddef.h>
#include <string.h>

#include "platform/platform.h"
#include "platform/windows/win_handles.h"

HINSTANCE MainInstance;
HWND MainWindow;
HWND StatusBar;
HWND LogView;

// The settings keep the font description in the platform's own layout, so
// that it goes to the font calls and the font chooser as it is.
static_assert(sizeof(LogFontRecord) == sizeof(LOGFONTA), "LogFontRecord is LOGFONTA");
static_assert(offsetof(LogFontRecord, Weight) == offsetof(LOGFONTA, lfWeight), "lfWeight");
static_assert(offsetof(LogFontRecord, Italic) == offsetof(LOGFONTA, lfItalic), "lfItalic");
static_assert(offsetof(LogFontRecord, PitchAndFamily) == offsetof(LOGFONTA, lfPitchAndFamily),
              "lfPitchAndFamily");
static_assert(offsetof(LogFontRecord, FaceName) == offsetof(LOGFONTA, lfFaceName), "lfFaceName");

void PlatViewGetScroll(int* max, int* page, int* pos)
{
    SCROLLINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    GetScrollInfo(LogView, SB_VERT, &info);
    *max = info.nMax;
    *page = (int)info.nPage;
    *pos = info.nPos;
}

void PlatViewSetText(const char* text)
{
    SetWindowTextA(LogView, text);
}

void PlatViewPostLineScroll(int lines)
{
    PostMessageA(LogView, EM_LINESCROLL, 0, (LPARAM)lines);
}

int PlatStartViewTimer(unsigned milliseconds)
{
    return SetTimer(MainWindow, VIEW_REFRESH_TIMER_ID, milliseconds, NULL) != 0;
}

void PlatStopViewTimer(void)
{
    KillTimer(MainWindow, VIEW_REFRESH_TIMER_ID);
}

PlatFont PlatCreateFont(const LogFontRecord* font)
{
    LOGFONTA logFont;
    memcpy(&logFont, font, sizeof logFont);
    return (PlatFont)CreateFontIndirectA(&logFont);
}

void PlatDeleteFont(PlatFont font)
{
    if (font != NULL)
        DeleteObject((HGDIOBJ)font);
}

void PlatSetViewFont(PlatFont font)
{
    SendMessageA(LogView, WM_SETFONT, (WPARAM)font, MAKELPARAM(TRUE, 0));
}
