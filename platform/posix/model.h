// What the POSIX side models of Windows, for tests to set and read.
#ifndef BREVAND_POSIX_MODEL_H
#define BREVAND_POSIX_MODEL_H

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

struct ModelMessageBox {
    std::string Text;
    std::string Caption;  // "(null)" when none was given
    unsigned Flags;
};

struct ModelDatagram {
    std::string Bytes;
    unsigned char From[4];
    unsigned short Port;
};

struct PlatformModel {
    // Message boxes: each is recorded, then Inside runs as the modal loop
    // would run other events, then Answer is returned.
    std::vector<ModelMessageBox> Boxes;
    std::function<void()> Inside;
    int Answer = PLAT_IDOK;
    int Beeps = 0;

    // Files: after PassOpens more opens, the next FailOpens fail with
    // OpenError; after PassWrites more writes, the next FailWrites write
    // PartialBytes of their data at most and fail with WriteError; the next
    // FailCuts truncations fail; a locked path can be neither deleted nor
    // renamed, as a file another program holds open.  What is not a regular
    // file (/dev/null) opens as a device does on Windows: refused.  A disk
    // with DiskRoom bytes left (-1: no end) takes what fits of a write and
    // fails it.
    int PassOpens = 0;
    int PassWrites = 0;
    int FailOpens = 0;
    int Opens = 0;    // open calls, failed or not
    int Renames = 0;  // rename and delete calls, tried or not
    int OpenError = 5;
    int FailWrites = 0;
    size_t PartialBytes = 0;
    int WriteError = 112;  // ERROR_DISK_FULL
    int FailCuts = 0;
    int Flushes = 0;  // flush calls, failed or not
    // The next FailFlushes flushes and FailCloses closes fail with CacheError,
    // as FlushFileBuffers and CloseHandle report what the cache could not
    // deliver (the file is closed all the same); each open moves the tick on
    // by OpenMs, as CreateFile blocks on a share that does not answer.
    int FailFlushes = 0;
    int FailCloses = 0;
    int CacheError = 64;  // ERROR_NETNAME_DELETED
    uint32_t OpenMs = 0;
    bool RetryTimerRunning = false;
    std::set<std::string> Locked;
    std::set<std::string> ReadOnly;  // can be renamed, not deleted (error 5)
    int64_t DiskRoom = -1;
    // Which files were made in which order (their number, moved by a
    // rename), and a look at each one before it is deleted.
    std::map<std::string, int> Born;
    int Births = 0;
    std::function<void(const std::string& path)> Deleting;

    // The current directory: the real one unless set; FailCurrentDirectory
    // makes it unreadable.
    bool CurrentDirectorySet = false;
    std::string CurrentDirectory;
    bool FailCurrentDirectory = false;

    // Folder that stands for the Windows directory (bare profile file names).
    std::string WindowsDirectory = ".";

    // Datagrams handed to the receive before the real socket is read.
    std::deque<ModelDatagram> Injected;
    int BoundPort = 0;
    // WSAAsyncSelect's FD_READ: Notifying while asked for; ReadArmed until
    // a notification is posted, and again at the next receive call.
    bool Notifying = false;
    bool ReadArmed = false;
    // Exclusive use of the port, asked for before the bind; refused as XP
    // before Service Pack 2 refuses it to a user who is not an administrator.  PortHolders: the
    // binds other programs hold on the port, true for one address, false
    // for all.
    bool Exclusive = false;
    bool RefuseExclusive = false;
    std::vector<bool> PortHolders;

    // The view: its text, a page of PageLines lines, the first line shown.
    std::string ViewText;
    int PageLines = 10;
    int FirstLine = 0;
    int Refreshes = 0;
    int LastScroll = 0;

    // The refresh timer and the clock.  Set, the clock starts a second
    // before GetTickCount wraps (after 49.7 days up), so that every rule
    // that paces by it is tested across the wrap.
    bool TimerRunning = false;
    unsigned TimerPeriod = 0;
    bool FailTimer = false;
    bool TickSet = false;
    uint32_t Tick = UINT32_MAX - 999;
    // The local time, when set: the start of 2026 at the first Tick, moving
    // with it.
    bool ClockSet = false;

    // Fonts.
    bool FailFont = false;
    int FontsCreated = 0;
    int FontsDeleted = 0;
    PlatFont ViewFont = nullptr;
    LogFontRecord LastFont = {};
};

extern PlatformModel Model;

// For the POSIX side's own calls: errno becomes the code PlatLastError()
// returns; 0, the failure result.
int FailWithErrno(void);

// Back to a fresh model; closes the listener socket.
void ResetModel(void);

// Waits until the listener has a datagram, as the notification would; false
// when none came within the time.
bool WaitForDatagram(int milliseconds);
// Whether Winsock would post a notification now (and then none until the
// next receive call).
bool ModelReadEvent(void);
// What another program's bind of the port gets once ours is made: 0, or
// the Winsock code it fails with.
int ModelOtherBind(bool oneAddress);

#endif
