// ReportSocketError: every Winsock failure is logged, and the grave ones shown.
#include <stdio.h>
#include <string.h>

#include "logout/logout.h"
#include "platform/platform.h"
#include "reception/reception.h"

char SystemErrorText[200];

// Texts for the Winsock codes a collector meets, for systems that have no
// message text for them (Wine has none).
static const struct {
    int code;
    const char* text;
} WinsockTexts[] = {
    {10004, "A blocking operation was interrupted."},
    {10009, "The socket handle is not valid."},
    {10013, "Access to the socket was denied."},
    {10014, "A bad address was given to the socket."},
    {10022, "An invalid argument was supplied."},
    {10024, "Too many open sockets."},
    {10035, "The operation would block."},
    {10038, "The handle is not a socket."},
    {10040, "A datagram was larger than the receive buffer and was dropped."},
    {10047, "The IPv4 address family is not supported."},
    {10048, "The address is already in use: another program is listening on the port."},
    {10049, "The requested address is not valid on this machine."},
    {10050, "The network is down."},
    {10052, "The network connection was reset."},
    {10054, "The connection was reset by the remote host (an earlier datagram was refused)."},
    {10055, "No buffer space is available."},
    {10091, "The network subsystem is not ready."},
    {10092, "The requested Windows Sockets version is not supported."},
    {10093, "Windows Sockets has not been started."},
};

// The system's text for code, or ours, without its trailing line end.
static void ErrorTextFor(int code, char* out, unsigned size)
{
    if (PlatSystemErrorText(code, SystemErrorText, sizeof SystemErrorText) > 0) {
        snprintf(out, size, "%s", SystemErrorText);
    } else {
        const char* text = "No system text for this error.";
        for (size_t i = 0; i < sizeof WinsockTexts / sizeof WinsockTexts[0]; i++) {
            if (WinsockTexts[i].code == code)
                text = WinsockTexts[i].text;
        }
        snprintf(out, size, "%s", text);
    }
    size_t len = strlen(out);
    while (len > 0 && (out[len - 1] == '\r' || out[len - 1] == '\n' || out[len - 1] == ' '))
        out[--len] = '\0';
}

// The text names the failed step and the code as well, so that a report is
// useful even where the system has no text.
void FormatErrorReport(int code, const char* label, char* out, unsigned size)
{
    char text[200];
    ErrorTextFor(code, text, sizeof text);
    while (*label == ' ')
        label++;
    snprintf(out, size, "%s (%s, error %d)", text, label, code);
}

void ReportSocketError(int alert, int code, const char* label)
{
    char report[320];
    FormatErrorReport(code, label, report, sizeof report);
    size_t len = strlen(report);
    snprintf(report + len, sizeof report - len, "\r\n");

    LogPrint("\r\nSOCKET ERROR: %s\r\n", report);
    if (alert) {
        for (int i = 0; i < 3; i++)
            PlatBeep(100, 500);
        PlatMessageBox(report, "BREVAND Error", PLAT_MB_OK);
    }
}
