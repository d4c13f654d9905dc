// The live log file: its name, opening, and rotation into numbered archives.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config/settings.h"
#include "logout/logout.h"
#include "view/view.h"

LogFileRecord LogFileState;

void ArchiveName(int number, char* out)
{
    snprintf(out, ARCHIVE_NAME_SIZE, "%s.%03d", LogFileState.Base, number);
}

// The number of an archive name's suffix ("000" to "1000", as ArchiveName
// prints them), or -1.
static int ArchiveNumber(const char* suffix)
{
    char again[8];
    size_t len = strlen(suffix);
    if (len < 3 || len > 4 || strspn(suffix, "0123456789") != len)
        return -1;
    int number = atoi(suffix);
    snprintf(again, sizeof again, "%03d", number);
    return strcmp(again, suffix) == 0 && number <= LOGSNUM_MAX ? number : -1;
}

// Opens the live file and leaves it positioned at its end.  Returns its size,
// or -1 when the file is failing.
static int64_t OpenLiveFile(void)
{
    int error = 0;
    PlatFile file = PlatOpenAppend(Settings.LogName, &error);
    if (file == PLAT_NO_FILE) {
        LogFileFailed(LOG_OPEN_FAILED, error);
        return -1;
    }
    int64_t size = PlatSeekEnd(file);
    if (size < 0)
        size = 0;
    // What a failed write left in this same file is cut off first.
    UnfinishedWrite* u = &LogFileState.Unfinished;
    if (u->Bytes > 0 && strcmp(u->Path, Settings.LogName) == 0 && size > u->Size &&
        size <= u->Size + (int64_t)u->Bytes) {
        if (!PlatTruncate(file, u->Size)) {
            error = PlatLastError();
            PlatClose(file);
            LogFileFailed(LOG_WRITE_FAILED, error);
            return -1;
        }
        size = u->Size;
    }
    u->Bytes = 0;
    LogFileState.Handle = file;
    LogFileState.Size = size;
    FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.SavedAt, sizeof LogFileState.SavedAt);
    return size;
}

// Which archives exist, from one reading of the folder: with LogsNum 1000
// and a handful of archives, trying every number would cost two thousand
// failing calls per rotation.
static unsigned char ArchivePresent[LOGSNUM_MAX + 1];

static void MarkArchive(const char* suffix, void*)
{
    int number = ArchiveNumber(suffix);
    if (number >= 0 && number <= Settings.LogsNum)
        ArchivePresent[number] = 1;
}

static void FindArchives(void)
{
    memset(ArchivePresent, 0, sizeof ArchivePresent);
    if (!PlatListSuffixes(LogFileState.Base, MarkArchive, NULL))
        memset(ArchivePresent, 1, sizeof ArchivePresent);  // not known: try every number
}

// The first step of a rotation that failed: the file and the system's code.
struct RotationStep {
    char Path[LOGNAME_SIZE > ARCHIVE_NAME_SIZE ? LOGNAME_SIZE : ARCHIVE_NAME_SIZE];
    int Error;
};

static int StepFailed(RotationStep* stuck, const char* path)
{
    if (stuck->Path[0] == '\0') {
        stuck->Error = PlatLastError();  // before any other call can change it
        snprintf(stuck->Path, sizeof stuck->Path, "%s", path);
    }
    return 0;
}

// 1 when no file that the rotation moves is held open by another program.
static int RotationCanMove(RotationStep* stuck)
{
    char name[ARCHIVE_NAME_SIZE];
    if (!PlatFileMovable(Settings.LogName))
        return StepFailed(stuck, Settings.LogName);
    for (int i = 0; i <= Settings.LogsNum; i++) {
        if (!ArchivePresent[i])
            continue;
        ArchiveName(i, name);
        if (!PlatFileMovable(name))
            return StepFailed(stuck, name);
    }
    return 1;
}

// A live file that stayed where it was: one line in the view for each time.
static void ReportStall(const RotationStep* stuck)
{
    char text[200];
    char line[sizeof stuck->Path + sizeof text + 160];
    LogErrorText(stuck->Error, text, sizeof text);
    snprintf(line, sizeof line,
             "Error %d rotating log file at %s: %s; the log file grows on and is rotated when it has grown by "
             "another %d bytes\r\n",
             stuck->Error, stuck->Path, text, (int)Settings.LogSize);
    ScreenHalf(line);
}

// Shifts the archives up by one and moves the live file to base.000.
//
// Nothing stored may be lost when a step cannot be done: when another
// program holds one of the files, nothing is moved and the live file goes
// on growing.  base.000 is never deleted (if it is still there after the
// shift, a move failed and it is the newest archive), and the live file is
// the path itself, also when it has no extension.
static void RotateLog(void)
{
    char from[ARCHIVE_NAME_SIZE];
    char to[ARCHIVE_NAME_SIZE];
    RotationStep stuck = {};

    PlatFile file = LogFileState.Handle;
    LogFileState.Handle = PLAT_NO_FILE;
    if (!PlatClose(file)) {
        // The rotation waits for the reopen, where the record of the loss goes.
        LogFileUnsaved(PlatLastError());
        return;
    }

    FindArchives();
    int moved = 0;
    if (RotationCanMove(&stuck)) {
        ArchiveName(Settings.LogsNum, to);
        if (ArchivePresent[Settings.LogsNum] && !PlatDeleteFile(to))
            StepFailed(&stuck, to);
        for (int i = Settings.LogsNum; i >= 1; i--) {
            if (!ArchivePresent[i - 1])
                continue;  // a gap: the archive below it moves up into it
            ArchiveName(i - 1, from);
            ArchiveName(i, to);
            if (!PlatRenameFile(from, to))
                StepFailed(&stuck, from);
        }
        ArchiveName(0, to);
        if (PlatRenameFile(Settings.LogName, to))
            moved = 1;
        else
            StepFailed(&stuck, Settings.LogName);
    }

    int64_t size = OpenLiveFile();
    // A name that has no file yet (a new LogName) has nothing to move.
    if (!moved && size > 0)
        ReportStall(&stuck);
    // A live file that could not be moved away is reopened at its end; the
    // next attempt waits until another LogSize bytes were written, so a full
    // file does not set off a rotation on every fragment.
    if (size >= Settings.LogSize)
        LogFileState.RetrySize = size + Settings.LogSize;
    else
        LogFileState.RetrySize = 0;
}

void OpenOrRotateLog(void)
{
    if (LogFileState.Handle == PLAT_NO_FILE) {
        int64_t size = OpenLiveFile();
        if (size < Settings.LogSize)
            return;
    }
    RotateLog();
}

void SplitLogName(void)
{
    const char* path = Settings.LogName;
    Settings.LogName[LOGNAME_SIZE - 1] = '\0';

    // The base is the path up to the dot of its extension.  An extension
    // that reads as an archive number (syslog.002) would make the live file
    // one of its own archives, deleted or overwritten by a rotation: such a
    // name keeps its extension in the base (syslog.002.000, ...).
    // Windows drops the spaces and dots at the end of a name: syslog.002.
    // and "syslog.002 " open syslog.002.
    char* base = LogFileState.Base;
    snprintf(base, sizeof LogFileState.Base, "%s", path);
    for (size_t len = strlen(base); len > 0 && (base[len - 1] == ' ' || base[len - 1] == '.');)
        base[--len] = '\0';
    char* dot = strrchr(base, '.');
    char* slash = strrchr(base, '\\');
    if (dot != NULL && (slash == NULL || dot > slash) && ArchiveNumber(dot + 1) < 0)
        *dot = '\0';
    // The operator asked for this rotation: try it whatever failed before.
    LogFileState.RetrySize = 0;
    OpenOrRotateLog();
    // Lines that waited go first into the file now open.
    if (LogFileState.Handle != PLAT_NO_FILE)
        RetryLogFile(0);
    ReportLogFailure();
}

void FlushLogFile(void)
{
    LogFileState.LastFlush = PlatTickCount();
    if (LogFileState.Handle == PLAT_NO_FILE)
        return;
    if (PlatFlush(LogFileState.Handle)) {
        FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.SavedAt, sizeof LogFileState.SavedAt);
        return;
    }
    LogFileUnsaved(PlatLastError());
    ReportLogFailure();
}

void FlushLogFileIfDue(int timer)
{
    // The timer's tick flushes unless a line did just before it.
    uint32_t due = timer ? FLUSH_SLACK_MS : (uint32_t)Settings.FlushTime * 1000;
    if (Settings.FlushTime == 0 || PlatTickCount() - LogFileState.LastFlush >= due)
        FlushLogFile();
}
