// The live log file: its name, opening, and rotation into numbered archives.
#include <ctype.h>
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

// Case-blind, as Windows compares names.
static int SameName(const char* a, const char* b, size_t len)
{
    for (size_t i = 0; i < len; i++) {
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return 0;
        if (a[i] == '\0')
            return 1;
    }
    return 1;
}

// 1 for the live file and the archives of the current LogName.
static int OfThisLog(const char* path)
{
    size_t len = strlen(LogFileState.Base);
    return SameName(path, Settings.LogName, sizeof Settings.LogName) ||
           (SameName(path, LogFileState.Base, len) && path[len] == '.');
}

// Cuts what a failed write left in file, when its size says the bytes are
// still those; 0 when they are there and could not be cut.
static int CutBack(PlatFile file, UnfinishedWrite* u)
{
    int64_t size = PlatSeekEnd(file);
    if (size > u->Size && size <= u->Size + (int64_t)u->Bytes && !PlatTruncate(file, u->Size))
        return 0;
    u->Bytes = 0;
    return 1;
}

void OweCut(const UnfinishedWrite* cut)
{
    UnfinishedWrite* slot = NULL;
    for (UnfinishedWrite& u : LogFileState.Unfinished) {
        if (u.Bytes > 0 && strcmp(u.Path, cut->Path) == 0) {
            // One file, one cut: from the lower start to the higher end.
            int64_t end = u.Size + (int64_t)u.Bytes;
            if (cut->Size + (int64_t)cut->Bytes > end)
                end = cut->Size + (int64_t)cut->Bytes;
            if (cut->Size < u.Size)
                u.Size = cut->Size;
            u.Bytes = (size_t)(end - u.Size);
            return;
        }
        if (u.Bytes == 0 && slot == NULL)
            slot = &u;
    }
    // PayCuts keeps two places free before any file is written.
    if (slot == NULL)
        slot = &LogFileState.Unfinished[LOG_CUTS_OWED - 1];
    *slot = *cut;
}

int PayCuts(const char* live, int others)
{
    int owedHere = 0;
    int room = 0;
    for (UnfinishedWrite& u : LogFileState.Unfinished) {
        // The live file's own cut is made on its handle once it is open.
        if (u.Bytes == 0 || (live != NULL && strcmp(u.Path, live) == 0)) {
            room++;
            continue;
        }
        if (!others && !OfThisLog(u.Path))
            continue;
        int error = 0;
        PlatFile file = PlatOpenExisting(u.Path, &error);
        if (file == PLAT_NO_FILE && error == PLAT_FILE_NOT_FOUND)
            u.Bytes = 0;  // gone: nothing is left to cut
        if (file != PLAT_NO_FILE) {
            CutBack(file, &u);
            PlatClose(file);
        }
        room += u.Bytes == 0;
        owedHere |= u.Bytes > 0 && OfThisLog(u.Path);
    }
    return !owedHere && room >= 2;
}

// Opens the live file and leaves it positioned at its end.  Returns its size,
// or -1 when the file is failing.  A rotation leaves the cuts owed to other
// names' files alone: on a share that is gone each open may block for long,
// and a rotation comes every LogSize bytes, a retry only as it is paced.
static int64_t OpenLiveFile(int rotating)
{
    int error = 0;
    // Nothing is written to a log whose files still hold a torn line.
    if (!PayCuts(Settings.LogName, !rotating)) {
        LogFileFailed(LOG_WRITE_FAILED, PlatLastError());
        return -1;
    }
    PlatFile file = PlatOpenAppend(Settings.LogName, &error);
    if (file == PLAT_NO_FILE) {
        LogFileFailed(LOG_OPEN_FAILED, error);
        return -1;
    }
    // What a failed write left in this same file is cut off first.
    for (UnfinishedWrite& u : LogFileState.Unfinished) {
        if (u.Bytes > 0 && strcmp(u.Path, Settings.LogName) == 0 && !CutBack(file, &u)) {
            error = PlatLastError();
            PlatClose(file);
            LogFileFailed(LOG_WRITE_FAILED, error);
            return -1;
        }
    }
    int64_t size = PlatSeekEnd(file);
    if (size < 0)
        size = 0;
    LogFileState.Handle = file;
    LogFileState.Size = size;
    // While a record of what a flush lost is due, its span starts at the last
    // good flush, not here.
    if (LogFileState.UnsavedTo[0] == '\0')
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

// A file renamed by a rotation takes what is owed to it along; one deleted,
// its cut.  1 when it was moved (or deleted).
static int MoveArchive(const char* from, const char* to)
{
    if (!(to != NULL ? PlatRenameFile(from, to) : PlatDeleteFile(from)))
        return 0;
    for (UnfinishedWrite& u : LogFileState.Unfinished) {
        if (u.Bytes > 0 && strcmp(u.Path, from) == 0) {
            if (to != NULL)
                snprintf(u.Path, sizeof u.Path, "%s", to);
            else
                u.Bytes = 0;
        }
    }
    if (to != NULL && strcmp(LogFileState.Head.Path, from) == 0)
        snprintf(LogFileState.Head.Path, sizeof LogFileState.Head.Path, "%s", to);
    return 1;
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
        if (ArchivePresent[Settings.LogsNum] && !MoveArchive(to, NULL))
            StepFailed(&stuck, to);
        for (int i = Settings.LogsNum; i >= 1; i--) {
            if (!ArchivePresent[i - 1])
                continue;  // a gap: the archive below it moves up into it
            ArchiveName(i - 1, from);
            ArchiveName(i, to);
            if (!MoveArchive(from, to))
                StepFailed(&stuck, from);
        }
        ArchiveName(0, to);
        moved = MoveArchive(Settings.LogName, to);
        if (moved)
            LogFileState.Moves++;
        else
            StepFailed(&stuck, Settings.LogName);
    }

    int64_t size = OpenLiveFile(1);
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
        int64_t size = OpenLiveFile(0);
        if (size < Settings.LogSize)
            return;
    }
    RotateLog();
}

void SplitLogName(void)
{
    const char* path = Settings.LogName;
    Settings.LogName[LOGNAME_SIZE - 1] = '\0';

    // A new name: a line begun in the old name's files is taken back out of
    // them and written whole under the new one, never split across names.
    if (strcmp(LogFileState.Name, path) != 0) {
        if (LogFileState.Resume > 0)
            OweCut(&LogFileState.Head);
        LogFileState.Head.Bytes = 0;
        LogFileState.Resume = 0;
        snprintf(LogFileState.Name, sizeof LogFileState.Name, "%s", path);
    }

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
