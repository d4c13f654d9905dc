// Start-up: the entry point, the main window and its children, the self-closing About box.
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include "app/shell.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "logout/logout.h"
#include "platform/platform.h"
#include "platform/windows/modal.h"
#include "platform/windows/win_handles.h"
#include "reception/reception.h"
#include "view/view.h"

// Child, visible, both scroll bars, multi-line, read-only; keeps the
// selection when the focus leaves.
#define LOG_VIEW_STYLE                                                                      \
    (WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |      \
     ES_AUTOHSCROLL | ES_NOHIDESEL | ES_READONLY | ES_WANTRETURN)
static_assert(LOG_VIEW_STYLE == 0x503019C4, "log view style");

#define SPLASH_MS 3000

// The start-up About box, for the closer thread; null once it is gone.
static HWND volatile SplashWindow;

static DWORD WINAPI SplashCloser(LPVOID)
{
    Sleep(SPLASH_MS);
    HWND window = (HWND)InterlockedCompareExchangePointer((PVOID volatile*)&SplashWindow, NULL,
                                                          NULL);
    if (window != NULL)
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return 0;
}

static INT_PTR CALLBACK SplashDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        InterlockedExchangePointer((PVOID volatile*)&SplashWindow, dialog);
        HANDLE thread = CreateThread(NULL, 0, SplashCloser, NULL, 0, NULL);
        if (thread == NULL)
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        else
            CloseHandle(thread);  // it runs on and ends by itself
        return TRUE;
    }
    case WM_COMMAND:
        // Only OK closes the box: Escape and the close button do nothing.
        if (LOWORD(wParam) == IDOK) {
            InterlockedExchangePointer((PVOID volatile*)&SplashWindow, NULL);
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

static int RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    WhiteBrush = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.style = CS_CLASSDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, "brevandIcon");
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = WhiteBrush;
    windowClass.lpszMenuName = "brevandMenu";
    windowClass.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassA(&windowClass) != 0;
}

static void WriteBanner(void)
{
    char stamp[32];
    FormatLocalTime("%b %d %H:%M:%S", stamp, sizeof stamp);
    LogPrint("---- %s     Windows BREVAND is opened ----\r\n", stamp);
}

// Brings everything up in a fixed order; 0 ends the program.
static int InitInstance(HINSTANCE instance, int show)
{
    MainWindow = CreateWindowExA(0, MAIN_CLASS_NAME, MAIN_WINDOW_TITLE,
                                 WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL,
                                 instance, NULL);
    if (MainWindow == NULL)
        return 0;

    StatusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", MainWindow, 1);
    if (StatusBar == NULL) {
        PlatMessageBox("Unable to open Status Window", NULL, MB_OK);
        return 0;
    }
    RECT bar;
    StatusBarHeight = GetWindowRect(StatusBar, &bar) ? bar.bottom - bar.top : 0;

    RECT client;
    GetClientRect(MainWindow, &client);
    LogView = CreateWindowExA(0, "Edit", "", LOG_VIEW_STYLE, 0, 0, client.right,
                              client.bottom - StatusBarHeight, MainWindow, NULL, instance, NULL);
    if (LogView == NULL) {
        PlatMessageBox("Unable to open Log Window", NULL, MB_OK);
        return 0;
    }

    ShowWindow(MainWindow, show);
    UpdateWindow(MainWindow);
    SendMessageA(MainWindow, WM_SETREDRAW, TRUE, 0);

    // Nothing is received while the box is up: the socket comes after it.
    ShowDialog("AboutBox", SplashDlgProc);

    // Bound now, so that a taken port ends the program before anything else
    // is set up.
    if (!OpenListener())
        return 0;
    int font = LoadSettings();
    if (!AllocScreenOrSay(Settings.ScreenSize))
        return 0;
    // With the view there for the line of an open that fails; the banner is
    // the first line for the file all the same, waiting with the others.
    SplitLogName();
    WriteBanner();
    UpdateStatusBar();
    // Received from here on, also while the boxes below wait for the
    // operator: a log folder that appears meanwhile is written at once.
    if (!StartReceiving())
        return 0;
    ShowDueBoxes();
    if (font)
        ApplyViewFont();
    SetFlushTimer(Settings.FlushTime);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show)
{
    MainInstance = instance;

    // The status bar and the Options dialog's up-down control.
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&controls);

    if (previous == NULL && !RegisterMainClass(instance))
        return 0;
    if (!InitInstance(instance, show))
        return 0;

    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, NULL, 0, 0);
        if (got == 0)
            break;
        if (got == -1)
            return 0;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    CloseLogAndScreen();
    if (!PlatSocketCleanup())
        ReportSocketError(1, PlatSocketLastError(), "Error cleaning WinSock");
    return (int)message.wParam;
}
