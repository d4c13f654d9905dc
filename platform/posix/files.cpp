// Files, with the Windows rules the log rotation relies on.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "platform/posix/model.h"

static int LastError;

// errno as the Win32 code the program would see.
static int Win32Error(int error)
{
    switch (error) {
    case ENOENT: return 2;   // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;  // ERROR_PATH_NOT_FOUND
    case EACCES: return 5;   // ERROR_ACCESS_DENIED
    case EEXIST: return 183; // ERROR_ALREADY_EXISTS
    case ENOSPC: return 112; // ERROR_DISK_FULL
    default: return error;
    }
}

// Windows finds a file whatever the case of its name: the name as it stands
// in its folder, or path itself where none matches.
static std::string OnDisk(const char* path)
{
    struct stat st;
    if (lstat(path, &st) == 0)
        return path;
    const char* slash = strrchr(path, '/');
    std::string dir = slash == NULL ? "." : std::string(path, (size_t)(slash - path));
    const char* name = slash == NULL ? path : slash + 1;
    std::string found = path;
    if (DIR* folder = opendir(dir.empty() ? "/" : dir.c_str())) {
        while (struct dirent* entry = readdir(folder)) {
            if (strcasecmp(entry->d_name, name) == 0) {
                found = (slash == NULL ? std::string() : dir + "/") + entry->d_name;
                break;
            }
        }
        closedir(folder);
    }
    return found;
}

int FailWithErrno(void)
{
    LastError = Win32Error(errno);
    return 0;
}

PlatFile PlatOpenAppend(const char* path, int* error)
{
    Model.Opens++;
    if (Model.TickSet)
        Model.Tick += Model.OpenMs;
    if (Model.PassOpens > 0) {
        Model.PassOpens--;
    } else if (Model.FailOpens > 0) {
        Model.FailOpens--;
        *error = LastError = Model.OpenError;
        return PLAT_NO_FILE;
    }
    int fd = open(OnDisk(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = LastError = Win32Error(errno);
        return PLAT_NO_FILE;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        *error = LastError = PLAT_ERROR_NOT_DISK_FILE;
        return PLAT_NO_FILE;
    }
    return (PlatFile)fd;
}

int PlatWrite(PlatFile file, const void* data, size_t len)
{
    if (Model.PassWrites > 0 && len > 0) {
        Model.PassWrites--;
    } else if (Model.FailWrites > 0 && len > 0) {
        Model.FailWrites--;
        if (Model.PartialBytes > 0 && write((int)file, data, std::min(len, Model.PartialBytes)) < 0)
            return 0;
        LastError = Model.WriteError;
        return 0;
    }
    const char* p = (const char*)data;
    while (len > 0) {
        ssize_t n = write((int)file, p, len);
        if (n <= 0) {
            LastError = Win32Error(n < 0 ? errno : ENOSPC);
            return 0;
        }
        p += n;
        len -= (size_t)n;
    }
    return 1;
}

int PlatTruncate(PlatFile file, int64_t size)
{
    if (Model.FailCuts > 0) {
        Model.FailCuts--;
        LastError = 6;  // ERROR_INVALID_HANDLE, as on a share that went away
        return 0;
    }
    return ftruncate((int)file, (off_t)size) == 0 ? 1 : FailWithErrno();
}

int64_t PlatSeekEnd(PlatFile file)
{
    return (int64_t)lseek((int)file, 0, SEEK_END);
}

int PlatFlush(PlatFile file)
{
    Model.Flushes++;
    if (Model.FailFlushes > 0) {
        Model.FailFlushes--;
        LastError = Model.CacheError;
        return 0;
    }
    return fdatasync((int)file) == 0 ? 1 : FailWithErrno();
}

int PlatClose(PlatFile file)
{
    int closed = close((int)file) == 0 ? 1 : FailWithErrno();
    if (Model.FailCloses > 0) {
        Model.FailCloses--;
        LastError = Model.CacheError;
        return 0;
    }
    return closed;
}

int PlatDeleteFile(const char* path)
{
    Model.Renames++;
    if (Model.Locked.count(path) || Model.ReadOnly.count(path)) {
        LastError = Model.Locked.count(path) ? 32 : 5;  // ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED
        return 0;
    }
    if (unlink(OnDisk(path).c_str()) != 0) {
        LastError = Win32Error(errno);
        return 0;
    }
    return 1;
}

int PlatRenameFile(const char* from, const char* to)
{
    Model.Renames++;
    if (Model.Locked.count(from) || Model.Locked.count(to)) {
        LastError = 32;
        return 0;
    }
    // Windows refuses to replace an existing target; link() does too (the
    // target in another case is not looked for: the rotation moves to free
    // names).
    std::string source = OnDisk(from);
    if (link(source.c_str(), to) != 0) {
        LastError = Win32Error(errno);
        return 0;
    }
    unlink(source.c_str());
    return 1;
}

int PlatFileMovable(const char* path)
{
    if (Model.Locked.count(path) == 0)
        return 1;
    LastError = 32;  // ERROR_SHARING_VIOLATION
    return 0;
}

int PlatListSuffixes(const char* base, PlatSuffixVisitor visit, void* context)
{
    // As Windows lists base.*: the name follows the last of its separators,
    // and names compare without case.
    const char* name = base;
    for (const char* p = base; *p != '\0'; p++) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    std::string dir = name == base ? "." : std::string(base, (size_t)(name - 1 - base));
    if (dir.empty())
        dir = "/";
    std::string prefix = std::string(name) + ".";
    DIR* folder = opendir(dir.c_str());
    if (folder == NULL)
        return 0;
    while (struct dirent* entry = readdir(folder)) {
        if (strncasecmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            visit(entry->d_name + prefix.size(), context);
    }
    closedir(folder);
    return 1;
}

int PlatLastError(void)
{
    return LastError;
}

int PlatStartRetryTimer(unsigned)
{
    Model.RetryTimerRunning = true;
    return 1;
}

void PlatStopRetryTimer(void)
{
    Model.RetryTimerRunning = false;
}

unsigned PlatCurrentDirectory(char* buf, unsigned size)
{
    char dir[4096];
    if (Model.FailCurrentDirectory)
        return 0;
    if (Model.CurrentDirectorySet) {
        snprintf(dir, sizeof dir, "%s", Model.CurrentDirectory.c_str());
    } else if (getcwd(dir, sizeof dir) == NULL) {
        return 0;
    }
    size_t len = strlen(dir);
    if (len + 1 > size)
        return (unsigned)(len + 1);
    memcpy(buf, dir, len + 1);
    return (unsigned)len;
}
