// Error texts, message boxes, beeps and the clock through user32 and kernel32.
#include <windows.h>

#include <string.h>

#include "platform/platform.h"

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

int PlatMessageBox(const char* text, const char* caption, unsigned flags)
{
    return MessageBoxA(NULL, text, caption, flags);
}

void PlatBeep(unsigned frequency, unsigned milliseconds)
{
    Beep(frequency, milliseconds);
}

uint32_t PlatTickCount(void)
{
    return (uint32_t)GetTickCount();
}
