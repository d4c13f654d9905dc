// What becomes of a command that comes while a message box or dialog is up.
#ifndef BREVAND_HELD_COMMANDS_H
#define BREVAND_HELD_COMMANDS_H

// The main window's close (WM_CLOSE), held like a command.
#define HELD_CLOSE 0x10000

enum BehindBox { COMMAND_RUNS, COMMAND_HELD, COMMAND_REFUSED };

// What becomes of command id while boxesUp boxes or dialogs are up.
//
// Every box runs a modal loop that goes on dispatching events and commands,
// inside the code that opened it.  Most commands do no harm there; these
// would change or end what that code is in the middle of (the Options
// dialog's settings, the log file it rotates, the start-up that is not done):
// a save, an exit and the window's close are held and run once the last box
// is answered (the operator can always quit then), each once; a second
// Options is refused, as it would open the dialog again unasked.
BehindBox CommandBehindBox(int id, int boxesUp);
// The next held command, 0 when none: a save before the question to quit,
// so that what was asked for is saved whatever the answer.
int TakeHeldCommand(void);
// Nothing held any more.
void ResetHeldCommands(void);

#endif
