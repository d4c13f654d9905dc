// Every message box and dialog of the program runs through RunBox, so that the shell knows while one is up.
#include <windows.h>

#include "platform/windows/modal.h"
#include "platform/windows/win_handles.h"

int BoxesUp;
static int NoMoreBoxes;

INT_PTR RunBox(INT_PTR (*show)(void* context), void* context, INT_PTR answer)
{
    if (NoMoreBoxes)
        return answer;
    BoxesUp++;
    INT_PTR result = show(context);
    // Posted, not run here: the code that opened the box goes on first.
    if (--BoxesUp == 0 && MainWindow != NULL)
        PostMessageA(MainWindow, WM_BOXES_ANSWERED, 0, 0);
    return result;
}

struct DialogCall {
    const char* name;
    DLGPROC proc;
};

static INT_PTR CallDialog(void* context)
{
    const DialogCall* dialog = (const DialogCall*)context;
    return DialogBoxParamA(MainInstance, dialog->name, MainWindow, dialog->proc, 0);
}

INT_PTR ShowDialog(const char* name, DLGPROC proc)
{
    DialogCall dialog = {name, proc};
    return RunBox(CallDialog, &dialog, 0);
}

void RefuseBehindBox(void)
{
    // As Windows answers a click on a window that a box has disabled: a beep,
    // and the box that waits flashes.  The top-most of our boxes is that one.
    MessageBeep(MB_OK);
    DWORD thread = GetCurrentThreadId();
    for (HWND w = GetTopWindow(NULL); w != NULL; w = GetWindow(w, GW_HWNDNEXT)) {
        char name[8];
        if (GetWindowThreadProcessId(w, NULL) == thread && IsWindowVisible(w) &&
            GetClassNameA(w, name, sizeof name) > 0 && lstrcmpA(name, "#32770") == 0) {
            FLASHWINFO flash = {sizeof flash, w, FLASHW_CAPTION, 3, 0};
            FlashWindowEx(&flash);
            return;
        }
    }
}

void ShowNoMoreBoxes(void)
{
    NoMoreBoxes = 1;
}
