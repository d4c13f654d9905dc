// One datagram, one line: the local time, the sender, the label and the text exactly; errors reported; the
// Dump and Statistics texts.
#include "support.h"

#include <sys/socket.h>

#include <regex>

#include "app/held_commands.h"
#include "app/info_text.h"
#include "res/resource.h"

TEST_F(Brevand, EachDatagramGivesItsExactLine)
{
    const struct { std::string datagram, line; } cases[] = {  // the line after the stamp and "10.0.0.5:1024 "
        {"<34>login failed", "<Auth.Crit> login failed"}, {"no header", "<none> no header"}, {"", "<none> "},
        {"<0>boot", "<Kern.Emerg> boot"}, {"<191>x", "<Local7.Debug> x"}, {"<192>x", "<???.Emerg> x"},
        {"<-1>x", "<???.Debug> x"}, {"<\t+13>x", "<User.Notice> x"}, {"<13 x", "<User.Notice> <13 x"},
        {"<13>", "<User.Notice> "}, {"<>x", "<none> <>x"}, {" <13>x", "<none>  <13>x"},
        {"<13><14>x", "<User.Notice> <14>x"},
        // Beyond 32 bits the number saturates at either end.
        {"<99999999999999999999>x", "<???.Debug> x"}, {"<-2147483648>x", "<???.Emerg> x"},
        // The text is written unchanged, up to its first zero byte, and never as a format.
        {"<13>line\n", "<User.Notice> line\n"}, {std::string("<13>abc\0def", 11), "<User.Notice> abc"},
        {"%n%s%d <13>%x%%", "<none> %n%s%d <13>%x%%"}, {"<13>\x01\x7f\xff\xe9\t", "<User.Notice> \x01\x7f\xff\xe9\t"},
        {"<13>" + std::string(596, 'a'), "<User.Notice> " + std::string(596, 'a')},
    };
    setenv("TZ", "America/New_York", 1);  // away from UTC, so that UTC would show
    tzset();
    auto stamp = [] {
        char out[32];
        time_t now = time(nullptr);
        return std::string(out, strftime(out, sizeof out, "%b %d %H:%M:%S ", localtime(&now)));
    };
    OpenLog();
    for (const auto& c : cases) {
        size_t before = ReadFile(Path("brevand.log")).size();
        std::string early = stamp();
        Receive(c.datagram);
        std::string line = ReadFile(Path("brevand.log")).substr(before);
        EXPECT_TRUE(line.substr(0, 16) == early || line.substr(0, 16) == stamp()) << line;
        EXPECT_EQ(line.substr(16), "10.0.0.5:1024 " + c.line + "\r\n") << c.datagram;
    }
}

// Every socket event is followed by a receive, so that the next notification comes (after an error event too,
// or reception would end for good); errors are logged with their step and code, a receive that finds nothing is
// no error.
TEST_F(Brevand, EverySocketEventLeavesTheListenerArmedAndErrorsAreLogged)
{
    const std::string down = "\r\nSOCKET ERROR: The network is down. (|-- Error on listen socket, error 10050)\r\n\r\n";
    const struct { long event; std::string waiting, logged; } cases[] = {
        {0, "<13>one", "STAMP 10.0.0.5:1024 <User.Notice> one\r\n"},
        {0, "", ""},  // its datagram was taken by an earlier receive
        {10050L << 16, "", down},
        {10050L << 16, "<13>two", down + "STAMP 10.0.0.5:1024 <User.Notice> two\r\n"},
        {0, "<14>" + std::string(597, 'Q'), "\r\nSOCKET ERROR: A datagram was larger than the receive buffer and was "
                                            "dropped. (Error in LogRequest, error 10040)\r\n\r\n"},
    };
    OpenLog();
    ASSERT_EQ(OpenListener(), 1) << "port 514 must be free, and the tests run as root";
    for (const auto& c : cases) {
        if (!c.waiting.empty())
            Model.Injected.push_back({c.waiting, {10, 0, 0, 5}, 1024});
        size_t before = ReadFile(Settings.LogName).size();
        ASSERT_TRUE(ModelReadEvent()) << "no notification after the event before " << c.logged;
        EXPECT_EQ(OnSocketNotify(c.event), c.event == 0);
        EXPECT_EQ(std::regex_replace(ReadFile(Settings.LogName).substr(before), std::regex("\\w{3} \\d\\d [\\d:]{8}"),
                                     "STAMP"), c.logged);
    }
    EXPECT_TRUE(ModelReadEvent());
    EXPECT_EQ(MessageCount, 5);
    EXPECT_EQ(LastDatagram.Length, 7) << "the dump keeps the last datagram received";
}

// The port is ours alone: another program's bind of it, on all addresses or on one, before ours or after, fails,
// and a taken port ends the start with the report.  Where the system refuses exclusive use (XP before Service Pack
// 2, for a user who is not an administrator), the listener shares as before.
TEST_F(Brevand, ThePortIsOursAloneWhereTheSystemAllowsIt)
{
    const std::string taken = "The address is already in use: another program is listening on the port. "
                              "(Error binding Logging Socket, error 10048)\r\n";
    const struct { std::vector<bool> holders; bool refused; bool opens; int oneAddressAfter; } cases[] = {
        {{}, false, true, 10013}, {{true}, false, false, 0}, {{false}, false, false, 0},
        {{}, true, true, 0},      {{true}, true, true, 0},   {{false}, true, false, 0},
    };
    for (const auto& c : cases) {
        ResetModel();
        Model.PortHolders = c.holders, Model.RefuseExclusive = c.refused;
        EXPECT_EQ(OpenListener(), c.opens) << c.holders.size() << c.refused;
        EXPECT_EQ(ModelOtherBind(true), c.opens ? c.oneAddressAfter : 0);
        EXPECT_EQ(Boxes() + std::to_string(Model.Beeps), c.opens ? "0" : "BREVAND Error: " + taken + "\n3");
    }
}

// Logoff or shutdown, as the shell handles WM_ENDSESSION before Windows ends the process: receiving stops (a
// notification already queued is not received), what waits is tried once more, the file is flushed and closed,
// and no box is shown, also for lines that cannot be written.
TEST_F(Brevand, TheSessionEndWritesWhatWaitsAndClosesTheFileWithoutABox)
{
    for (bool writable : {true, false}) {
        ResetReception();
        PlatSocketNotifyOnRead();
        OpenLog(LOGSIZE_DEFAULT, 2, writable ? "brevand.log" : "never.log");
        Model.FailWrites = 1, Model.FailOpens = 1000;
        Receive("<13>waits"), Receive("<13>waits too");
        Model.FailOpens = writable ? 0 : 1000;
        Model.Boxes.clear();
        int flushes = Model.Flushes;
        StopReceiving();
        CloseLogFileAtSessionEnd();
        Model.Injected.assign(1, {"<13>queued", {10, 0, 0, 5}, 1024});
        EXPECT_FALSE(ModelReadEvent() | OnSocketNotify(0)) << "notified, or the queued notification was received";
        EXPECT_EQ(Boxes(), "");
        EXPECT_EQ(MessageCount, 2);
        EXPECT_EQ(Model.Flushes, flushes + writable);
        EXPECT_TRUE(LogFileState.Handle == PLAT_NO_FILE && !LogFileState.Failing && !LogFileState.BoxDue);
        EXPECT_EQ(std::regex_replace(ReadFile(Settings.LogName), std::regex("\\w{3} \\d\\d [\\d:]{8}"), ""),
                  writable ? " 10.0.0.5:1024 <User.Notice> waits\r\n 10.0.0.5:1024 <User.Notice> waits too\r\n" : "");
    }
}

// The log path only makes the report due: its line comes after the line in the view, and its box when the shell
// asks for it, once.  What the box's modal loop lets run comes after the line; a failure that begins meanwhile gets
// its line in the view but no second box.
TEST_F(Brevand, LogFailureBoxIsShownOnceAfterTheLine)
{
    AllocScreen();
    WriteFile(Path("brevand.log"), std::string(190, 'o'));
    OpenLog(200);
    Model.FailOpens = 1;
    Model.Inside = [] {
        SplitLogName();  // the operator fixes the log meanwhile
        Receive("<19>nested", "10.0.0.9", 2000);
        Model.FailWrites = 1;
        Receive("<19>again", "10.0.0.9", 2000);
    };
    Receive("<34>outer text");
    EXPECT_EQ(Boxes(), "") << "a box inside the log path";
    for (int i = 0; i < 3; i++)
        ShowLogFailureBox();
    EXPECT_EQ(Boxes(), " Brevand: Error opening log file !\n");
    EXPECT_EQ(Model.Boxes.at(0).Flags, (unsigned)PLAT_MB_ICONERROR);
    std::string archive = ReadFile(Path("brevand.000")), live = ReadFile(Path("brevand.log"));
    std::string outer = "10.0.0.5:1024 <Auth.Crit> outer text\r\n", nested = live.substr(outer.size());
    EXPECT_EQ(archive.substr(0, 190), std::string(190, 'o')) << "the outer stamp ends the old file";
    EXPECT_EQ(live.substr(0, outer.size()) + nested.substr(16), outer + "10.0.0.9:2000 <Mail.Err> nested\r\n");
    std::string view = ScreenBuffer.Text;
    EXPECT_EQ(view.erase(view.find("10.0.0.9:2000 <Mail.Err> again") - 16, 16), archive.substr(190) + outer +
              "Error 5 opening log file\r\nThe log file is written again: 1 lines waited, 0 were lost\r\n" + nested +
              "10.0.0.9:2000 <Mail.Err> again\r\nError 112 writing log file: There is not enough space on the disk; "
              "lines wait and writing is tried again by itself\r\n");
}

// The dump shows the first 64 bytes of the receive area whatever was received; the count goes past 32 bits.
TEST_F(Brevand, DumpAndStatisticsTexts)
{
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", "C:\\logs\\brevand.log");
    Settings.FlushTime = 7;
    AllocScreen(1000);
    Receive("<13>0123456789abcdefghij");
    MessageCount = INT32_MAX;
    Receive(std::string("<1>x\0y", 6), "255.255.255.255", 65535);  // the count is not up to the zero byte
    char text[INFO_TEXT_SIZE];
    FormatPacketDump(text, sizeof text);
    const std::string zeros = "\r\n00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ";
    EXPECT_EQ(text, "Last received 6 bytes from 255.255.255.255:65535 "
                    "\r\n3c 31 3e 78 00 79 00 33 34 35 36 37 38 39 61 62 "
                    "\r\n63 64 65 66 67 68 69 6a 00 00 00 00 00 00 00 00 " + zeros + zeros);
    FormatStatistics(text, sizeof text);  // the two lines have 66 and 54 bytes
    EXPECT_STREQ(text, "Log FileName   \t: C:\\logs\\brevand.log\r\nSize of Screen  \t: 120 / 1000\r\n"
                       "Total Messages  \t: 2147483648\r\nFlush writes (s)\t: 7");
}

// Behind a box a save, Exit and the window's close wait, each once, and come back when the last box is answered, the
// save before the question to quit; a second Options is refused; the other commands run, as all do with no box up.
TEST_F(Brevand, CommandsBehindABoxWaitOrAreRefused)
{
    const struct { std::vector<std::pair<int, int>> asked; std::string expect; } cases[] = {  // {command, boxes up}
        {{{IDM_OPTIONS, 0}, {IDM_SAVE, 0}, {IDM_EXIT, 0}, {HELD_CLOSE, 0}}, "run run run run |"},
        {{{IDM_OPTIONS, 1}, {IDM_ABOUT, 1}, {IDM_STATISTICS, 2}, {IDM_DUMP, 1}, {IDM_CLEAR, 1}, {IDM_PAUSE, 1}},
         "refused run run run run run |"},
        {{{HELD_CLOSE, 1}, {IDM_EXIT, 2}, {IDM_SAVE, 1}, {IDM_SAVE, 3}}, "held held held held |15 65536 "},
        {{{IDM_EXIT, 1}, {HELD_CLOSE, 1}, {IDM_OPTIONS, 1}}, "held held refused |3 "},
    };
    const char* const fates[] = {"run", "held", "refused"};
    for (const auto& c : cases) {
        ResetHeldCommands();
        std::string seen;
        for (const auto& [id, boxes] : c.asked)
            seen += std::string(fates[CommandBehindBox(id, boxes)]) + " ";
        seen += "|";
        for (int id; (id = TakeHeldCommand()) != 0;)
            seen += std::to_string(id) + " ";
        EXPECT_EQ(seen, c.expect);
    }
}
