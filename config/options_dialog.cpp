// The Options dialog: reads, checks and applies every setting while the program runs.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "config/option_checks.h"
#include "config/options_dialog.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "logout/logout.h"
#include "platform/platform.h"
#include "platform/windows/modal.h"
#include "platform/windows/win_handles.h"
#include "res/resource.h"
#include "view/view.h"

// A font was chosen since the dialog opened.
static int FontChosen;
// BoxesUp with the dialog up: more means one of its boxes is up over it.
static int DialogLevel;
// The path entered, taken over once the dialog is closed: until then the
// open log file and its archive names still belong to the old path.
static char NewLogName[LOGNAME_SIZE];

static void OnOptionsInit(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_LOGNAME, Settings.LogName);
    SetDlgItemInt(dialog, IDC_LOGSNUM, (UINT)Settings.LogsNum, FALSE);
    SetDlgItemInt(dialog, IDC_LOGSIZE, (UINT)Settings.LogSize, FALSE);
    SetDlgItemInt(dialog, IDC_FLUSHTIME, (UINT)Settings.FlushTime, FALSE);
    SetDlgItemInt(dialog, IDC_SCREENSIZE, (UINT)Settings.ScreenSize, FALSE);
    SendDlgItemMessageA(dialog, IDC_SPIN, UDM_SETRANGE, 0, MAKELPARAM(FLUSHTIME_MAX, FLUSHTIME_MIN));
    SetFocus(GetDlgItem(dialog, IDC_LOGNAME));
    FontChosen = 0;
    DialogLevel = BoxesUp;
}

static INT_PTR CallChooseFont(void* chooser)
{
    return ChooseFontA((CHOOSEFONTA*)chooser);
}

static void OnFontButton(HWND dialog)
{
    // The chooser works on a copy: the description changes only when a
    // font was chosen.
    LOGFONTA font;
    memcpy(&font, &Settings.Font, sizeof font);
    CHOOSEFONTA chooser;
    memset(&chooser, 0, sizeof chooser);
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = NULL;
    chooser.lpLogFont = &font;
    chooser.Flags = CF_SCREENFONTS | CF_EFFECTS;
    // Start from the current font only when there is one on the view.
    if (Settings.FontHandle != NULL)
        chooser.Flags |= CF_INITTOLOGFONTSTRUCT;
    chooser.nFontType = SCREEN_FONTTYPE;
    BOOL chosen = (BOOL)RunBox(CallChooseFont, &chooser, FALSE);
    SetForegroundWindow(dialog);
    if (chosen) {
        memcpy(&Settings.Font, &font, sizeof font);
        FontChosen = 1;
        return;
    }
    DWORD error = CommDlgExtendedError();
    if (error != 0) {
        char text[64];
        snprintf(text, sizeof text, "Error in SelectFont Dialog, ExtErr: %d", (int)error);
        PlatMessageBox(text, NULL, MB_OK);
    }
}

// A number field; keeps *value when the field does not hold a number.
static void ReadNumberField(HWND dialog, int id, int32_t* value)
{
    BOOL converted = FALSE;
    UINT number = GetDlgItemInt(dialog, id, &converted, FALSE);
    if (converted)
        *value = (int32_t)number;  // 2147483648 and above read as negative
}

// OK and Save+OK.  When the screen buffer cannot be reallocated nothing more
// is applied, and nothing saved.
static void OnOptionsAccept(HWND dialog, int save)
{
    int32_t logSize = Settings.LogSize;
    int32_t logsNum = Settings.LogsNum;
    int32_t flushTime = 0;
    int32_t screenSize = 0;

    GetDlgItemTextA(dialog, IDC_LOGNAME, NewLogName, sizeof NewLogName);
    ReadNumberField(dialog, IDC_LOGSIZE, &logSize);
    ReadNumberField(dialog, IDC_LOGSNUM, &logsNum);
    ReadNumberField(dialog, IDC_FLUSHTIME, &flushTime);
    ReadNumberField(dialog, IDC_SCREENSIZE, &screenSize);

    // Lines keep arriving while a message box is up, so the log must not
    // see a value before it has been checked.
    OptionMessage messages[4];
    int count = CheckOptionValues(&logSize, &logsNum, &flushTime, &screenSize, messages);
    for (int i = 0; i < count; i++)
        PlatMessageBox(messages[i].Text, messages[i].Caption, MB_OK);
    Settings.LogSize = logSize;
    Settings.LogsNum = logsNum;

    int applied = 1;
    if (screenSize != Settings.ScreenSize) {
        FreeScreenBuffer();
        Settings.ScreenSize = screenSize;
        applied = AllocScreenOrSay(screenSize);
    }
    if (applied) {
        if (flushTime != Settings.FlushTime)
            SetFlushTimer(flushTime);
        if (FontChosen)
            ApplyViewFont();
        // Saved once the new name is taken over, after the dialog.
        if (save)
            PostMessageA(MainWindow, WM_COMMAND, IDM_SAVE, 0);
    }
    // Last: EndDialog enables the main window at once, and its menu is not
    // to be live behind the boxes above.
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnOptionsInit(dialog);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id != IDC_FONT && id != IDOK && id != IDC_SAVEOK && id != IDCANCEL)
            return FALSE;
        // The boxes have no owner, so the dialog stays live behind them: a
        // button pressed there would run inside the code that opened the box.
        if (BoxesUp > DialogLevel)
            RefuseBehindBox();
        else if (id == IDC_FONT)
            OnFontButton(dialog);
        else if (id == IDCANCEL)
            EndDialog(dialog, 0);  // a font chosen meanwhile stays unapplied
        else
            OnOptionsAccept(dialog, id == IDC_SAVEOK);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void OnOptionsCommand(void)
{
    // -1 (the dialog could not be made) is no acceptance.
    if (ShowDialog("Options", OptionsDlgProc) > 0) {
        memcpy(Settings.LogName, NewLogName, sizeof Settings.LogName);
        Settings.LogName[LOGNAME_SIZE - 1] = '\0';
        // Closes the old file and rotates over the (possibly new) name.
        SplitLogName();
        UpdateStatusBar();
    }
    LogPrint("%s", "");  // refreshes the view
}
