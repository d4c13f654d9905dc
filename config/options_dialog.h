// The Options dialog: every setting changed while the program runs.
#ifndef BREVAND_OPTIONS_DIALOG_H
#define BREVAND_OPTIONS_DIALOG_H

#include <windows.h>

// The IDM_OPTIONS command: runs the dialog, then renames and rotates the log.
void OnOptionsCommand(void);
INT_PTR CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
