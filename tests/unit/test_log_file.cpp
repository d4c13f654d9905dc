// The log file: names, the size test after every fragment, rotation that loses nothing.
#include "support.h"

#include <sys/stat.h>

TEST_F(Brevand, LogNameSplitsAtTheLastDotAfterTheLastBackslash)
{
    const struct {
        const char *path, *base, *extension;
    } cases[] = {
        {"C:\\logs\\brevand.log", "C:\\logs\\brevand", "log"},
        {"messages.txt", "messages", "txt"},
        {"C:\\my.logs\\messages", "C:\\my.logs\\messages", "log"},
        {"C:/my.logs/messages", "C:/my", "logs/messages"},
        {"", "", "log"},
        {"a.0123456789012345678901234567890123456789", "a", "0123456789012345678901234567890"},
    };
    Model.FailOpens = 100;  // only the names matter here
    for (const auto& c : cases) {
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s", c.path);
        SplitLogName();
        EXPECT_EQ(std::string(LogFileState.Base) + "|" + LogFileState.Extension,
                  std::string(c.base) + "|" + c.extension);
    }
}

// LogSize 200: the files before, the log's name, LogsNum, files another program
// holds, one fragment written; every file of the folder afterwards.
TEST_F(Brevand, RotationMovesEachArchiveUpAndLosesNothing)
{
    typedef std::map<std::string, std::string> Folder;
    const std::string a201(201, 'a');
    const struct {
        const char* guards;
        Folder before;
        const char* name;
        int logsNum;
        std::vector<std::string> held;
        std::string fragment;
        Folder after;
    } cases[] = {
        {"a file of exactly LogSize after a write stays", {}, "brevand.log", 2, {}, std::string(200, 'w'),
         {{"brevand.log", std::string(200, 'w')}}},
        {"one byte more makes the first archive", {}, "brevand.log", 2, {}, a201,
         {{"brevand.log", ""}, {"brevand.000", a201}}},
        {"archives move up, the oldest is deleted",
         {{"brevand.000", "0"}, {"brevand.001", "1"}, {"brevand.002", "2"}}, "brevand.log", 2, {}, a201,
         {{"brevand.log", ""}, {"brevand.000", a201}, {"brevand.001", "0"}, {"brevand.002", "1"}}},
        {"gaps move up by one, higher numbers and other names stay",
         {{"brevand.000", "0"}, {"brevand.002", "2"}, {"brevand.007", "7"}, {"brevand.0002", "x"}},
         "brevand.log", 3, {}, a201,
         {{"brevand.log", ""}, {"brevand.000", a201}, {"brevand.001", "0"}, {"brevand.003", "2"},
          {"brevand.007", "7"}, {"brevand.0002", "x"}}},
        {"at open a file of exactly LogSize rotates", {{"brevand.log", std::string(200, 'o')}},
         "brevand.log", 2, {}, "new", {{"brevand.log", "new"}, {"brevand.000", std::string(200, 'o')}}},
        {"at open one byte less does not", {{"brevand.log", std::string(199, 'o')}}, "brevand.log", 2, {},
         "n", {{"brevand.log", std::string(199, 'o') + "n"}}},
        {"a name without extension moves itself", {{"messages.log", "not ours"}}, "messages", 2, {}, a201,
         {{"messages", ""}, {"messages.000", a201}, {"messages.log", "not ours"}}},
        {"a held live file grows on", {{"brevand.000", "0"}}, "brevand.log", 2, {"brevand.log"}, a201,
         {{"brevand.log", a201}, {"brevand.000", "0"}}},
        {"a held oldest archive: the newest is not deleted to make room",
         {{"brevand.000", "0"}, {"brevand.001", "1"}, {"brevand.002", "2"}}, "brevand.log", 2,
         {"brevand.002"}, a201,
         {{"brevand.log", a201}, {"brevand.000", "0"}, {"brevand.001", "1"}, {"brevand.002", "2"}}},
        {"LogsNum 1000: the oldest is base.1000", {{"brevand.999", "9"}}, "brevand.log", 1000, {}, a201,
         {{"brevand.log", ""}, {"brevand.000", a201}, {"brevand.1000", "9"}}},
        {"base.000 that cannot move up is not deleted", {{"brevand.000", "0"}, {"brevand.001/", ""}},
         "brevand.log", 1, {}, a201, {{"brevand.log", a201}, {"brevand.000", "0"}}},
        {"a held base.000", {{"brevand.000", "0"}}, "brevand.log", 2, {"brevand.000"}, a201,
         {{"brevand.log", a201}, {"brevand.000", "0"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guards);
        ASSERT_EQ(system(("rm -rf '" + Dir + "'/*").c_str()), 0);
        for (const auto& file : c.before) {
            if (file.first.back() == '/')  // a folder
                ASSERT_EQ(mkdir(Path(file.first).c_str(), 0755), 0);
            else
                WriteFile(Path(file.first), file.second);
        }
        Model.Locked.clear();
        for (const std::string& name : c.held)
            Model.Locked.insert(Path(name));
        OpenLog(c.name, 200, c.logsNum);
        LogPrint("%s", c.fragment.c_str());
        EXPECT_EQ(Files(), c.after);
        CloseLogFile();
    }
}

TEST_F(Brevand, HeldLiveFileIsTriedAgainOnlyAfterAnotherLogSize)
{
    OpenLog("brevand.log", 200, 1);
    Model.Locked.insert(Path("brevand.log"));
    LogPrint("%s", std::string(250, 'a').c_str());
    Model.Locked.clear();
    LogPrint("%s", std::string(199, 'b').c_str());
    EXPECT_EQ(Files().size(), 1u) << "retried before another LogSize bytes";
    LogPrint("%s", "c");
    EXPECT_EQ(Files(), (std::map<std::string, std::string>{
                           {"brevand.log", ""},
                           {"brevand.000", std::string(250, 'a') + std::string(199, 'b') + "c"}}));
}

TEST_F(Brevand, LineCrossingLogSizeContinuesInTheNewFile)
{
    WriteFile(Path("brevand.log"), std::string(190, 'o'));
    OpenLog("brevand.log", 200, 2);
    Receive("<13>split line");
    std::string old = ReadFile(Path("brevand.000"));
    EXPECT_EQ(old.size(), 206u) << "the timestamp ends the old file";
    EXPECT_EQ(ReadFile(Path("brevand.log")), "10.0.0.5:1024 <User.Notice> split line\r\n");
    // A line into a file still small enough stays whole, however long.
    Receive("<13>" + std::string(500, 'L'));
    EXPECT_EQ(ReadFile(Path("brevand.000")).substr(40 + 16), "10.0.0.5:1024 <User.Notice> " +
                                                                std::string(500, 'L') + "\r\n");
}

TEST_F(Brevand, UnopenableLogIsReportedAndTheViewStillGetsLines)
{
    ASSERT_TRUE(AllocScreenBuffer(6000));
    Settings.LogName[0] = '\0';
    SplitLogName();
    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Text, "Error opening log file !");
    Receive("<13>still shown");
    EXPECT_EQ(std::string(ScreenBuffer.Text).substr(0, 26), "Error 2 opening log file\r\n");
    EXPECT_EQ(std::string(ScreenBuffer.Text).substr(26 + 16), "10.0.0.5:1024 <User.Notice> still shown\r\n");
    EXPECT_TRUE(Files().empty());
}

TEST_F(Brevand, EveryLineOnceAcrossHundredsOfRotations)
{
    OpenLog("brevand.log", 2000, 1000);
    const int total = 20000;
    for (int i = 0; i < total; i++)
        Receive("<134>seq=" + std::to_string(i));
    // Oldest archive first: a line cut by a rotation joins up again.
    std::string all;
    char name[ARCHIVE_NAME_SIZE];
    for (int i = 1000; i >= 0; i--) {
        ArchiveName(i, name);
        all += ReadFile(name);
    }
    all += ReadFile(Path("brevand.log"));
    std::vector<int> seen(total, 0);
    for (size_t at = 0; (at = all.find("seq=", at)) != std::string::npos; at++)
        seen[(size_t)atoi(all.c_str() + at + 4)]++;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), total);
    EXPECT_GT(Files().size(), 400u);
}
