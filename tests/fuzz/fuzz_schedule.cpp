// Schedules of lines, ticks, Options and file faults; afterwards every file is read back against the log's promise.
//
// Each input byte starts an operation, the bytes after it are its arguments.  At the end every line given to the
// log is in exactly one file, whole and in order (it may run on into the same name's next file), or counted: by a
// loss record in its place, or by the exit box; what the exit box names as not cut off is read up to the cut.  The
// view's counts and boxes agree.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
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
const std::string Sender = "10.0.0.5:1024 <User.Notice> q";

const uint8_t* Data;
size_t Size, At;
bool Broken;
std::vector<std::string> Lines;  // each line's text after its stamp ("" for a message, "m<n>")
std::map<std::string, std::vector<std::pair<int, std::string>>> Gone;  // deleted files: birth, contents
int Errors, Ended, EndedLost;  // view lines: failures reported, ended, and the losses those counted
long Schedules, Losing;       // schedules run, and those in which lines found no room (told at exit)
bool Lost;
int Up;  // boxes up

uint8_t Next() { return At < Size ? Data[At++] : 0; }

void NoFaults()
{
    Model.FailOpens = Model.FailWrites = Model.FailCuts = Model.FailFlushes = Model.FailCloses = 0;
    Model.DiskRoom = -1, Model.OpenMs = 0, Model.Locked.clear();
}

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

// Counts the view's lines of the log file's failures, then empties the view.
void ReadView()
{
    const char* text = ScreenBuffer.Text;
    int lost;
    for (const char* at = text; (at = strstr(at, " log file")) != NULL; at++)
        Errors += at - text >= 8 && (!strncmp(at - 8, " writing", 8) || !strncmp(at - 8, " opening", 8));
    for (const char* at = text; (at = strstr(at, "The log file is written again: ")) != NULL; at++)
        if (sscanf(at, "The log file is written again: %*d lines waited, %d were lost", &lost) == 1)
            Ended++, EndedLost += lost;
    ClearScreenBuffer();
}

void Run(int count);

void Operation()
{
    uint8_t op = Next() % 10, a = Next(), b = op == 7 ? Next() : 0;
    switch (op) {
    case 0: case 1: {  // a datagram: short most of the time, now and then one that fills a file at once
        std::string text = std::to_string(Lines.size()) + " " + std::string(a < 192 ? a % 48 : a * 2, 'x');
        Lines.push_back(Sender + text);
        Model.Injected.push_back({"<13>q" + text, {10, 0, 0, 5}, 1024});
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
    case 6:  // the Options dialog accepted
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Names[a % 4]);
        Settings.LogSize = 200 + 100 * (a / 4 % 8);
        Settings.LogsNum = 1 + a / 32 % 3;
        SplitLogName();
        LogPrint("%s", "");
        break;
    case 7:  // a fault switched on, or all of them off
        switch (a % 11) {
        case 0: Model.FailOpens = b % 4; break;
        case 1: Model.FailWrites = 1 + b % 3, Model.PartialBytes = b / 4 % 2 ? b % 70 : 0; break;
        case 2: Model.FailCuts = b % 4; break;
        case 3: Model.DiskRoom = b * 4; break;
        case 4: Model.Locked.insert(Settings.LogName); break;
        case 5: Model.Locked.insert(std::string(LogFileState.Base) + ".000"); break;
        case 6: std::filesystem::create_directory("x"); break;
        case 7: Model.FailFlushes = 1 + b % 3; break;
        case 8: Model.FailCloses = 1 + b % 3; break;
        case 9: Model.OpenMs = 500u * (b % 8); break;  // an open that blocks, as on a share that does not answer
        default: NoFaults();
        }
        break;
    case 8: Model.Inside = [n = 1 + a % 4] { Run(n); }; break;  // the next box's modal loop runs operations
    default: Model.PassWrites = a % 3;
    }
    if (Up == 0) {  // the shell shows a box that is due once no box is up
        Up++;
        ShowLogFailureBox();
        Up--;
    }
    ReadView();
    Lost |= LogFileState.Lost > 0;
}

void Run(int count)
{
    for (int i = 0; i < count && At < Size; i++)
        Operation();
}

// Every file of one name, deleted ones too, oldest first, joined; keep: files read only up to a size.
std::string Stream(int name, const std::map<std::string, size_t>& keep)
{
    const std::string base = std::string(Bases[name]) + ".";
    std::vector<std::pair<int, std::string>> files = Gone[Bases[name]];
    for (const auto& [path, born] : Model.Born)
        if (path == Names[name] || (path.compare(0, base.size(), base) == 0 && path.size() <= base.size() + 4 &&
                                    path.find_first_not_of("0123456789", base.size()) == std::string::npos)) {
            files.push_back({born, Read(path)});
            if (keep.count(path))
                files.back().second.resize(std::min(files.back().second.size(), keep.at(path)));
        }
    std::sort(files.begin(), files.end());
    std::string all;
    for (const auto& f : files)
        all += f.second;
    return all;
}

// A loss record's count, or -1.
int RecordCount(const std::string& text)
{
    int count = -1, length = 0;
    sscanf(text.c_str(), "---- %d lines lost from %*3c %*2d %*2d:%*2d:%*2d to %*3c %*2d %*2d:%*2d:%*2d%n", &count, &length);
    return length > 0 && text.compare(length, std::string::npos, ": the log file could not be written ----") == 0
               ? count : -1;
}

// The number of one of our lines, or -1.
int LineNumber(const std::string& text)
{
    size_t n = Lines.size();
    if (text[0] == 'm')
        sscanf(text.c_str() + 1, "%zu", &n);
    else if (text.size() > 16 && text[15] == ' ' && text.compare(16, Sender.size(), Sender) == 0)
        sscanf(text.c_str() + 16 + Sender.size(), "%zu", &n);
    if (n >= Lines.size())
        return -1;
    return (Lines[n].empty() ? text == "m" + std::to_string(n) : text.compare(16, std::string::npos, Lines[n]) == 0)
               ? (int)n : -1;
}

void Check(const std::string& exitBox, int errorBoxes, bool recovered)
{
    std::map<std::string, size_t> keep;
    for (const UnfinishedWrite& u : LogFileState.Unfinished)
        if (u.Bytes > 0 && (keep[u.Path] = (size_t)u.Size, recovered ||
                            exitBox.find(u.Path + std::string(" ends with part")) == std::string::npos))
            Fail(recovered ? "a torn file not cut at exit with the faults gone" : "a torn file not named", u.Path);
    std::vector<int> where(Lines.size(), -1);
    struct Record { int count, before, after; };
    std::vector<Record> records;
    for (int name = 0; name < 4; name++) {
        std::string all = Stream(name, keep);
        if (!all.empty() && all.compare(all.size() - 2, 2, "\r\n") != 0)
            Fail("a torn line at the end", Bases[name]);
        int last = -1;
        size_t first = records.size();
        for (size_t at = 0, end; (end = all.find("\r\n", at)) != std::string::npos; at = end + 2) {
            std::string text = all.substr(at, end - at);
            int count = RecordCount(text), n = count < 0 ? LineNumber(text) : -1;
            if (count >= 0) {
                records.push_back({count, last, -1});
            } else if (text.compare(0, 24, "---- lines written from ") == 0 &&
                       text.size() > 74 && text.compare(text.size() - 50, 50,
                                                        " may be lost: the log file could not be saved ----") == 0) {
                // what a failed flush or close may have cost: between whole lines, nothing to count
            } else if (n < 0) {
                return Fail("a line torn or unknown", Bases[name] + (": " + text));
            } else if (where[n] >= 0 || n <= last) {
                return Fail("a line twice or out of order", text);
            } else {
                where[n] = last = n;
                for (size_t r = records.size(); r > first && records[r - 1].after < 0; r--)
                    records[r - 1].after = n;
            }
        }
    }
    // The exit box counts the last lines; each record, lines missing around it; together, every line missing.
    int unwritten = atoi(exitBox.c_str()), counted = unwritten, total = (int)Lines.size();
    int missing = (int)std::count(where.begin(), where.end(), -1);
    for (int i = std::max(total - unwritten, 0); i < total; i++)
        if (where[i] >= 0 || unwritten > total)
            return Fail("the exit box counts a line that is in a file", std::to_string(i));
    for (const Record& r : records) {
        int around = (int)std::count(where.begin() + r.before + 1, r.after < 0 ? where.end() : where.begin() + r.after, -1);
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
    static char dir[] = "/dev/shm/brevand-fuzz-XXXXXX";  // in memory: flushes cost nothing
    static bool once;
    if (!once && (once = true, mkdtemp(dir) == NULL || chdir(dir) != 0 || atexit([] {
                      std::filesystem::remove_all(dir);
                      fprintf(stderr, "schedules: %ld, %ld losing lines\n", Schedules, Losing);
                  })))
        abort();
    for (const auto& entry : std::filesystem::directory_iterator("."))
        std::filesystem::remove_all(entry.path());
    ResetLogFile(), ResetModel(), ResetSettings(), ResetReception(), FreeScreenBuffer();
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
    Broken = Lost = false;
    Data = data, Size = size, At = 0;
    if (!AllocScreenBuffer(SCREENSIZE_MAX))
        abort();
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Names[0]);
    Settings.LogSize = 200, Settings.LogsNum = 2, Settings.FlushTime = 1;
    SplitLogName();
    ReadView();
    Run(1 << 20);
    bool recovered = size > 0 && data[size - 1] % 2;  // at the end the faults are gone a while, or still there
    if (recovered) {
        NoFaults();
        Model.Tick += 1000;
        if (Model.RetryTimerRunning)
            OnLogRetryTimer();
    }
    Model.Inside = nullptr;
    size_t boxes = Model.Boxes.size();
    CloseLogFile();
    ReadView();
    if (Model.Boxes.size() > boxes + 1)
        Fail("two exit boxes", Model.Boxes.back().Text);
    Check(Model.Boxes.size() > boxes ? Model.Boxes.back().Text : "", (int)boxes, recovered);
    Schedules++, Losing += Lost;
    if (Broken)
        abort();
    return 0;
}
