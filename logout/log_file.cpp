// The live log file: its name, opening, and rotation into numbered archives.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "config/settings.h"
#include "logout/logout.h"

LogFileRecord LogFileState = {"", "log", PLAT_NO_FILE, 0, 0};

void ArchiveName(int number, char* out)
{
    snprintf(out, ARCHIVE_NAME_SIZE, "%s.%03d", LogFileState.Base, number);
}

// Opens the live file and leaves it positioned at its end.  Returns its size,
// or -1 after reporting the failure.
static int64_t OpenLiveFile(void)
{
    int error = 0;
    PlatFile file = PlatOpenAppend(Settings.LogName, &error);
    if (file == PLAT_NO_FILE) {
        // No file is open, so this reaches only the view.
        LogPrint("Error %d opening log file\r\n", error);
        PlatMessageBox("Error opening log file !", " Brevand", PLAT_MB_ICONERROR | PLAT_MB_OK);
        return -1;
    }
    // Never leak a handle, whatever opened one before us.
    if (LogFileState.Handle != PLAT_NO_FILE)
        PlatClose(LogFileState.Handle);
    LogFileState.Handle = file;
    int64_t size = PlatSeekEnd(file);
    LogFileState.Size = size < 0 ? 0 : size;
    return LogFileState.Size;
}

// Which archives exist, from one reading of the folder: with LogsNum 1000
// and a handful of archives, trying every number would cost two thousand
// failing calls per rotation.
static unsigned char ArchivePresent[LOGSNUM_MAX + 1];

static void MarkArchive(const char* suffix, void*)
{
    char again[8];
    size_t len = strlen(suffix);
    if (len < 3 || len > 4 || strspn(suffix, "0123456789") != len)
        return;
    int number = atoi(suffix);
    snprintf(again, sizeof again, "%03d", number);
    if (strcmp(again, suffix) == 0 && number <= Settings.LogsNum)
        ArchivePresent[number] = 1;
}

static void FindArchives(void)
{
    memset(ArchivePresent, 0, sizeof ArchivePresent);
    if (!PlatListSuffixes(LogFileState.Base, MarkArchive, NULL))
        memset(ArchivePresent, 1, sizeof ArchivePresent);  // not known: try every number
}

// 1 when no file that the rotation moves is held open by another program.
static int RotationCanMove(void)
{
    char name[ARCHIVE_NAME_SIZE];
    if (!PlatFileMovable(Settings.LogName))
        return 0;
    for (int i = 0; i <= Settings.LogsNum; i++) {
        if (!ArchivePresent[i])
            continue;
        ArchiveName(i, name);
        if (!PlatFileMovable(name))
            return 0;
    }
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

    PlatClose(LogFileState.Handle);
    LogFileState.Handle = PLAT_NO_FILE;

    FindArchives();
    if (RotationCanMove()) {
        ArchiveName(Settings.LogsNum, to);
        if (ArchivePresent[Settings.LogsNum])
            PlatDeleteFile(to);
        for (int i = Settings.LogsNum; i >= 1; i--) {
            if (!ArchivePresent[i - 1])
                continue;  // a gap: the archive below it moves up into it
            ArchiveName(i - 1, from);
            ArchiveName(i, to);
            PlatRenameFile(from, to);
        }
        ArchiveName(0, to);
        PlatRenameFile(Settings.LogName, to);
    }

    int64_t size = OpenLiveFile();
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

    snprintf(LogFileState.Base, sizeof LogFileState.Base, "%s", path);
    snprintf(LogFileState.Extension, sizeof LogFileState.Extension, "%s", "log");
    const char* dot = strrchr(path, '.');
    const char* slash = strrchr(path, '\\');
    if (dot != NULL && (slash == NULL || dot > slash)) {
        LogFileState.Base[dot - path] = '\0';
        // A longer extension is cut; it only names the file, the path is used.
        snprintf(LogFileState.Extension, sizeof LogFileState.Extension, "%s", dot + 1);
    }
    // The operator asked for this rotation: try it whatever failed before.
    LogFileState.RetrySize = 0;
    OpenOrRotateLog();
}

void CloseLogFile(void)
{
    if (LogFileState.Handle != PLAT_NO_FILE) {
        PlatClose(LogFileState.Handle);
        LogFileState.Handle = PLAT_NO_FILE;
    }
}

void FlushLogFile(void)
{
    if (LogFileState.Handle != PLAT_NO_FILE)
        PlatFlush(LogFileState.Handle);
}
