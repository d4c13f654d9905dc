// The main window procedure and its handlers, the status bar text and the shutdown path.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include "app/held_commands.h"
#include "app/info_text.h"
#include "app/shell.h"
#include "config/settings.h"
#include "logout/logout.h"
#include "platform/platform.h"
#include "platform/windows/modal.h"
#include "platform/windows/win_handles.h"
#include "reception/reception.h"
#include "view/refresh_schedule.h"
#include "view/view.h"

HBRUSH WhiteBrush;
int StatusBarHeight;

// Painting the count after every datagram would cost more than the datagram:
// the bar follows the count on the same schedule as the view.
static RefreshSchedule StatusRefresh;

// Read by the status bar when it processes the posted update, so it must
// outlive this call: a 199-character path, the counts and the fixed text.
static char StatusText[400];

void UpdateStatusBar(void)
{
    if (StatusBar == NULL)
        return;
    FormatStatusText(StatusText, sizeof StatusText);
    PostMessageA(StatusBar, SB_SETTEXTA, 0, (LPARAM)StatusText);
    RefreshDone(&StatusRefresh);
    KillTimer(MainWindow, STATUS_TIMER_ID);
}

// The count changed.
static void StatusBarDue(void)
{
    switch (RefreshOnChange(&StatusRefresh, GetTickCount())) {
    case REFRESH_START_TIMER:
        if (SetTimer(MainWindow, STATUS_TIMER_ID, REFRESH_QUIET_MS, NULL) == 0)
            UpdateStatusBar();
        break;
    case REFRESH_NOW:
        UpdateStatusBar();
        break;
    case REFRESH_NOTHING:
        break;
    }
}

// Set once the log file is closed for good, by an exit or the session's end,
// which the message loop's end follows: each closes it once at most.
static int Closed;

void CloseLogAndScreen(void)
{
    if (Closed)
        return;
    Closed = 1;
    // A command held behind the exit's last box would ask to quit again,
    // with nothing left open.
    ResetHeldCommands();
    // Leaving: nothing more is received, so that no line arrives to be shown
    // but not kept while the log file's last words wait for the operator.
    StopReceiving();
    CloseLogFile();
    FreeScreenBuffer();
}

int AllocScreenOrSay(int size)
{
    if (AllocScreenBuffer(size))
        return 1;
    PlatMessageBox("Unable to allocate memory for screen buffer.", "Brevand Error", MB_OK);
    return 0;
}

void SetFlushTimer(int32_t flushTime)
{
    KillTimer(MainWindow, FLUSH_TIMER_ID);
    Settings.FlushTime = flushTime;
    if (flushTime != 0 && SetTimer(MainWindow, FLUSH_TIMER_ID, (UINT)flushTime * 1000, NULL) == 0)
        PlatMessageBox("Unable to initialize time subsystem", "Brevand Error", MB_OK);
}

void ShowDueBoxes(void)
{
    // No box stacks on a box: what is due waits until the last one is answered.
    if (BoxesUp == 0)
        ShowLogFailureBox();
}

static void OnSize(int width, int height)
{
    // Minimised, or smaller than the status bar: the view gets no height.
    if (height < StatusBarHeight)
        height = StatusBarHeight;
    // WM_SIZE also comes while the main window is being created.
    if (LogView != NULL)
        MoveWindow(LogView, 0, 0, width, height - StatusBarHeight, TRUE);
    if (StatusBar != NULL)
        PostMessageA(StatusBar, WM_SIZE, 0, 0);  // it fits itself to the bottom edge
}

static void OnClose(HWND window)
{
    // Behind a box the question comes once the box is answered.
    if (CommandBehindBox(HELD_CLOSE, BoxesUp) != COMMAND_RUNS)
        return;
    if (PlatMessageBox(EXIT_QUESTION, EXIT_CAPTION, MB_YESNO) == IDYES)
        DestroyWindow(window);
}

static void OnDestroy(void)
{
    CloseLogAndScreen();
    PostQuitMessage(0);
}

// Logoff or shutdown: Windows ends the process as soon as this returns, so
// the lines that wait get their last try here, and no box can be answered.
// A session that goes on (another program refused to end) changes nothing.
// Where Windows lets the process run on (the Restart Manager closing it), it
// ends by itself.
static void OnEndSession(WPARAM ending)
{
    if (!ending || Closed)
        return;
    Closed = 1;
    ShowNoMoreBoxes();
    StopReceiving();
    CloseLogFileAtSessionEnd();
    PostQuitMessage(0);
}

static void OnTimer(WPARAM id)
{
    switch (id) {
    case VIEW_REFRESH_TIMER_ID:
        OnViewRefreshTimer();
        break;
    case LOG_RETRY_TIMER_ID:
        OnLogRetryTimer();
        UpdateStatusBar();
        break;
    case STATUS_TIMER_ID:
        if (RefreshOnTick(&StatusRefresh, GetTickCount()) == REFRESH_NOW)
            UpdateStatusBar();
        break;
    case FLUSH_TIMER_ID:
        FlushLogFileIfDue(1);
        break;
    default:
        break;
    }
}

static void OnSocket(LPARAM event)
{
    // After an error event the count shown waits for the next good event.
    if (OnSocketNotify((long)event))
        StatusBarDue();
}

// The last box was answered: what waited for it runs now, the log file's
// box first.
static void OnBoxesAnswered(HWND window)
{
    ShowDueBoxes();
    for (int id; BoxesUp == 0 && (id = TakeHeldCommand()) != 0;) {
        if (id == HELD_CLOSE)
            OnClose(window);
        else
            OnCommand((WPARAM)id);
    }
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // nothing to ask: what waits is written at WM_ENDSESSION
    case WM_ENDSESSION:
        OnEndSession(wParam);
        return 0;  // no box after it: Windows is ending the process
    case WM_CTLCOLORSTATIC:
        // The read-only view asks here; white like the window behind it.
        return (LRESULT)WhiteBrush;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_SOCKET_NOTIFY:
        OnSocket(lParam);
        break;
    case WM_COMMAND:
        OnCommand(wParam);
        break;
    case WM_BOXES_ANSWERED:
        OnBoxesAnswered(window);
        break;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // The log path only records that its box is due: shown here, with the
    // message handled, so that nothing it was in the middle of runs again
    // inside the box's modal loop.
    ShowDueBoxes();
    return 0;
}
