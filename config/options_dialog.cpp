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
#include "platform/windows/win_handles.h"
#include "res/resource.h"
#include "view/view.h"

// A font was chosen since the dialog opened.
static int FontChosen;
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
    if (Settings.FontSet)
        chooser.Flags |= CF_INITTOLOGFONTSTRUCT;
    chooser.nFontType = SCREEN_FONTTYPE;
    // The chooser has no owner: the dialog behind it takes no input meanwhile.
    EnableWindow(dialog, FALSE);
    BOOL chosen = ChooseFontA(&chooser);
    EnableWindow(dialog, TRUE);
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
        MessageBoxA(NULL, text, NULL, MB_OK);
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

// OK and Save+OK.  Returns FALSE when the screen buffer could not be
// reallocated: nothing more is applied then, and nothing saved.
static INT_PTR OnOptionsAccept(HWND dialog, int save)
{
    int32_t logSize = Settings.LogSize;
    int32_t logsNum = Settings.LogsNum;
    int32_t flushTime = 0;
    int32_t screenSize = 0;

    // The correction boxes have no owner, so the dialog would stay live
    // behind them: a second OK would run nested, a Cancel would be overruled
    // by this one's end.  It takes no input from here until it has ended.
    EnableWindow(dialog, FALSE);

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
        MessageBoxA(NULL, messages[i].Text, messages[i].Caption, MB_OK);
    Settings.LogSize = logSize;
    Settings.LogsNum = logsNum;

    EndDialog(dialog, 1);

    if (screenSize != Settings.ScreenSize) {
        FreeScreenBuffer();
        Settings.ScreenSize = screenSize;
        if (!AllocScreenBuffer(screenSize)) {
            MessageBoxA(NULL, "Unable to allocate memory for screen buffer.", "Brevand Error",
                        MB_OK);
            return FALSE;
        }
    }
    if (flushTime != Settings.FlushTime) {
        if (Settings.FlushTime != 0)
            KillTimer(MainWindow, FLUSH_TIMER_ID);
        Settings.FlushTime = flushTime;
        if (flushTime != 0 &&
            SetTimer(MainWindow, FLUSH_TIMER_ID, (UINT)flushTime * 1000, NULL) == 0)
            MessageBoxA(NULL, "Unable to initialize time subsystem", "Brevand Error", MB_OK);
    }
    if (FontChosen)
        ApplyViewFont();
    // Saved once the dialog is gone.
    if (save)
        PostMessageA(MainWindow, WM_COMMAND, IDM_SAVE, 0);
    return TRUE;
}

INT_PTR CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnOptionsInit(dialog);
        return TRUE;
    case WM_COMMAND:
        // Disabled while a box of ours is up: a click posted meanwhile (or
        // pressed by another program) is no answer of the operator's.
        if (!IsWindowEnabled(dialog))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_FONT:
            OnFontButton(dialog);
            return TRUE;
        case IDOK:
            return OnOptionsAccept(dialog, 0);
        case IDC_SAVEOK:
            return OnOptionsAccept(dialog, 1);
        case IDCANCEL:
            // A font chosen meanwhile stays in the description, unapplied.
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void OnOptionsCommand(void)
{
    // -1 (the dialog could not be made) is no acceptance.
    if (DialogBoxParamA(MainInstance, "Options", MainWindow, OptionsDlgProc, 0) > 0) {
        memcpy(Settings.LogName, NewLogName, sizeof Settings.LogName);
        Settings.LogName[LOGNAME_SIZE - 1] = '\0';
        // Closes the old file and rotates over the (possibly new) name.
        SplitLogName();
        UpdateStatusBar();
    }
    LogPrint("%s", "");  // refreshes the view
}
