// The Windows shell's routines shared by the main window, the menu and the Options dialog.
#ifndef BREVAND_SHELL_H
#define BREVAND_SHELL_H

#include <windows.h>

#include <stdint.h>

#define MAIN_CLASS_NAME "brevandClass"
#define MAIN_WINDOW_TITLE "Windows Brevand"
#define EXIT_QUESTION "       Exit Windows BREVAND ?"
#define EXIT_CAPTION "Exit BREVAND"

// The stock white brush: the class background and the view's background.
extern HBRUSH WhiteBrush;
// Height of the status bar in pixels, 0 when it could not be measured.
extern int StatusBarHeight;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void UpdateStatusBar(void);
// The screen buffer of size bytes; says so when there is no memory for it.
int AllocScreenOrSay(int size);
// (Re)starts the flush timer for flushTime, which becomes FlushTime; says
// so when it cannot.  0 stops it.
void SetFlushTimer(int32_t flushTime);
// Shows the boxes the log path found due, unless a box is up.
void ShowDueBoxes(void);
// Closes the log file and releases the screen buffer; a second call does nothing.
void CloseLogAndScreen(void);

// Menu commands: id is the whole wParam of WM_COMMAND.
void OnCommand(WPARAM id);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowPacketDump(void);
void ShowStatistics(void);

#endif
