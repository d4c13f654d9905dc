// Files through kernel32, with the sharing and rename rules the log rotation relies on.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "platform/platform.h"
#include "platform/windows/win_handles.h"

static HANDLE AsHandle(PlatFile file)
{
    return (HANDLE)file;
}

PlatFile PlatOpenAppend(const char* path, int* error)
{
    // Others may read the log while we write it, never write or delete it.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = (int)GetLastError();
        return PLAT_NO_FILE;
    }
    // NUL, COM1 or a pipe open as well as a file, and take every line without
    // keeping any: only a disk file is a log.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *error = PLAT_ERROR_NOT_DISK_FILE;
        return PLAT_NO_FILE;
    }
    return (PlatFile)file;
}

int PlatWrite(PlatFile file, const void* data, size_t len)
{
    const char* p = (const char*)data;
    while (len > 0) {
        DWORD chunk = len > 0x10000000 ? 0x10000000 : (DWORD)len;
        DWORD written = 0;
        if (!WriteFile(AsHandle(file), p, chunk, &written, NULL))
            return 0;
        if (written == 0) {
            SetLastError(ERROR_DISK_FULL);
            return 0;
        }
        p += written;
        len -= written;
    }
    return 1;
}

int PlatTruncate(PlatFile file, int64_t size)
{
    LARGE_INTEGER at;
    at.QuadPart = size;
    return SetFilePointerEx(AsHandle(file), at, NULL, FILE_BEGIN) && SetEndOfFile(AsHandle(file));
}

int64_t PlatSeekEnd(PlatFile file)
{
    LARGE_INTEGER zero;
    LARGE_INTEGER end;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(AsHandle(file), zero, &end, FILE_END))
        return -1;
    return (int64_t)end.QuadPart;
}

int PlatFlush(PlatFile file)
{
    return FlushFileBuffers(AsHandle(file)) ? 1 : 0;
}

int PlatClose(PlatFile file)
{
    return CloseHandle(AsHandle(file)) ? 1 : 0;
}

int PlatDeleteFile(const char* path)
{
    return DeleteFileA(path) ? 1 : 0;
}

int PlatRenameFile(const char* from, const char* to)
{
    // MoveFileA refuses an existing target, which the rotation counts on.
    return MoveFileA(from, to) ? 1 : 0;
}

int PlatFileMovable(const char* path)
{
    // Opening for deletion fails while another program holds the file open
    // without allowing it, exactly when a rename would fail.
    HANDLE file = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() != ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return 1;
}

int PlatListSuffixes(const char* base, PlatSuffixVisitor visit, void* context)
{
    char pattern[MAX_PATH + 8];
    if (snprintf(pattern, sizeof pattern, "%s.*", base) >= (int)sizeof pattern)
        return 0;
    const char* name = base;
    for (const char* p = base; *p != '\0'; p++) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    size_t prefix = strlen(name);

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        // The pattern also matches short names: check the long one.
        if (_strnicmp(found.cFileName, name, prefix) == 0 && found.cFileName[prefix] == '.')
            visit(found.cFileName + prefix + 1, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return 1;
}

int PlatLastError(void)
{
    return (int)GetLastError();
}

int PlatStartRetryTimer(unsigned milliseconds)
{
    return SetTimer(MainWindow, LOG_RETRY_TIMER_ID, milliseconds, NULL) != 0;
}

void PlatStopRetryTimer(void)
{
    KillTimer(MainWindow, LOG_RETRY_TIMER_ID);
}

unsigned PlatCurrentDirectory(char* buf, unsigned size)
{
    return (unsigned)GetCurrentDirectoryA(size, buf);
}
