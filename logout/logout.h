// Log output: the one routine every line passes through, and the log file.
#ifndef BREVAND_LOGOUT_H
#define BREVAND_LOGOUT_H

#include <stddef.h>
#include <stdint.h>

#include "config/settings.h"
#include "platform/platform.h"

#define LOG_BASE_SIZE 224
// The archive name base.NNN (see ArchiveName).
#define ARCHIVE_NAME_SIZE (LOG_BASE_SIZE + 8)
// Longest fragment, with its zero: LogPrint's buffer, and room for a
// datagram's text fragment (a space, 600 bytes, CR and LF).
#define FRAGMENT_SIZE 1024

// How long lines may wait in memory while the log file cannot be written:
// as much as the socket itself buffers, some 25,000 lines of a typical
// sender, held only while the file is failing.  (Tests build it smaller.)
#ifndef LOG_WAITING_SIZE
#define LOG_WAITING_SIZE (4 * 1024 * 1024)
#endif
// A failing log file is tried again at most this often; an attempt that took
// long pushes the next one back to ten times its length, up to the longest.
#define LOG_RETRY_MS 1000
#define LOG_RETRY_LONGEST_MS 60000

// What a write that failed may have left in a file it could not cut back:
// bytes after Size, at most Bytes of them, in the file named Path.  Also
// where the part of a line that is already in a file lies.
struct UnfinishedWrite {
    char Path[ARCHIVE_NAME_SIZE];
    int64_t Size;
    size_t Bytes;  // 0: nothing is left over
};
// Files owed a cut at once: one from a failed write, one from a line taken
// back at a name change, and room for those of another name.
#define LOG_CUTS_OWED 4

struct LogFileRecord {
    char Base[LOG_BASE_SIZE];  // the archives are Base.000, Base.001, ...
    PlatFile Handle = PLAT_NO_FILE;  // PLAT_NO_FILE when no file is open
    // Size of the open file.  Nobody else may write to it while it is open,
    // so counting what we write saves asking the system after every fragment.
    int64_t Size;
    // After a rotation that could not move the live file away, the size at
    // which the next attempt is made, so a full file does not retry on
    // every fragment; 0 when the last rotation went through.
    int64_t RetrySize;
    uint32_t LastFlush;  // tick of the last flush
    // The local time of the last good flush or open: what was written since
    // may still be in the system's cache only.
    char SavedAt[20];

    // The failed state: set when a write, an open, a flush or a close fails,
    // cleared once every line that waited (and the records of what was lost)
    // is written.
    int Failing;
    int Error;             // the system's code for the failure that began it
    int ReportDue;         // LOG_OPEN_FAILED or LOG_WRITE_FAILED, not yet reported
    int BoxDue;            // likewise, reported in the view, its box not yet shown
    uint32_t LastAttempt;  // tick of the last try to write again
    uint32_t Backoff;      // how much longer than LOG_RETRY_MS the next try waits
    // When a flush or a close failed, its local time: the record that lines
    // written from SavedAt to then may be lost is due in the file; else "".
    char UnsavedTo[20];
    // Cuts still owed, under whatever name: tried at every open and at exit.
    UnfinishedWrite Unfinished[LOG_CUTS_OWED];
    char Name[LOGNAME_SIZE];  // the LogName the base was made from
    int Moves;                // rotations that moved the live file away
    // The first waiting line when a rotation fell inside it: its head is in
    // a file already (Head says where) and its rest begins Resume bytes
    // into Waiting.  Resume is 0 when no line is begun.
    UnfinishedWrite Head;
    size_t Resume;
    // Lines waiting for the file: each fragment followed by a zero byte,
    // each line by one more.  Null when no memory could be had.
    char* Waiting;
    size_t WaitingUsed;
    int64_t WaitingLines;
    int64_t Kept;      // lines that waited in this failure, written or not
    int64_t Recorded;  // lines lost whose record is in the file
    // Lines that found no room, not yet recorded in the file, and the times
    // of the first and the last.
    int64_t Lost;
    char LostFrom[20];
    char LostTo[20];
};

#define LOG_OPEN_FAILED 1
#define LOG_WRITE_FAILED 2

extern LogFileRecord LogFileState;

#if defined(__GNUC__)
#define BREVAND_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define BREVAND_PRINTF(f, a)
#endif

void LogPrint(const char* format, ...) BREVAND_PRINTF(1, 2);
// Prints the fragments in order, each as LogPrint("%s", fragment) would,
// with one write for each run of them that no rotation falls inside.
void LogFragments(const char* const fragments[], int count);
// Writes fragments to the open file in runs, rotating after the fragment
// that takes it past LogSize.  Returns how many reached the file: fewer
// than count when a write or an open failed.
int WriteFragments(const char* const fragments[], int count);
void SplitLogName(void);
void OpenOrRotateLog(void);
// Ends writing: what still waits is tried once more, and the operator is
// told of what could not be written.
void CloseLogFile(void);
// As CloseLogFile when Windows ends the session, which ends the process as
// soon as the shell returns: the file is flushed too, and no box is shown,
// since it could not be answered.
void CloseLogFileAtSessionEnd(void);
void FlushLogFile(void);
// After a line (timer 0): flushes when FlushTime is 0, or when the flush timer
// has not done it for FlushTime seconds (it is starved while events keep
// coming).  At the timer's tick (timer 1): unless a line did just before.
void FlushLogFileIfDue(int timer);
#define FLUSH_SLACK_MS 500

// The failed state.
void LogFileFailed(int kind, int error);
// A flush or a close failed: as a failed write, and what the cache held since
// SavedAt may be lost.
void LogFileUnsaved(int error);
// ErrorText without its final dots, for a line that goes on after it.
void LogErrorText(int error, char* text, unsigned size);
// Keeps a line that could not be written whole; the first begun fragments
// of it are in the file already.
void KeepWaiting(const char* const fragments[], int count, int begun);
// Tries the cuts still owed (to other names' files only when others is set)
// but that of the file named live (made on its handle once it is open; NULL:
// none is left out); 0 when one is still owed
// to a file of the current LogName (one of its archives), or when fewer than
// two places are free for the cuts a failure may add.
int PayCuts(const char* live, int others);
void OweCut(const UnfinishedWrite* cut);
// Tries to write again when at least after milliseconds (and the back-off)
// have passed since the last try: LOG_RETRY_MS for a line, 0 when the
// operator acted.
void RetryLogFile(uint32_t after);
// The retry timer ticked.
void OnLogRetryTimer(void);
#define LOG_RETRY_SLACK_MS 100
// The report of a failure that began: its line in the view at once, its box
// left due.
void ReportLogFailure(void);
// Shows the box that is due, once.  Never called from the log path: the
// shell calls it once the message being handled is done, and while no other
// box is up, so that no line is written from inside the box's modal loop
// halfway through another.  A failure that begins while this box is up gets
// its line alone: a share that drops again and again stacks up no boxes.
void ShowLogFailureBox(void);
// Back to the state at program start, dropping what waits (for tests).
void ResetLogFile(void);

// The system's text for code, or ours where it has none (Winsock's codes
// under Wine), on one line without its line end; "No system text for this
// error." where there is neither.
void ErrorText(int code, char* out, unsigned size);
// "<text> (<label>, error <code>)": for the report of any failed step.
void FormatErrorReport(int code, const char* label, char* out, unsigned size);

// The current local time formatted with strftime's format.
void FormatLocalTime(const char* format, char* out, unsigned size);
// The times that the file's records of lost lines name.
#define LOSS_TIME_FORMAT "%b %d %H:%M:%S"

// The archive name base.NNN into out (sized ARCHIVE_NAME_SIZE).
void ArchiveName(int number, char* out);

#endif
