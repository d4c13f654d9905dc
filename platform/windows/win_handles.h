// The program-wide windows that the Windows side of the platform works on.
#ifndef BREVAND_WIN_HANDLES_H
#define BREVAND_WIN_HANDLES_H

#include <windows.h>

// Set by the shell at start-up (app/) and kept for the whole run; defined in
// platform/windows/view.cpp so that the core links without the shell.
extern HINSTANCE MainInstance;
extern HWND MainWindow;  // socket notifications and timers go here
extern HWND StatusBar;
extern HWND LogView;     // the read-only edit control mirroring the screen buffer

// The main window's timers.
#define FLUSH_TIMER_ID 1234         // flushes the log file every FlushTime s
#define VIEW_REFRESH_TIMER_ID 1235  // redraws the view once its changes pause
#define STATUS_TIMER_ID 1236        // redraws the status bar likewise
#define LOG_RETRY_TIMER_ID 1237     // tries a failing log file again

#endif
