// The commands held back while a box is up, kept apart from the windows so that the rule can be tested.
#include "app/held_commands.h"
#include "res/resource.h"

static int HeldSave;
static int HeldQuit;  // IDM_EXIT or HELD_CLOSE: the first one asked for

BehindBox CommandBehindBox(int id, int boxesUp)
{
    if (boxesUp <= 0)
        return COMMAND_RUNS;
    switch (id) {
    case IDM_SAVE:
        HeldSave = 1;
        return COMMAND_HELD;
    case IDM_EXIT:
    case HELD_CLOSE:
        if (HeldQuit == 0)
            HeldQuit = id;
        return COMMAND_HELD;
    case IDM_OPTIONS:
        return COMMAND_REFUSED;
    default:
        return COMMAND_RUNS;
    }
}

int TakeHeldCommand(void)
{
    int id = 0;
    if (HeldSave) {
        HeldSave = 0;
        id = IDM_SAVE;
    } else if (HeldQuit != 0) {
        id = HeldQuit;
        HeldQuit = 0;
    }
    return id;
}

void ResetHeldCommands(void)
{
    HeldSave = 0;
    HeldQuit = 0;
}
