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

#endif
