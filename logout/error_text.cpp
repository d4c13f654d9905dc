// The system's text for an error code, as every report in the log, the view and a box gives it.
#include <stdio.h>
#include <string.h>

#include "logout/logout.h"
#include "platform/platform.h"

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

void ErrorText(int code, char* out, unsigned size)
{
    if (size == 0)
        return;
    char system[200];
    if (PlatSystemErrorText(code, system, sizeof system) > 0) {
        snprintf(out, size, "%s", system);
    } else {
        const char* text = "No system text for this error.";
        for (size_t i = 0; i < sizeof WinsockTexts / sizeof WinsockTexts[0]; i++) {
            if (WinsockTexts[i].code == code)
                text = WinsockTexts[i].text;
        }
        snprintf(out, size, "%s", text);
    }
    // One line: the report goes into a line of its own.
    size_t len = strcspn(out, "\r\n");
    while (len > 0 && out[len - 1] == ' ')
        len--;
    out[len] = '\0';
}

// The text names the failed step and the code as well, so that a report is
// useful even where the system has no text.
void FormatErrorReport(int code, const char* label, char* out, unsigned size)
{
    char text[200];
    ErrorText(code, text, sizeof text);
    while (*label == ' ')
        label++;
    snprintf(out, size, "%s (%s, error %d)", text, label, code);
}
