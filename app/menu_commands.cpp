// The menu commands: About, Exit, Clear Screen, Dump, Statistics, Options, Save and Pause.
#include <windows.h>

#include "app/held_commands.h"
#include "app/info_text.h"
#include "app/shell.h"
#include "config/options_dialog.h"
#include "config/settings_file.h"
#include "logout/logout.h"
#include "platform/platform.h"
#include "platform/windows/modal.h"
#include "platform/windows/win_handles.h"
#include "res/resource.h"
#include "view/view.h"

// Position of the Pause item on the menu bar.
#define PAUSE_MENU_POSITION 5

// The dump and statistics texts.
static char InfoText[INFO_TEXT_SIZE];

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // Only OK closes the box, as at start-up.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void ShowPacketDump(void)
{
    FormatPacketDump(InfoText, sizeof InfoText);
    PlatMessageBox(InfoText, "BREVAND: Dump Log Packet", MB_OK);
}

void ShowStatistics(void)
{
    FormatStatistics(InfoText, sizeof InfoText);
    PlatMessageBox(InfoText, "BREVAND: Statistics", MB_OK);
}

static void OnExit(void)
{
    if (PlatMessageBox(EXIT_QUESTION, EXIT_CAPTION, MB_YESNO) == IDYES) {
        CloseLogAndScreen();
        PostQuitMessage(0);
    }
}

static void OnClear(void)
{
    ClearScreenBuffer();
    LogPrint("%s", "");  // refreshes the view
}

static void OnPause(void)
{
    HMENU menu = GetMenu(MainWindow);
    if (!ScreenBuffer.Paused) {
        // The frozen view shows everything written before the pause.
        if (ScreenBuffer.Refresh.Due)
            RefreshLogView();
        ModifyMenuA(menu, PAUSE_MENU_POSITION, MF_BYPOSITION | MF_STRING, IDM_PAUSE, "Un&Pause");
        ScreenBuffer.Paused = 1;
    } else {
        ModifyMenuA(menu, PAUSE_MENU_POSITION, MF_BYPOSITION | MF_STRING, IDM_PAUSE, "&Pause");
        ScreenBuffer.Paused = 0;
    }
    SendMessageA(MainWindow, WM_NCACTIVATE, TRUE, 0);  // redraws the menu bar
}

void OnCommand(WPARAM id)
{
    switch (CommandBehindBox((int)id, BoxesUp)) {
    case COMMAND_HELD:
        return;
    case COMMAND_REFUSED:
        RefuseBehindBox();
        return;
    case COMMAND_RUNS:
        break;
    }
    switch (id) {
    case IDM_ABOUT:
        ShowDialog("AboutBox", AboutDlgProc);
        break;
    case IDM_EXIT:
        OnExit();
        break;
    case IDM_CLEAR:
        OnClear();
        break;
    case IDM_DUMP:
        ShowPacketDump();
        break;
    case IDM_STATISTICS:
        ShowStatistics();
        break;
    case IDM_OPTIONS:
        OnOptionsCommand();
        break;
    case IDM_SAVE:
        SaveSettings();
        break;
    case IDM_PAUSE:
        OnPause();
        break;
    default:
        break;
    }
}
