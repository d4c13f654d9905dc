// Arbitrary datagrams through the whole receive path into the log file and the view.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/posix/model.h"
#include "reception/reception.h"
#include "view/view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static char dir[] = "/tmp/brevand-fuzz-XXXXXX";
    if (Settings.LogSize != 4096) {
        // Small sizes, so that rotations and screen cuts happen all the time.
        if (mkdtemp(dir) == NULL || chdir(dir) != 0)
            abort();
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s/fuzz.log", dir);
        Settings.LogSize = 4096;
        Settings.LogsNum = 3;
        Settings.ScreenSize = 1000;
        SplitLogName();
        AllocScreenBuffer(Settings.ScreenSize);
    }
    // The first byte picks the sender's port and whether the event is an error.
    ModelDatagram d{std::string((const char*)data, size), {10, 0, 0, 5}, (unsigned short)(size ? data[0] * 257 : 514)};
    Model.Injected.push_back(d);
    if (!OnSocketNotify(size > 1 && data[0] == 0xEE ? (long)data[1] << 16 : 0))
        Model.Injected.clear();
    if (ScreenBuffer.Text == NULL || strlen(ScreenBuffer.Text) > (size_t)Settings.ScreenSize - 100 ||
        Model.ViewText.size() > (size_t)Settings.ScreenSize)
        abort();
    if (Model.TimerRunning)
        OnViewRefreshTimer();
    return 0;
}
