// Arbitrary datagrams through the whole receive path into the log file and the view.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/posix/model.h"
#include "reception/reception.h"
#include "view/view.h"

static void Setup(void)
{
    char dir[] = "/tmp/brevand-fuzz-XXXXXX";
    if (mkdtemp(dir) == NULL || chdir(dir) != 0)
        abort();
    // Small sizes, so that rotations and screen cuts happen all the time.
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s/fuzz.log", dir);
    Settings.LogSize = 4096;
    Settings.LogsNum = 3;
    Settings.ScreenSize = 1000;
    Settings.FlushTime = 3;
    SplitLogName();
    AllocScreenBuffer(Settings.ScreenSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        Setup();
        ready = true;
    }
    // The first byte picks the sender's port and whether the event is an error.
    ModelDatagram d;
    d.Bytes.assign((const char*)data, size);
    memcpy(d.From, "\x0a\x00\x00\x05", 4);
    d.Port = size > 0 ? (unsigned short)(data[0] * 257) : 514;
    Model.Injected.push_back(d);
    long event = size > 1 && data[0] == 0xEE ? (long)data[1] << 16 : 0;
    if (!OnSocketNotify(event))
        Model.Injected.clear();

    // The composed line is always the datagram's text up to its first zero.
    if (ScreenBuffer.Text == NULL || strlen(ScreenBuffer.Text) > (size_t)Settings.ScreenSize - 100)
        abort();
    if (Model.ViewText.size() > (size_t)Settings.ScreenSize)
        abort();
    if (Model.TimerRunning)
        OnViewRefreshTimer();
    return 0;
}
