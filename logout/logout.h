// Log output: the one routine every line passes through, and the log file.
#ifndef BREVAND_LOGOUT_H
#define BREVAND_LOGOUT_H

#include <stdint.h>

#include "platform/platform.h"

#define LOG_BASE_SIZE 224
#define LOG_EXT_SIZE 32
// Longest fragment: a space, 600 bytes of datagram, CR, LF and the zero.
#define FRAGMENT_SIZE 604

struct LogFileRecord {
    char Base[LOG_BASE_SIZE];     // path without its extension
    char Extension[LOG_EXT_SIZE]; // "log" when the path has none
    PlatFile Handle;              // PLAT_NO_FILE when no file is open
    // Size of the open file.  Nobody else may write to it while it is open,
    // so counting what we write saves asking the system after every fragment.
    int64_t Size;
    // After a rotation that could not move the live file away, the size at
    // which the next attempt is made, so a full file does not retry on
    // every fragment; 0 when the last rotation went through.
    int64_t RetrySize;
};

extern LogFileRecord LogFileState;

#if defined(__GNUC__)
#define BREVAND_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define BREVAND_PRINTF(f, a)
#endif

void LogPrint(const char* format, ...) BREVAND_PRINTF(1, 2);
// Longest fragment LogPrint formats, with its zero.
#define LOG_RUN_SIZE 1024
// Prints the fragments in order, each as LogPrint("%s", fragment) would,
// with one write for each run of them that no rotation falls inside.
void LogFragments(const char* const fragments[], int count);
void SplitLogName(void);
void OpenOrRotateLog(void);
void CloseLogFile(void);
void FlushLogFile(void);

// The current local time formatted with strftime's format.
void FormatLocalTime(const char* format, char* out, unsigned size);

// The archive name base.NNN into out (sized ARCHIVE_NAME_SIZE).
#define ARCHIVE_NAME_SIZE (LOG_BASE_SIZE + 8)
void ArchiveName(int number, char* out);

#endif
