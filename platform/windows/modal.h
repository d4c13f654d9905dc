// The one routine that runs every message box and dialog of the program, and what the shell asks of it.
#ifndef BREVAND_MODAL_H
#define BREVAND_MODAL_H

#include <windows.h>

// Posted to the main window when the last box or dialog up has been answered:
// what waited behind it may run now.
#define WM_BOXES_ANSWERED (WM_APP + 24)

// How many boxes and dialogs are up, one inside the other.  While it is not
// 0, events go on being dispatched in their modal loops, and the shell holds
// back the commands that would change what the code that opened them is in
// the middle of.
extern int BoxesUp;

// Runs show(context), which shows one box or dialog and returns its answer,
// with BoxesUp counting it.  Once the session is ending no box is shown:
// answer is returned instead.  Message boxes come through here from
// PlatMessageBox.
INT_PTR RunBox(INT_PTR (*show)(void* context), void* context, INT_PTR answer);
// A dialog of the program's resources, owned by the main window, through RunBox.
INT_PTR ShowDialog(const char* name, DLGPROC proc);
// A command that cannot wait for the box to be answered is refused with a
// beep, and the box on top flashes: the operator sees what waits for him.
void RefuseBehindBox(void);
// From here on no box is shown: Windows ends the process once the session's
// end has been answered, whatever a box waits for.
void ShowNoMoreBoxes(void);

#endif
