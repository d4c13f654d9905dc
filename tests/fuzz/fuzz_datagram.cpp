// Arbitrary datagrams through the whole receive path into the log file and the view.
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
    char dir[] = "/tmp/brevand-fuzz-XXXXXX";
    if (ScreenBuffer.Text == NULL) {  // once, with small sizes, so that rotations and screen cuts happen all the time
        Settings = SettingsRecord{"fuzz.log", 3, 4096, 3, 1000, {}, nullptr};
        if (mkdtemp(dir) == NULL || chdir(dir) != 0 || !AllocScreenBuffer(Settings.ScreenSize))
            abort();
        SplitLogName();
    }
    // The first byte picks the sender's port and whether the event is an error.
    unsigned short port = size ? data[0] * 257 : 514;
    Model.Injected.push_back({std::string((const char*)data, size), {10, 0, 0, 5}, port});
    if (!OnSocketNotify(size > 1 && data[0] == 0xEE ? (long)data[1] << 16 : 0))
        Model.Injected.clear();
    if (Model.TimerRunning)
        OnViewRefreshTimer();
    if (strlen(ScreenBuffer.Text) > 1000 - 100 || Model.ViewText.size() > 1000)
        abort();
    return 0;
}
