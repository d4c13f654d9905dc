// Error texts, message boxes, beeps and the clock through user32 and kernel32.
#include <windows.h>

#include <string.h>
#include <time.h>

#include "platform/platform.h"
#include "platform/windows/modal.h"

unsigned PlatSystemErrorText(int code, char* buf, unsigned size)
{
    // Formatted aside first: buf stays as it was when there is no text.
    char text[1024];
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                               (DWORD)code, 0x400, text, sizeof text, NULL);
    if (len == 0 || size == 0)
        return 0;
    if (len > size - 1)
        len = size - 1;
    memcpy(buf, text, len);
    buf[len] = '\0';
    return (unsigned)len;
}

struct MessageBoxCall {
    const char* text;
    const char* caption;
    unsigned flags;
};

static INT_PTR CallMessageBox(void* context)
{
    const MessageBoxCall* box = (const MessageBoxCall*)context;
    return MessageBoxA(NULL, box->text, box->caption, box->flags);
}

int PlatMessageBox(const char* text, const char* caption, unsigned flags)
{
    MessageBoxCall box = {text, caption, flags};
    return (int)RunBox(CallMessageBox, &box, IDOK);
}

void PlatBeep(unsigned frequency, unsigned milliseconds)
{
    Beep(frequency, milliseconds);
}

uint32_t PlatTickCount(void)
{
    return (uint32_t)GetTickCount();
}

// GetLocalTime rather than the C runtime's localtime: the runtime follows a
// TZ variable in the environment in its own way (Wine hands the Unix one
// over, which it then reads as UTC), the system's zone is the one we want.
void PlatLocalTime(struct tm* out)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    memset(out, 0, sizeof *out);
    out->tm_year = now.wYear - 1900;
    out->tm_mon = now.wMonth - 1;
    out->tm_mday = now.wDay;
    out->tm_hour = now.wHour;
    out->tm_min = now.wMinute;
    out->tm_sec = now.wSecond;
    out->tm_wday = now.wDayOfWeek;
    out->tm_isdst = -1;
}
