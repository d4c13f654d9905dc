// The log file: archive names, the size test after every fragment, rotation that loses nothing.
#include "support.h"

#include <regex>
#include <sstream>

#include "app/info_text.h"

// LogSize 200: the log's name, LogsNum, the files before (a name ending in "/" is a folder, in "!" a file
// another program holds), the fragments, printed in one call up to a "" (the other program lets go); the files.
TEST_F(Brevand, RotationMovesEachArchiveUpAndLosesNothing)
{
    const std::string a(201, 'a'), full(200, 'f'), less(199, 'l'), huge(3000, 'h');
    const struct {
        const char *guards, *name;
        int logsNum;
        std::map<std::string, std::string> before;
        std::vector<std::string> fragments;
        std::map<std::string, std::string> after;
    } cases[] = {
        {"a file of exactly LogSize after a write stays", "b.log", 2, {}, {full}, {{"b.log", full}}},
        {"one byte more makes the first archive", "b.log", 2, {}, {a}, {{"b.log", ""}, {"b.000", a}}},
        {"archives move up, the oldest is deleted", "b.log", 2, {{"b.000", "0"}, {"b.001", "1"}, {"b.002", "2"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.001", "0"}, {"b.002", "1"}}},
        {"gaps move up by one, higher numbers and other names stay", "b.log", 3,
         {{"b.000", "0"}, {"b.002", "2"}, {"b.007", "7"}, {"b.0002", "x"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.001", "0"}, {"b.003", "2"}, {"b.007", "7"}, {"b.0002", "x"}}},
        {"at open exactly LogSize rotates", "b.log", 2, {{"b.log", full}}, {"n"}, {{"b.log", "n"}, {"b.000", full}}},
        {"at open one byte less does not", "b.log", 2, {{"b.log", less}}, {"n"}, {{"b.log", less + "n"}}},
        {"no extension: the name moves", "b", 2, {{"b.log", "x"}}, {a}, {{"b", ""}, {"b.000", a}, {"b.log", "x"}}},
        // The base is the name up to its last dot after its last backslash; "/" is no separator here.
        {"a dot before a backslash starts no extension", "x.d\\b", 2, {}, {a}, {{"x.d\\b", ""}, {"x.d\\b.000", a}}},
        {"a dot before a slash does", "x.d/b", 2, {{"x.d/", ""}}, {a}, {{"x.000", a}}},
        {"a held live file grows", "b.log", 2, {{"b.log!", ""}, {"b.000", "0"}}, {a}, {{"b.log", a}, {"b.000", "0"}}},
        {"a held live file is tried again only after another LogSize", "b.log", 1, {{"b.log!", ""}}, {a, "", less, "c"},
         {{"b.log", ""}, {"b.000", a + less + "c"}}},
        {"a held oldest archive: none is deleted", "b.log", 2, {{"b.000", "0"}, {"b.001", "1"}, {"b.002!", "2"}}, {a},
         {{"b.log", a}, {"b.000", "0"}, {"b.001", "1"}, {"b.002", "2"}}},
        {"a held base.000: none moves", "b.log", 2, {{"b.000!", "0"}, {"b.001", "1"}}, {a},
         {{"b.log", a}, {"b.000", "0"}, {"b.001", "1"}}},
        {"base.000 that cannot move up is not deleted", "b.log", 1, {{"b.000", "0"}, {"b.001/", ""}}, {a},
         {{"b.log", a}, {"b.000", "0"}}},
        {"archives named in another case are its own all the same", "b.log", 2,
         {{"B.000", "0"}, {"B.001", "1"}, {"B.002", "2"}}, {a}, {{"b.log", ""}, {"b.000", a}, {"b.001", "0"}, {"b.002", "1"}}},
        {"LogsNum 1000: the oldest is base.1000", "b.log", 1000, {{"b.999", "9"}, {"b.1000", "X"}}, {a},
         {{"b.log", ""}, {"b.000", a}, {"b.1000", "9"}}},
        {"a name like one of its archives keeps its extension in the base", "b.002", 2,
         {{"b.000", "0"}, {"b.002.000", "x"}}, {a}, {{"b.002", ""}, {"b.002.000", a}, {"b.002.001", "x"}, {"b.000", "0"}}},
        {"so does one like the thousandth", "b.1000", 1, {}, {a}, {{"b.1000", ""}, {"b.1000.000", a}}},
        {"and one that is like an archive once Windows drops its trailing space", "b.002 ", 2, {{"b.002", "2"}}, {a},
         {{"b.002 ", ""}, {"b.002.000", a}, {"b.002", "2"}}},
        {"in one call: rotations after the fragments that fill the file, one too long to gather goes whole",
         "b.log", 2, {}, {"x", huge, less, "xy", "z"}, {{"b.log", "z"}, {"b.000", less + "xy"}, {"b.001", "x" + huge}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        Fresh();
        for (const auto& [name, bytes] : c.before) {
            std::string path = Path(name.substr(0, name.find_last_not_of("/!") + 1));
            if (name.back() == '/')
                std::filesystem::create_directory(path);
            else
                WriteFile(path, bytes);
            if (name.back() == '!')
                Model.Locked.insert(path);
        }
        OpenLog(200, c.logsNum, c.name);
        std::vector<const char*> call;
        for (const std::string& fragment : c.fragments) {
            if (!fragment.empty()) {
                call.push_back(fragment.c_str());
                continue;
            }
            LogFragments(call.data(), (int)call.size());
            call.clear();
            Model.Locked.clear();
        }
        LogFragments(call.data(), (int)call.size());
        EXPECT_EQ(Files(), c.after);
        CloseLogFile();
    }
}

// A write, an open, a flush or a close that fails: the lines wait in order, the file is tried again once a second,
// from the timer or from the lines, and every line ends up whole, once; one report tells the start.  Where a flush or
// a close failed, a record ("|") that what was written since the last good flush may be lost, between the lines
// before and those that waited.  The faults meet line two; E is the failure's line in the view, W its end.
TEST_F(Brevand, FailedLogFileKeepsTheLinesAndWritesThemOnceItCan)
{
    const struct { const char* guards; int atOpen, writes, partial, cuts, reopens, flushes, closes, logSize;
                   const char* file; int error, waited; } cases[] = {
        {"a write fails whole", 0, 1, 0, 0, 0, 0, 0, 1000, "one two three four", 112, 2},
        {"a write fails after 20 bytes: they are cut off again", 0, 1, 20, 0, 0, 0, 0, 1000, "one two three four", 112, 2},
        {"and where the cut fails too, at the reopen", 0, 1, 20, 1, 0, 0, 0, 1000, "one two three four", 112, 2},
        {"and where that fails too, at the next", 0, 1, 20, 2, 0, 0, 0, 1000, "one two three four", 112, 2},
        {"the reopens fail twice: tried once a second, quietly", 0, 1, 0, 0, 2, 0, 0, 1000, "one two three four", 112, 2},
        {"the open fails at the start", 1, 0, 0, 0, 0, 0, 0, 1000, "one two three four", 5, 3},
        {"a line's flush fails", 0, 0, 0, 0, 0, 1, 0, 1000, "one two | three four", 64, 1},
        {"and the reopen too", 0, 0, 0, 0, 1, 1, 0, 1000, "one two | three four", 64, 1},
        {"the close after a failed write fails", 0, 1, 0, 0, 0, 0, 1, 1000, "one | two three four", 112, 2},
        {"the close at a rotation inside line two fails: the record waits for its end", 0, 0, 0, 0, 0, 0, 1, 60,
         "one two | three four", 64, 2},
        {"the close at a rotation after line two fails", 0, 0, 0, 0, 0, 0, 1, 97, "one two | three four", 64, 1},
    };
    const std::string t = "\\w{3} \\d\\d \\d\\d:\\d\\d:\\d\\d", span = "lines written from " + t + " to " + t + " may be lost";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        Fresh(), AllocScreen();
        Settings.FlushTime = 0, Model.ClockSet = true, Model.FailOpens = c.atOpen;
        OpenLog(c.logSize);
        Receive("<13>one");
        Model.FailWrites = c.writes, Model.PartialBytes = c.partial, Model.FailCuts = c.cuts, Model.FailOpens = c.reopens;
        Model.FailFlushes = c.flushes, Model.FailCloses = c.closes;
        Receive("<13>two");
        OnLogRetryTimer();  // a tick just after the line's own try: none again
        Model.Tick += 500;
        Receive("<13>three");
        char status[400];
        FormatStatusText(status, sizeof status);
        const std::string error = std::to_string(c.error), waited = std::to_string(c.waited);
        EXPECT_EQ(status, "LogFile: '" + Path("brevand.log") + "' is NOT being written (error " + error + "): " + waited +
                              " lines wait, 0 lost   Total Messages: '3'");
        for (int i = 0; i < 3; i++, Model.Tick += 1000)
            if (Model.RetryTimerRunning)
                OnLogRetryTimer();
        Receive("<13>four");
        EXPECT_FALSE(Model.RetryTimerRunning);
        std::string all, file, view;  // the files oldest first, and the patterns of what they and the view hold
        for (const auto& [name, bytes] : Files())
            all.insert(name == "brevand.log" ? all.size() : 0, bytes);
        std::istringstream words(c.file), shown(c.atOpen ? "E one two three W four" : "one two E three W four");
        for (std::string w; words >> w;)
            file += w == "|" ? "---- " + span + ": the log file could not be saved ----\r\n"
                             : t + " 10.0.0.5:1024 <User.Notice> " + w + "\r\n";
        EXPECT_TRUE(std::regex_match(all, std::regex(file))) << all;
        std::smatch from;  // the last good flush, not the reopen
        if (std::regex_search(all, from, std::regex("written from (.{15}) to (.{15}) may"))) {
            EXPECT_LE(from[1].str(), from[2].str());
        }
        const char* why = c.error == 112 ? "There is not enough space on the disk"
                                         : "The specified network name is no longer available";
        for (std::string w; shown >> w;)
            view += w == "E" ? (c.error == 5 ? "Error 5 opening log file\r\n" : "Error " + error + " writing log file: " +
                                why + "; lines wait and writing is tried again by itself\r\n")
                    : w == "W" ? "The log file is written again: " + waited + " lines waited, 0 were lost\r\n"
                               : "<User.Notice> " + w + "\r\n";
        EXPECT_EQ(std::regex_replace(ScreenBuffer.Text, std::regex(".{16}10.0.0.5:1024 "), ""), view);
        EXPECT_EQ(Model.Opens, 2 + c.reopens + (c.cuts > 1) + 3 * (c.logSize < 1000));  // a rotation a line
        ShowLogFailureBox();
        EXPECT_EQ(Boxes(), c.atOpen ? " Brevand: Error opening log file !\n" : " Brevand: Error writing log file !\n");
    }
    // Each failure's box, the flush timer's too; a close that fails on exit says what may be lost.
    Model.FailFlushes = 1, Model.Tick += 1000, FlushLogFileIfDue(1);
    ShowLogFailureBox();
    Model.Tick += 1000, OnLogRetryTimer();
    Model.FailCloses = 1, CloseLogFile();
    EXPECT_TRUE(std::regex_match(Boxes(), std::regex("( Brevand: Error writing log file !\n){2} Brevand: Error 64 "
                                                     "closing the log file: " + span + "\\.\n"))) << Boxes();
    // A flush that failed with the file still out of reach at exit: the box says so.
    Receive("<13>five"), Model.Boxes.clear();
    Model.FailFlushes = 1, Model.FailOpens = 9, Model.Tick += 1000, FlushLogFileIfDue(1), CloseLogFile();
    EXPECT_TRUE(std::regex_match(Boxes(), std::regex(" Brevand: L" + span.substr(1) + ": the log file could not be saved\\.\n")))
        << Boxes();
    // What still waits at the end is tried once more, and what cannot be written is counted out loud.
    Fresh(), OpenLog();
    Model.FailWrites = 1;
    for (const char* line : {"<13>five", "<13>six", "<13>seven"})
        Receive(line);
    Model.PassWrites = 1, Model.FailWrites = 1;
    CloseLogFile();
    EXPECT_EQ(Boxes(), " Brevand: 2 lines could not be written to the log file.\n") << "no box for a failure ended";
    const std::string log = ReadFile(Path("brevand.log"));
    EXPECT_TRUE(log.find("five") != std::string::npos && log.find("six") == std::string::npos) << log;
    // The record of the loss takes the file past LogSize, and the next file cannot be opened: still failing.
    // 4092 lines of 1023 bytes fill the memory the lines wait in: after 4091, one of two such parts finds no room.
    OpenLog(4091 * 1023 + 50, 2, "full.log");
    Model.FailWrites = 1;
    const std::string w(1023, 'w');
    for (int i = 0; i < 4091; i++)
        LogPrint("%s", w.c_str());
    const char* const twice[] = {w.c_str(), w.c_str()};
    LogFragments(twice, 2);
    LogPrint("fits in the room left, but comes after a line lost: lost too\r\n");
    Model.Tick += 1000, Model.PassOpens = 1, Model.FailOpens = 1;
    LogPrint("after\r\n");
    EXPECT_TRUE(LogFileState.Failing && Model.RetryTimerRunning);
    EXPECT_NE(ReadFile(Path("full.000")).find("---- 2 lines lost from "), std::string::npos);
}

// A cut owed to another name's file (on a share that is gone) waits for a retry or the exit: a rotation, which
// comes every LogSize bytes, does not open it.
TEST_F(Brevand, RotationLeavesTheCutsOfOtherNamesAlone)
{
    OpenLog(200, 2, "a.log");
    Model.FailWrites = 1, Model.PartialBytes = 20, Model.FailCuts = 1;
    Receive("<13>one");
    Model.OpenError = 53, Model.FailOpens = 1;
    OpenLog(200, 2, "b.log");
    int opens = Model.Opens;
    Receive("<13>" + std::string(200, 'x'));
    EXPECT_EQ(Model.Opens - opens, 1);
    CloseLogFile();
    EXPECT_EQ(ReadFile(Path("a.log")).find("one"), std::string::npos);
}

// An attempt that blocks (an open on a share that does not answer) pushes the next one back to ten times as long
// as it took, at most a minute; until then the lines that arrive try nothing. One failure after another.
TEST_F(Brevand, SlowAttemptPushesTheNextOneBack)
{
    OpenLog();
    for (auto [took, next] : std::vector<std::pair<uint32_t, uint32_t>>{
             {0, 1000}, {50, 1000}, {300, 3000}, {5000, 50000}, {6000, 60000}, {30000, 60000}, {0, 1000}}) {
        SCOPED_TRACE(took);
        Model.FailWrites = 1, Model.FailOpens = 1;
        Receive("<13>fails");
        Model.Tick += 1000, Model.OpenMs = took;
        OnLogRetryTimer();  // blocks, and fails
        const int opens = Model.Opens;
        Model.Tick += next - 1;
        Receive("<13>too early");
        EXPECT_EQ(Model.Opens, opens);
        Model.Tick += 1;
        Receive("<13>due");
        EXPECT_EQ(Model.Opens, opens + 1);
    }
}

// What the view says, one line each time, when a rotation cannot move the live file (tried again after another
// LogSize bytes, as before) and when the name opens a device: LogSize 60, LogsNum 2, four lines; "L" is the line.
TEST_F(Brevand, StalledRotationAndDeviceSayWhyInTheView)
{
    const std::string held = "The process cannot access the file because it is being used by another process";
    const struct { const char *guards, *name, *held, *readOnly, *view; std::string line; } cases[] = {
        {"a held live file", "b.log", "b.log", "", "1L2L3L4", "Error 32 rotating log file at $b.log: " + held},
        {"a held archive", "b.log", "b.001", "", "1L2L3L4", "Error 32 rotating log file at $b.001: " + held},
        {"a read-only oldest archive: the step that failed first", "b.log", "", "b.002", "1L2L3L4",
         "Error 5 rotating log file at $b.002: Access is denied"},
        {"a device or a pipe is refused as an open that fails", "../../dev/null", "", "", "L1234",
         "Error opening log file: $../../dev/null is a device or a pipe, not a file on a disk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        Fresh(), AllocScreen();
        for (const char* name : {"b.000", "b.001", "b.002"})
            WriteFile(Path(name), name);
        Model.Locked = {Path(c.held)}, Model.ReadOnly = {Path(c.readOnly)};
        OpenLog(60, 2, c.name);
        for (const char* line : {"<13>1", "<13>2", "<13>3", "<13>4"})
            Receive(line);
        std::string want, line = std::regex_replace(c.line, std::regex("\\$"), Dir + "/");
        line += c.view[0] == 'L' ? "\r\n" : "; the log file grows on and is rotated when it has grown by another 60 bytes\r\n";
        for (const char* p = c.view; *p != '\0'; p++)
            want += *p == 'L' ? line : "<User.Notice> " + std::string(1, *p) + "\r\n";
        EXPECT_EQ(std::regex_replace(ScreenBuffer.Text, std::regex(".{16}10.0.0.5:1024 "), ""), want);
        EXPECT_EQ(ReadFile(Path("b.000")), "b.000") << "nothing moved";
    }
}

// The flush timer is starved while socket events keep the queue busy: then the lines flush every FlushTime s,
// and a tick that comes just after a line's flush adds none; any other tick flushes; FlushTime 0, every line.  The
// first line flushes, none having been made (the clock stands near its wrap, as after 49.7 days up).
TEST_F(Brevand, FloodIsFlushedEveryFlushTimeSeconds)
{
    OpenLog();
    Settings.FlushTime = 3;
    const uint32_t start = Model.Tick;
    for (int i = 0; i < 1000; i++, Model.Tick += 10) {  // 10 s of lines, one late tick of the timer among them
        Receive("<13>flood");
        if (i == 301)
            FlushLogFileIfDue(1);
    }
    for (uint32_t tick : {11400, 11410})  // 2.4 s after the last flush, then 10 ms on
        Model.Tick = start + tick, FlushLogFileIfDue(1);
    Settings.FlushTime = 0;
    Receive("<13>flushed at once");
    EXPECT_EQ(Model.Flushes, 6);
}
