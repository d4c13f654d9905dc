// The one seam between the portable subsystems and the operating system.
//
// Everything the collector needs from the platform goes through these calls,
// named for what they do.  platform/windows/ implements them with Win32 and
// Winsock; platform/posix/ implements them with real files and sockets and
// keeps a small model of what has no POSIX meaning (message boxes, beeps,
// timers, fonts, the view's edit control) that tests can drive through
// platform/posix/model.h.  Results follow the Win32 call each stands for.
#ifndef BREVAND_PLATFORM_H
#define BREVAND_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// ---- Files -----------------------------------------------------------------

// An open file, or PLAT_NO_FILE.
typedef intptr_t PlatFile;
#define PLAT_NO_FILE ((PlatFile)-1)

// Opens (creating when absent, keeping the contents when present) for
// appending writes while other processes may read it.  On failure returns
// PLAT_NO_FILE and stores the system error code in *error; a name that opens
// something other than a file on a disk (a device such as NUL or COM1, a
// pipe) is closed again and fails with PLAT_ERROR_NOT_DISK_FILE.
PlatFile PlatOpenAppend(const char* path, int* error);
// Our own code: bit 29 marks an application's codes, which no system code has.
#define PLAT_ERROR_NOT_DISK_FILE 0x20000001
#define PLAT_FILE_NOT_FOUND 2  // ERROR_FILE_NOT_FOUND
// Opens a file that exists, for writing, as PlatOpenAppend (never creating
// it); PLAT_NO_FILE with the error in *error when it cannot.
PlatFile PlatOpenExisting(const char* path, int* error);
// Writes len bytes at the current position; returns 1 when all were written,
// else 0 with the error in PlatLastError() (some bytes may have gone).
int PlatWrite(PlatFile file, const void* data, size_t len);
// Cuts the file to size bytes and goes on writing there; 1 on success.
int PlatTruncate(PlatFile file, int64_t size);
// Moves to the end of the file and returns that position (its size), or -1.
int64_t PlatSeekEnd(PlatFile file);
// Flushes the platform's file cache for this file to disk; 1 on success,
// else 0 with the error in PlatLastError(): what earlier writes put into the
// cache may never reach the disk.
int PlatFlush(PlatFile file);
// Closes the file, which writes out what the cache still holds: 0 with the
// error in PlatLastError() when that failed (the file is closed all the same).
int PlatClose(PlatFile file);
// 1 on success.  Deleting a missing file fails.
int PlatDeleteFile(const char* path);
// Renames from to to; fails (0) when to already exists or from is missing.
int PlatRenameFile(const char* from, const char* to);
// 0 when the file exists but another program holds it open so that it
// cannot be renamed, with the error in PlatLastError(); 1 otherwise (also
// when it does not exist).
int PlatFileMovable(const char* path);
// Calls visit, from one reading of base's folder, with what follows the dot
// in the name of each file named base's own name, a dot and more.  Returns
// 0 when the folder cannot be read.
typedef void (*PlatSuffixVisitor)(const char* suffix, void* context);
int PlatListSuffixes(const char* base, PlatSuffixVisitor visit, void* context);
// The last file system error code of this thread.
int PlatLastError(void);
// Starts the log file's retry timer on the main window (a tick every
// milliseconds, which the shell hands to RetryLogFile); stops it.
int PlatStartRetryTimer(unsigned milliseconds);
void PlatStopRetryTimer(void);

// Current directory into buf (as GetCurrentDirectoryA): the length written,
// the size needed (with terminator) when buf is too small, 0 on failure.
unsigned PlatCurrentDirectory(char* buf, unsigned size);

// ---- Listener socket (Winsock 1.1 semantics; codes are Winsock codes) ------

#define PLAT_WSAEWOULDBLOCK 10035
#define PLAT_WSAEMSGSIZE 10040

// WSAStartup(1.1): 0 or the error code itself.
int PlatSocketStartup(void);
// WSACleanup: 1 on success.
int PlatSocketCleanup(void);
// The last Winsock error code (WSAGetLastError).
int PlatSocketLastError(void);
// Creates the IPv4 datagram socket; 1 on success.
int PlatSocketCreate(void);
// Asks that no other socket may bind the port, on any address, while this
// one holds it (SO_EXCLUSIVEADDRUSE); only before the bind.  1 when the
// platform accepted it.
int PlatSocketExclusive(void);
// Asks for a larger receive buffer; 1 when the platform accepted it.
int PlatSocketSetReceiveBuffer(int bytes);
// Binds to 0.0.0.0:port; 1 on success.
int PlatSocketBind(unsigned short port);
// Asks for a WM_SOCKET_NOTIFY message to the main window on FD_READ; asks
// for none any more (datagrams then stay in the socket; a message already
// queued stays queued).  After one message no other comes until the next
// receive call, whether that succeeds or fails.
int PlatSocketNotifyOnRead(void);
void PlatSocketStopNotify(void);
void PlatSocketClose(void);
// Receives one datagram of at most cap bytes, without waiting.  Returns its
// length, or -1 with the error in PlatSocketLastError(): PLAT_WSAEWOULDBLOCK
// when none is there; a datagram longer than cap fails with
// PLAT_WSAEMSGSIZE and is consumed.  from receives the sender's address
// bytes in network order, port the sender's port in host order.
int PlatSocketReceive(char* buf, int cap, unsigned char from[4], unsigned short* port);

// ---- Messages for the operator ----------------------------------------------

// The system's message text for an error code (FormatMessageA, language
// 0x400, inserts ignored).  Returns its length, 0 when there is none (buf is
// then left untouched).
unsigned PlatSystemErrorText(int code, char* buf, unsigned size);

#define PLAT_MB_OK 0x0
#define PLAT_MB_ICONERROR 0x10
#define PLAT_IDOK 1
// A message box without owner.  caption may be null: the platform's default
// title.  Runs a modal loop in which window messages keep being dispatched.
int PlatMessageBox(const char* text, const char* caption, unsigned flags);
void PlatBeep(unsigned frequency, unsigned milliseconds);

// ---- Time ---------------------------------------------------------------------

// A millisecond tick that only moves forward (wraps after 49 days).
uint32_t PlatTickCount(void);

struct tm;
// The current local time in the system's own time zone (whatever a TZ
// variable in the environment says).
void PlatLocalTime(struct tm* out);

// ---- Settings file (private profile) -------------------------------------------

// As GetPrivateProfileStringA: the value's length copied into buf (cut to
// size - 1), the default when the key is absent.
unsigned PlatProfileGetString(const char* section, const char* key, const char* def,
                              char* buf, unsigned size, const char* file);
// As GetPrivateProfileIntA: the default when absent or empty; else the
// value's leading digits (hexadecimal after 0x, octal after 0o, binary
// after 0b), 0 when it has none.
unsigned PlatProfileGetInt(const char* section, const char* key, int def, const char* file);
// As WritePrivateProfileStringA; keeps the rest of the file.  1 on success,
// else 0 with the system error code in PlatLastError().
int PlatProfileWriteString(const char* section, const char* key, const char* value,
                           const char* file);

// ---- The log view and its font ---------------------------------------------------

// The view's vertical scroll state (GetScrollInfo: range max, page, position).
void PlatViewGetScroll(int* max, int* page, int* pos);
// Replaces the view's whole text (SetWindowTextA).
void PlatViewSetText(const char* text);
// Posts EM_LINESCROLL of lines to the view.
void PlatViewPostLineScroll(int lines);

// Starts (or restarts) the view's refresh timer on the main window; stops it.
int PlatStartViewTimer(unsigned milliseconds);
void PlatStopViewTimer(void);

// The font description, laid out as the platform's logical font record.
struct LogFontRecord {
    int32_t Height;
    int32_t Width;
    int32_t Escapement;
    int32_t Orientation;
    int32_t Weight;
    uint8_t Italic;
    uint8_t Underline;
    uint8_t StrikeOut;
    uint8_t CharSet;
    uint8_t OutPrecision;
    uint8_t ClipPrecision;
    uint8_t Quality;
    uint8_t PitchAndFamily;
    char FaceName[32];
};

typedef void* PlatFont;
// CreateFontIndirectA; null on failure (error code in PlatLastError()).
PlatFont PlatCreateFont(const LogFontRecord* font);
void PlatDeleteFont(PlatFont font);
// WM_SETFONT on the log view with redraw; a null font means the system font.
void PlatSetViewFont(PlatFont font);

#endif
