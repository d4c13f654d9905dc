// Schedules of lines, ticks, Options and file faults; afterwards every file is read back against the log's promise.
//
// Each input byte starts an operation, with the bytes after it as its arguments.  At the end every line given
// to the log is in exactly one file, whole and in order (a line may run on into the same name's next file), or
// counted: by a loss record in its place, or by the exit box; what the exit box names as not cut off is left
// out of the reading.  The view's counts and boxes agree.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/posix/model.h"
#include "reception/reception.h"
#include "view/view.h"

namespace {

const char* const Names[] = {"a.log", "b.log", "c", "x/d.txt"};
const char* const Bases[] = {"a", "b", "c", "x/d"};

const uint8_t* Data;
size_t Size, At;
std::vector<std::string> Lines;  // the line of each number, as the file must hold it ("" for a message)
std::map<std::string, std::vector<std::pair<int, std::string>>> Gone;  // deleted files' births and contents
int Errors, Ended, EndedLost;  // view lines: failures reported, ended, and the losses those counted
bool Broken;

uint8_t Next() { return At < Size ? Data[At++] : 0; }

std::string Read(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void Fail(const char* what, const std::string& detail)
{
    fprintf(stderr, "promise broken: %s: %s\n", what, detail.c_str());
    Broken = true;
}

// Counts the view's lines of the log file's failures and empties the view.
void ReadView()
{
    const char* text = ScreenBuffer.Text;
    for (const char* at = text; (at = strstr(at, " log file")) != NULL; at++)
        Errors += (at - text >= 8 && strncmp(at - 8, " writing", 8) == 0) ||
                  (at - text >= 8 && strncmp(at - 8, " opening", 8) == 0);
    int waited, lost;
    for (const char* at = text; (at = strstr(at, "The log file is written again: ")) != NULL; at++)
        if (sscanf(at, "The log file is written again: %d lines waited, %d were lost", &waited, &lost) == 2)
            Ended++, EndedLost += lost;
    ClearScreenBuffer();
}

void Run(int count);

bool Trace;  // SCHEDULE_TRACE set: each operation and the files at the end on stderr

void Operation()
{
    uint8_t op = Next(), a = Next();
    if (Trace)
        fprintf(stderr, "op %d %d (next %d) tick %u failing %d resume %zu head %s %ld %zu cut %s %ld %zu\n", op % 10, a,
                At < Size ? Data[At] : -1, (unsigned)Model.Tick, LogFileState.Failing, LogFileState.Resume,
                LogFileState.Head.Path, (long)LogFileState.Head.Size, LogFileState.Head.Bytes,
                LogFileState.Unfinished[0].Path, (long)LogFileState.Unfinished[0].Size, LogFileState.Unfinished[0].Bytes);
    switch (op % 10) {
    case 0:
    case 1: {  // a datagram: short most of the time, now and then one that fills a file at once
        std::string text = "q" + std::to_string(Lines.size()) + " " + std::string(a < 192 ? a % 48 : a * 2, 'x');
        Lines.push_back("10.0.0.5:1024 <User.Notice> " + text);
        Model.Injected.push_back({"<13>" + text, {10, 0, 0, 5}, 1024});
        OnSocketNotify(0);
        break;
    }
    case 2:
        Lines.push_back("");
        LogPrint("m%zu\r\n", Lines.size() - 1);
        break;
    case 3: Model.Tick += 100u * (a % 24); break;
    case 4:
        if (Model.RetryTimerRunning)
            OnLogRetryTimer();
        break;
    case 5: FlushLogFileIfDue(1); break;
    case 6: {  // the Options dialog accepted
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Names[a % 4]);
        Settings.LogSize = 200 + 100 * (a / 4 % 8);
        Settings.LogsNum = 1 + a / 32 % 3;
        SplitLogName();
        LogPrint("%s", "");
        break;
    }
    case 7: {  // a fault switched on, or all of them off
        uint8_t b = Next();
        switch (a % 8) {
        case 0: Model.FailOpens = b % 4; break;
        case 1: Model.FailWrites = 1 + b % 3, Model.PartialBytes = b / 4 % 2 ? b % 70 : 0; break;
        case 2: Model.FailCuts = b % 4; break;
        case 3: Model.DiskRoom = b * 4; break;
        case 4: Model.Locked.insert(Settings.LogName); break;
        case 5: Model.Locked.insert(std::string(LogFileState.Base) + ".000"); break;
        case 6: std::filesystem::create_directory("x"); break;
        default:
            Model.FailOpens = Model.FailWrites = Model.FailCuts = 0;
            Model.DiskRoom = -1;
            Model.Locked.clear();
        }
        break;
    }
    case 8:  // the next message box runs operations in its modal loop
        Model.Inside = [n = 1 + a % 4] { Run(n); };
        break;
    default: Model.PassWrites = a % 3; break;
    }
    if (LogFileState.ReportDue)
        ReportLogFailure();
    ReadView();
}

void Run(int count)
{
    for (int i = 0; i < count && At < Size; i++)
        Operation();
}

// Every file of one name, oldest first, joined: the deleted ones too.
std::string Stream(int name, const std::map<std::string, size_t>& keep)
{
    const std::string base = Bases[name];
    std::vector<std::pair<int, std::string>> files = Gone[base];
    for (const auto& [path, born] : Model.Born) {
        size_t dot = path.rfind('.');
        if (path != Names[name] && (path.compare(0, dot, base) != 0 || dot != base.size() || path.size() - dot > 5 ||
                                    path.find_first_not_of("0123456789", dot + 1) != std::string::npos))
            continue;
        std::string bytes = Read(path);
        if (keep.count(path))
            bytes.resize(std::min(bytes.size(), keep.at(path)));
        files.push_back({born, bytes});
    }
    std::sort(files.begin(), files.end());
    std::string all;
    for (const auto& f : files)
        all += f.second;
    if (Trace && !all.empty())
        fprintf(stderr, "---- %s:\n%s", base.c_str(), all.c_str());
    return all;
}

// A loss record's count, or -1.
int RecordCount(const std::string& text)
{
    static const std::string tail = ": the log file could not be written ----";
    int count = -1, length = 0;
    if (sscanf(text.c_str(), "---- %d lines lost from %*3c %*2d %*2d:%*2d:%*2d to %*3c %*2d %*2d:%*2d:%*2d%n", &count,
               &length) < 1 || length == 0 || text.compare(length, std::string::npos, tail) != 0)
        return -1;
    return count;
}

// The number of a line of ours, or -1.
int LineNumber(const std::string& text)
{
    size_t n = 0;
    const char* digits = text.c_str() + 1;
    if (text[0] == 'm' && sscanf(digits, "%zu", &n) == 1 && text == "m" + std::to_string(n) && n < Lines.size() &&
        Lines[n].empty())
        return (int)n;
    static const std::string sender = "10.0.0.5:1024 <User.Notice> q";
    if (text.size() < 16 || text[15] != ' ' || text.compare(16, sender.size(), sender) != 0 ||
        sscanf(text.c_str() + 16 + sender.size(), "%zu", &n) != 1 || n >= Lines.size() ||
        text.compare(16, std::string::npos, Lines[n]) != 0)
        return -1;
    return (int)n;
}

void Check(const std::string& exitBox, int errorBoxes)
{
    std::map<std::string, size_t> keep;  // files the exit box says end with part of a line: read up to there
    for (const UnfinishedWrite& u : LogFileState.Unfinished)
        if (u.Bytes > 0) {
            keep[u.Path] = (size_t)u.Size;
            if (exitBox.find(std::string(u.Path) + " ends with part of a line") == std::string::npos)
                Fail("a torn file not named", u.Path);
        }
    std::vector<int> where(Lines.size(), -1);
    struct Record { int count, before, after; };
    std::vector<Record> records;
    for (int b = 0; b < 4; b++) {
        std::string all = Stream(b, keep);
        if (!all.empty() && all.compare(all.size() - 2, 2, "\r\n") != 0)
            Fail("a torn line at the end", Bases[b]);
        int last = -1;
        size_t first = records.size();
        for (size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos; at = end + 2) {
            std::string text = all.substr(at, end - at);
            int count = RecordCount(text);
            if (count >= 0) {
                records.push_back({count, last, -1});
                continue;
            }
            int n = LineNumber(text);
            if (n < 0)
                return Fail("a line torn or unknown", Bases[b] + (": " + text));
            if (where[n] >= 0 || n <= last)
                return Fail("a line twice or out of order", text);
            where[n] = last = n;
            for (size_t r = records.size(); r > first && records[r - 1].after < 0; r--)
                records[r - 1].after = n;
        }
    }
    // The exit box counts the last lines; each record, lines missing around it; together, every line missing.
    int unwritten = exitBox.empty() ? 0 : atoi(exitBox.c_str());
    int missing = (int)std::count(where.begin(), where.end(), -1), counted = unwritten;
    for (int i = (int)Lines.size() - unwritten; i < (int)Lines.size(); i++)
        if (i < 0 || where[i] >= 0)
            return Fail("the exit box counts a line that is in a file", std::to_string(i));
    for (const Record& r : records) {
        int around = 0;
        for (int i = r.before + 1; i < (r.after < 0 ? (int)Lines.size() : r.after); i++)
            around += where[i] < 0;
        if (r.count > around)
            return Fail("a record counts more than is missing", std::to_string(r.count));
        counted += r.count;
    }
    if (counted != missing)
        Fail("lines missing and lines counted differ", std::to_string(missing) + " " + std::to_string(counted));
    int recorded = counted - unwritten;
    if (Errors < Ended || Errors > Ended + 1 || errorBoxes > Errors || EndedLost > recorded ||
        (Errors == Ended && EndedLost != recorded))
        Fail("the view's counts", std::to_string(Errors) + " " + std::to_string(Ended) + " " + std::to_string(errorBoxes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once;
    Trace = getenv("SCHEDULE_TRACE") != NULL;
    char dir[] = "/dev/shm/brevand-fuzz-XXXXXX";
    if (!once) {  // a folder of our own, in memory: flushes cost nothing
        once = true;
        if (mkdtemp(dir) == NULL || chdir(dir) != 0)
            abort();
    }
    for (const auto& entry : std::filesystem::directory_iterator("."))
        std::filesystem::remove_all(entry.path());
    ResetLogFile();
    ResetModel();
    ResetSettings();
    ResetReception();
    FreeScreenBuffer();
    Model.TickSet = Model.ClockSet = true;
    Model.Deleting = [](const std::string& path) {  // the oldest archive goes, and with it any cut owed to it
        std::string bytes = Read(path);
        for (const UnfinishedWrite& u : LogFileState.Unfinished)
            if (u.Bytes > 0 && path == u.Path)
                bytes.resize(std::min(bytes.size(), (size_t)u.Size));
        Gone[path.substr(0, path.rfind('.'))].push_back({Model.Born[path], bytes});
    };
    Gone.clear(), Lines.clear();
    Errors = Ended = EndedLost = 0;
    Broken = false;
    Data = data, Size = size, At = 0;
    if (!AllocScreenBuffer(SCREENSIZE_MAX))
        abort();
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Names[0]);
    Settings.LogSize = 200, Settings.LogsNum = 2, Settings.FlushTime = 1;
    SplitLogName();
    ReadView();
    Run(1 << 20);
    // The end: with the faults gone after a while, or still failing.
    if (size > 0 && data[size - 1] % 2) {
        Model.FailOpens = Model.FailWrites = Model.FailCuts = 0;
        Model.DiskRoom = -1;
        Model.Locked.clear();
        Model.Tick += 1000;
        if (Model.RetryTimerRunning)
            OnLogRetryTimer();
    }
    Model.Inside = nullptr;
    size_t boxes = Model.Boxes.size();
    CloseLogFile();
    ReadView();
    std::string exitBox = Model.Boxes.size() > boxes ? Model.Boxes.back().Text : "";
    Check(Model.Boxes.size() > boxes + 1 ? "two exit boxes" : exitBox, (int)boxes);
    if (Broken)
        abort();
    return 0;
}
