// The failed log file: lines wait in memory or are counted, writing is retried, the operator is told.
//
// A write or an open that fails puts the log file in the failed state until
// writing works again; so does a flush or a close that fails, which may have
// lost what the cache held since the last good flush: a line in the file
// says so, between the lines before it and those that waited.  Meanwhile
// every line waits, in order, in a bounded buffer; lines beyond it are
// counted, and once the waiting lines are in the file a line records how
// many were lost and when.  The file is reopened and written again at most
// once a second, from a timer and from the lines that arrive (the timer is
// starved while socket events keep the queue busy); an attempt that held the
// program, as an open on a share that does not answer does, pushes the next
// one back.  One report, a line in the view and a message box, marks the
// start; the box is left for the shell to show (ShowLogFailureBox).
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "logout/logout.h"
#include "view/view.h"

void LogFileFailed(int kind, int error)
{
    if (LogFileState.Handle != PLAT_NO_FILE) {
        // Reopened when writing is tried again.
        if (!PlatClose(LogFileState.Handle))
            FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.UnsavedTo, sizeof LogFileState.UnsavedTo);
        LogFileState.Handle = PLAT_NO_FILE;
    }
    LogFileState.LastAttempt = PlatTickCount();
    if (LogFileState.Failing)
        return;  // the same failure goes on: nothing new to report
    LogFileState.Failing = 1;
    LogFileState.Backoff = 0;
    LogFileState.Error = error;
    LogFileState.ReportDue = kind;
    LogFileState.Waiting = (char*)malloc(LOG_WAITING_SIZE);
    LogFileState.WaitingUsed = 0;
    PlatStartRetryTimer(LOG_RETRY_MS);
}

void LogFileUnsaved(int error)
{
    FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.UnsavedTo, sizeof LogFileState.UnsavedTo);
    LogFileFailed(LOG_WRITE_FAILED, error);
}

void KeepWaiting(const char* const fragments[], int count, int begun)
{
    size_t need = 1;
    size_t head = 0;
    for (int i = 0; i < count; i++) {
        size_t len = fragments[i][0] != '\0' ? strlen(fragments[i]) + 1 : 0;
        need += len;
        head += i < begun ? len : 0;
    }
    // The line waits whole: should it have to be written under another name,
    // its head is taken back out of the file it is in.
    int first = LogFileState.WaitingUsed == 0;
    if (need == head + 1) {
        if (begun > 0)
            LogFileState.Head.Bytes = 0;  // the line is whole in the file
        return;  // nothing more for the file
    }
    // Once a line was lost, the lines after it wait for the record of the
    // loss to be written first: they are counted too.
    if (LogFileState.Waiting == NULL || LogFileState.Lost > 0 ||
        LogFileState.WaitingUsed + need > LOG_WAITING_SIZE) {
        if (LogFileState.Lost++ == 0)
            FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.LostFrom, sizeof LogFileState.LostFrom);
        FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.LostTo, sizeof LogFileState.LostTo);
        first = 0;  // and none of it stays in the file
    }
    if (head > 0 && !first) {
        OweCut(&LogFileState.Head);
        LogFileState.Head.Bytes = 0;
    }
    if (LogFileState.Lost > 0)
        return;
    char* to = LogFileState.Waiting + LogFileState.WaitingUsed;
    for (int i = 0; i < count; i++) {
        size_t len = strlen(fragments[i]);
        if (len > 0) {
            memcpy(to, fragments[i], len + 1);
            to += len + 1;
        }
    }
    *to = '\0';
    if (first)
        LogFileState.Resume = head;
    LogFileState.WaitingUsed += need;
    LogFileState.WaitingLines++;
    LogFileState.Kept++;
}

// Writes at most lines of the waiting lines, oldest first, as they would have
// been written (the size test after every fragment).  What could not be
// written stays; of a line begun, its rest.
static void WriteWaiting(int64_t lines)
{
    char* text = LogFileState.Waiting;
    size_t line = 0;                   // the first line not yet written whole
    size_t at = LogFileState.Resume;  // its first fragment not yet written
    while (at < LogFileState.WaitingUsed && LogFileState.Handle != PLAT_NO_FILE && lines > 0) {
        const char* fragments[16];
        int n = 0;
        size_t end = at;
        while (n < 16 && text[end] != '\0') {
            fragments[n++] = text + end;
            end += strlen(text + end) + 1;
        }
        int written = WriteFragments(fragments, n);
        for (int i = 0; i < written; i++)
            at += strlen(fragments[i]) + 1;
        if (written < n)
            break;
        if (text[at] == '\0') {  // the end of a line
            line = ++at;
            LogFileState.WaitingLines--;
            LogFileState.Head.Bytes = 0;
            lines--;
        }
    }
    memmove(text, text + line, LogFileState.WaitingUsed - line);
    LogFileState.WaitingUsed -= line;
    LogFileState.Resume = at - line;
}

// Ends the failed state, dropping whatever still waits.
static void DropWaiting(void)
{
    free(LogFileState.Waiting);
    LogFileState.Waiting = NULL;
    LogFileState.WaitingUsed = 0;
    LogFileState.WaitingLines = 0;
    LogFileState.Resume = 0;
    LogFileState.Head.Bytes = 0;
    LogFileState.Kept = 0;
    LogFileState.Lost = 0;
    LogFileState.Recorded = 0;
    LogFileState.Failing = 0;
    LogFileState.ReportDue = 0;
    PlatStopRetryTimer();
}

// The failure is over: the operator sees it in the view.
static void EndFailure(void)
{
    char line[128];
    snprintf(line, sizeof line,
             "The log file is written again: %" PRId64 " lines waited, %" PRId64 " were lost\r\n",
             LogFileState.Kept, LogFileState.Recorded);
    DropWaiting();
    ScreenHalf(line);
}

// The record of what a failed flush or close may have lost, written before
// the lines that waited, which came after it.  1 when none is due.
static int WriteUnsavedRecord(void)
{
    if (LogFileState.UnsavedTo[0] == '\0')
        return 1;
    char record[128];
    snprintf(record, sizeof record,
             "---- lines written from %s to %s may be lost: the log file could not be saved ----\r\n",
             LogFileState.SavedAt, LogFileState.UnsavedTo);
    const char* one[1] = {record};
    if (WriteFragments(one, 1) < 1)
        return 0;
    LogFileState.UnsavedTo[0] = '\0';
    FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.SavedAt, sizeof LogFileState.SavedAt);
    return 1;
}

static void TryAgain(void)
{
    if (LogFileState.Handle == PLAT_NO_FILE)
        OpenOrRotateLog();
    // The record goes between whole lines: after the end of one begun before.
    if (LogFileState.Resume > 0)
        WriteWaiting(1);
    if (LogFileState.Handle == PLAT_NO_FILE || LogFileState.Resume > 0 || !WriteUnsavedRecord())
        return;
    if (LogFileState.Waiting != NULL)
        WriteWaiting(INT64_MAX);
    if (LogFileState.Handle == PLAT_NO_FILE || LogFileState.WaitingUsed > 0)
        return;
    if (LogFileState.Lost > 0) {
        // In its place: after the lines that waited, before any newer one.
        char gap[128];
        snprintf(gap, sizeof gap,
                 "---- %" PRId64 " lines lost from %s to %s: the log file could not be written ----\r\n",
                 LogFileState.Lost, LogFileState.LostFrom, LogFileState.LostTo);
        const char* one[1] = {gap};
        if (WriteFragments(one, 1) < 1)
            return;
        LogFileState.Recorded += LogFileState.Lost;
        LogFileState.Lost = 0;
    }
    // The rotation after the last of them may have found no file to open.
    if (LogFileState.Handle != PLAT_NO_FILE)
        EndFailure();
}

void RetryLogFile(uint32_t after)
{
    if (!LogFileState.Failing)
        return;
    uint32_t now = PlatTickCount();
    if (after > 0 && now - LogFileState.LastAttempt < after + LogFileState.Backoff)
        return;
    LogFileState.LastAttempt = now;
    TryAgain();
    // The program does nothing else while an attempt blocks: the next waits
    // ten times as long as this one took, so that it is held a tenth of the
    // time at most (up to the longest wait).
    uint32_t took = PlatTickCount() - now;
    uint32_t wait = took < LOG_RETRY_LONGEST_MS / 10 ? took * 10 : LOG_RETRY_LONGEST_MS;
    LogFileState.Backoff = wait > LOG_RETRY_MS ? wait - LOG_RETRY_MS : 0;
}

void OnLogRetryTimer(void)
{
    // A tick may come a little early, and a line may just have tried.
    RetryLogFile(LOG_RETRY_MS - LOG_RETRY_SLACK_MS);
}

void LogErrorText(int error, char* text, unsigned size)
{
    ErrorText(error, text, size);
    size_t len = strlen(text);
    while (len > 0 && text[len - 1] == '.')  // the line goes on after it
        len--;
    text[len] = '\0';
}

void ReportLogFailure(void)
{
    int kind = LogFileState.ReportDue;
    if (kind == 0)
        return;
    LogFileState.ReportDue = 0;
    char line[320];
    if (kind == LOG_OPEN_FAILED && LogFileState.Error == PLAT_ERROR_NOT_DISK_FILE) {
        snprintf(line, sizeof line, "Error opening log file: %s is a device or a pipe, not a file on a disk\r\n",
                 Settings.LogName);
    } else if (kind == LOG_OPEN_FAILED) {
        snprintf(line, sizeof line, "Error %d opening log file\r\n", LogFileState.Error);
    } else {
        char text[200];
        LogErrorText(LogFileState.Error, text, sizeof text);
        snprintf(line, sizeof line,
                 "Error %d writing log file: %s; lines wait and writing is tried again by itself\r\n",
                 LogFileState.Error, text);
    }
    ScreenHalf(line);
    LogFileState.BoxDue = kind;
}

void ShowLogFailureBox(void)
{
    int kind = LogFileState.BoxDue;
    if (kind == 0)
        return;
    LogFileState.BoxDue = 0;
    PlatMessageBox(kind == LOG_OPEN_FAILED ? "Error opening log file !" : "Error writing log file !",
                   " Brevand", PLAT_MB_ICONERROR | PLAT_MB_OK);
    LogFileState.BoxDue = 0;  // a failure that began meanwhile has its line
}

// Ends writing: what still waits is tried once more (unless retry is 0),
// every torn line is cut off, and what went wrong is put into text ("" when
// nothing did).
static void EndWriting(char* text, size_t size, int retry)
{
    if (retry)
        RetryLogFile(0);
    int64_t unwritten = 0;
    if (LogFileState.Failing) {
        unwritten = LogFileState.WaitingLines + LogFileState.Lost;
        if (LogFileState.Resume > 0)
            OweCut(&LogFileState.Head);  // counted as not written: none of it stays
        DropWaiting();
    }
    PlatFile file = LogFileState.Handle;
    LogFileState.Handle = PLAT_NO_FILE;
    int closeError = file != PLAT_NO_FILE && !PlatClose(file) ? PlatLastError() : 0;
    PayCuts(NULL, 1);
    size_t used = 0;
    text[0] = '\0';
    if (unwritten > 0)
        used = (size_t)snprintf(text, size, "%" PRId64 " lines could not be written to the log file.", unwritten);
    if (closeError != 0 && used < size) {
        FormatLocalTime(LOSS_TIME_FORMAT, LogFileState.UnsavedTo, sizeof LogFileState.UnsavedTo);
        used += (size_t)snprintf(text + used, size - used,
                                 "%sError %d closing the log file: lines written from %s to %s may be lost.",
                                 used > 0 ? " " : "", closeError, LogFileState.SavedAt, LogFileState.UnsavedTo);
    } else if (LogFileState.UnsavedTo[0] != '\0' && used < size) {
        // A flush failed and the record of it never reached the file.
        used += (size_t)snprintf(text + used, size - used,
                                 "%sLines written from %s to %s may be lost: the log file could not be saved.",
                                 used > 0 ? " " : "", LogFileState.SavedAt, LogFileState.UnsavedTo);
    }
    for (UnfinishedWrite& u : LogFileState.Unfinished) {
        if (u.Bytes > 0 && used < size)
            used += (size_t)snprintf(text + used, size - used, "%s%s ends with part of a line: it could not be cut off.",
                                     used > 0 ? " " : "", u.Path);
    }
    LogFileState.BoxDue = 0;  // leaving: no box comes after this
}

#define END_TEXT_SIZE (400 + LOG_CUTS_OWED * (ARCHIVE_NAME_SIZE + 64))

void CloseLogFile(void)
{
    // One box says all that went wrong at the end.
    char text[END_TEXT_SIZE];
    EndWriting(text, sizeof text, 1);
    if (text[0] != '\0')
        PlatMessageBox(text, " Brevand", PLAT_MB_ICONERROR | PLAT_MB_OK);
}

void CloseLogFileAtSessionEnd(void)
{
    // Windows ends the process once the shell returns: the cache goes to the
    // disk now, and nobody is there to answer a box.
    // One try only: the session waits for us, and an open on a share that
    // is gone can block for long.  A second one only for the record of a
    // flush that fails now.
    RetryLogFile(0);
    int failing = LogFileState.Failing;
    if (!failing)
        FlushLogFile();
    char text[END_TEXT_SIZE];
    EndWriting(text, sizeof text, !failing);
}

void ResetLogFile(void)
{
    DropWaiting();
    if (LogFileState.Handle != PLAT_NO_FILE)
        PlatClose(LogFileState.Handle);
    LogFileState = LogFileRecord();
}
