// Error texts, message boxes, beeps and the clock: modelled for tests.
#include <string.h>
#include <time.h>

#include <stdio.h>

#include "platform/platform.h"
#include "platform/posix/model.h"

PlatformModel Model;

void ResetModel(void)
{
    PlatSocketClose();
    Model = PlatformModel();
}

unsigned PlatSystemErrorText(int code, char* buf, unsigned size)
{
    // The system's texts of the codes the files here give; other codes are
    // errno values.  Winsock codes have no system text here, as under Wine.
    static const struct { int code; const char* text; } texts[] = {
        {2, "The system cannot find the file specified."}, {3, "The system cannot find the path specified."},
        {5, "Access is denied."}, {6, "The handle is invalid."},
        {32, "The process cannot access the file because it is being used by another process."},
        {53, "The network path was not found."}, {64, "The specified network name is no longer available."},
        {67, "The network name cannot be found."}, {112, "There is not enough space on the disk."},
        {183, "Cannot create a file when that file already exists."},
    };
    if (code >= 10000 || code <= 0 || size == 0)
        return 0;
    const char* text = strerror(code);
    for (const auto& t : texts)
        text = t.code == code ? t.text : text;
    int len = snprintf(buf, size, "%s\r\n", text);
    return len < 0 ? 0 : (unsigned)strlen(buf);
}

int PlatMessageBox(const char* text, const char* caption, unsigned flags)
{
    Model.Boxes.push_back({text, caption != NULL ? caption : "(null)", flags});
    if (Model.Inside) {
        // Run once: what happens inside may open another box.
        std::function<void()> inside = Model.Inside;
        Model.Inside = nullptr;
        inside();
    }
    return Model.Answer;
}

void PlatBeep(unsigned, unsigned)
{
    Model.Beeps++;
}

uint32_t PlatTickCount(void)
{
    if (Model.TickSet)
        return Model.Tick;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

void PlatLocalTime(struct tm* out)
{
    time_t now = time(NULL);
    localtime_r(&now, out);
}
