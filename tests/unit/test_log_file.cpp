// The log file: names, the size test after every fragment, rotation into archives.
#include "support.h"

namespace {

std::vector<std::string> Without(std::vector<std::string> names, const std::string& skip)
{
    names.erase(std::remove(names.begin(), names.end(), skip), names.end());
    return names;
}

}  // namespace

TEST_F(Brevand, LogNameSplitsAtTheLastDotAfterTheLastBackslash)
{
    struct {
        const char* path;
        const char* base;
        const char* extension;
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
        SCOPED_TRACE(c.path);
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s", c.path);
        SplitLogName();
        EXPECT_STREQ(LogFileState.Base, c.base);
        EXPECT_STREQ(LogFileState.Extension, c.extension);
    }
    char name[ARCHIVE_NAME_SIZE];
    snprintf(LogFileState.Base, sizeof LogFileState.Base, "x");
    ArchiveName(7, name);
    EXPECT_STREQ(name, "x.007");
    ArchiveName(1000, name);
    EXPECT_STREQ(name, "x.1000");
}

TEST_F(Brevand, RotationKeepsLogsNumPlusOneArchives)
{
    OpenLog("brevand.log", 200, 2);
    const std::vector<std::vector<std::string>> after = {
        {"brevand.000", "brevand.log"},
        {"brevand.000", "brevand.001", "brevand.log"},
        {"brevand.000", "brevand.001", "brevand.002", "brevand.log"},
        {"brevand.000", "brevand.001", "brevand.002", "brevand.log"},
    };
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(i + 1);
        LogPrint("%s", (std::string(201, 'a' + i) + "\r\n").c_str());
        EXPECT_EQ(ListDir(Dir), after[i]);
        EXPECT_EQ(ReadFile(Path("brevand.log")), "");
        EXPECT_EQ(ReadFile(Path("brevand.000"))[0], 'a' + i);
    }
    // The fourth rotation dropped the first file's text.
    EXPECT_EQ(ReadFile(Path("brevand.002"))[0], 'b');
    EXPECT_EQ(ReadFile(Path("brevand.001"))[0], 'c');
}

TEST_F(Brevand, ThousandArchivesEndWithFourDigits)
{
    char name[32];
    for (int i = 0; i < 1000; i++) {
        snprintf(name, sizeof name, "brevand.%03d", i);
        WriteFile(Path(name), std::to_string(i));
    }
    WriteFile(Path("brevand.log"), std::string(300, 'x'));
    OpenLog("brevand.log", 200, 1000);  // at open, already full: rotates
    EXPECT_EQ(ReadFile(Path("brevand.1000")), "999");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "0");
    EXPECT_EQ(ReadFile(Path("brevand.000")), std::string(300, 'x'));
    EXPECT_EQ(ListDir(Dir).size(), 1002u);
}

TEST_F(Brevand, RotationTouchesOnlyTheArchivesThatExist)
{
    WriteFile(Path("brevand.000"), "zero");
    WriteFile(Path("brevand.001"), "one");
    WriteFile(Path("brevand.0002"), "not an archive name");
    OpenLog("brevand.log", 200, 1000);
    Model.Renames = 0;
    LogPrint("%s", std::string(201, 'r').c_str());
    EXPECT_EQ(Model.Renames, 3);  // .001 up, .000 up, the live file
    EXPECT_EQ(ReadFile(Path("brevand.002")), "one");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "zero");
    EXPECT_EQ(ReadFile(Path("brevand.000")), std::string(201, 'r'));
    EXPECT_EQ(ReadFile(Path("brevand.0002")), "not an archive name");
}

TEST_F(Brevand, SizeBoundaryDiffersAtOpenAndAfterAWrite)
{
    // After a write, a file of exactly LogSize is kept ...
    OpenLog("brevand.log", 200, 2);
    LogPrint("%s", std::string(200, 'w').c_str());
    EXPECT_EQ(ReadFile(Path("brevand.log")).size(), 200u);
    EXPECT_FALSE(Exists(Path("brevand.000")));
    // ... one byte more rotates ...
    LogPrint("%s", "!");
    EXPECT_EQ(ReadFile(Path("brevand.000")).size(), 201u);
    EXPECT_EQ(ReadFile(Path("brevand.log")), "");
    CloseLogFile();

    // ... and at open a file of exactly LogSize rotates, one byte less does not.
    WriteFile(Path("other.log"), std::string(200, 'o'));
    OpenLog("other.log", 200, 2);
    EXPECT_EQ(ReadFile(Path("other.000")).size(), 200u);
    CloseLogFile();
    WriteFile(Path("third.log"), std::string(199, 't'));
    OpenLog("third.log", 200, 2);
    EXPECT_FALSE(Exists(Path("third.000")));
    LogPrint("%s", "m");
    EXPECT_EQ(ReadFile(Path("third.log")), std::string(199, 't') + "m");
}

TEST_F(Brevand, LineCrossingLogSizeContinuesInTheNewFile)
{
    WriteFile(Path("brevand.log"), std::string(190, 'o'));
    OpenLog("brevand.log", 200, 2);
    Inject("<13>split line");
    ReceiveDatagram();
    std::string old = ReadFile(Path("brevand.000"));
    ASSERT_EQ(old.size(), 190u + 16u);
    EXPECT_TRUE(IsTimestamp(old.substr(190)));
    EXPECT_EQ(ReadFile(Path("brevand.log")), "10.0.0.5:1024 <User.Notice> split line\r\n");

    // A line into a file still small enough stays whole, however long.
    Inject("<13>" + std::string(500, 'L'));
    ReceiveDatagram();
    std::vector<std::string> whole = Lines(ReadFile(Path("brevand.000")));
    ASSERT_EQ(whole.size(), 2u);
    EXPECT_EQ(whole[1].substr(16), "10.0.0.5:1024 <User.Notice> " + std::string(500, 'L') + "\r\n");
    EXPECT_EQ(ReadFile(Path("brevand.001")).size(), 206u);
}

TEST_F(Brevand, StartupWithAFullLogRotatesBeforeWriting)
{
    WriteFile(Path("brevand.log"), std::string(100000, 'x'));
    OpenLog("brevand.log");
    LogPrint("%s", "banner\r\n");
    EXPECT_EQ(ReadFile(Path("brevand.000")), std::string(100000, 'x'));
    EXPECT_EQ(ReadFile(Path("brevand.log")), "banner\r\n");
}

TEST_F(Brevand, RotationWithoutExtensionMovesTheLiveFile)
{
    WriteFile(Path("messages.log"), "someone else's file");
    OpenLog("messages", 200, 2);
    LogPrint("%s", std::string(250, 'm').c_str());
    EXPECT_EQ(ReadFile(Path("messages.000")), std::string(250, 'm'));
    EXPECT_EQ(ReadFile(Path("messages")), "");
    EXPECT_EQ(ReadFile(Path("messages.log")), "someone else's file");
}

TEST_F(Brevand, LiveFileHeldElsewhereIsAppendedAndNotRotatedPerFragment)
{
    WriteFile(Path("brevand.000"), "newest archive");
    WriteFile(Path("brevand.001"), "older archive");
    OpenLog("brevand.log", 200, 1);
    Model.Locked.insert(Path("brevand.log"));
    LogPrint("%s", std::string(250, 'a').c_str());
    LogPrint("%s", "b");
    LogPrint("%s", "c");
    // Nothing moved, nothing lost, nothing written from the start.
    EXPECT_EQ(ReadFile(Path("brevand.log")), std::string(250, 'a') + "bc");
    EXPECT_EQ(ReadFile(Path("brevand.000")), "newest archive");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "older archive");
    EXPECT_EQ(LogFileState.RetrySize, 450);

    // Once released, the next attempt comes after another LogSize bytes.
    Model.Locked.clear();
    LogPrint("%s", std::string(197, 'd').c_str());
    EXPECT_FALSE(Exists(Path("brevand.002")));
    EXPECT_EQ(ReadFile(Path("brevand.000")), "newest archive");
    LogPrint("%s", "e");
    EXPECT_EQ(ReadFile(Path("brevand.000")), std::string(250, 'a') + "bc" + std::string(197, 'd') + "e");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "newest archive");
    EXPECT_EQ(ReadFile(Path("brevand.log")), "");
    EXPECT_EQ(LogFileState.RetrySize, 0);
}

TEST_F(Brevand, StuckArchivesLoseNothing)
{
    // The oldest archive cannot be deleted, so no archive can move up; the
    // newest must not be deleted to make room.
    WriteFile(Path("brevand.000"), "zero");
    WriteFile(Path("brevand.001"), "one");
    WriteFile(Path("brevand.002"), "two");
    OpenLog("brevand.log", 200, 2);
    Model.Locked.insert(Path("brevand.002"));
    LogPrint("%s", std::string(201, 'a').c_str());
    EXPECT_EQ(ReadFile(Path("brevand.000")), "zero");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "one");
    EXPECT_EQ(ReadFile(Path("brevand.002")), "two");
    EXPECT_EQ(ReadFile(Path("brevand.log")), std::string(201, 'a'));
    LogPrint("%s", "after");
    EXPECT_EQ(ReadFile(Path("brevand.log")), std::string(201, 'a') + "after");

    // base.000 held open: the live file stays where it is, appended to.
    Model.Locked = {Path("brevand.000")};
    SplitLogName();
    EXPECT_EQ(ReadFile(Path("brevand.000")), "zero");
    EXPECT_EQ(ReadFile(Path("brevand.001")), "one");
    EXPECT_EQ(ReadFile(Path("brevand.002")), "two");
    LogPrint("%s", "!");
    EXPECT_EQ(ReadFile(Path("brevand.log")), std::string(201, 'a') + "after!");
}

TEST_F(Brevand, GapsMoveUpAndHigherArchivesAreLeftAlone)
{
    WriteFile(Path("brevand.000"), "zero");
    WriteFile(Path("brevand.002"), "two");
    WriteFile(Path("brevand.007"), "seven");
    OpenLog("brevand.log", 200, 3);
    LogPrint("%s", std::string(201, 'n').c_str());
    EXPECT_EQ(Without(ListDir(Dir), "brevand.log"),
              (std::vector<std::string>{"brevand.000", "brevand.001", "brevand.003", "brevand.007"}));
    EXPECT_EQ(ReadFile(Path("brevand.001")), "zero");
    EXPECT_EQ(ReadFile(Path("brevand.003")), "two");
    EXPECT_EQ(ReadFile(Path("brevand.007")), "seven");
}

TEST_F(Brevand, UnopenableLogIsReportedAndTheViewStillGetsLines)
{
    ASSERT_TRUE(AllocScreenBuffer(6000));
    Settings.LogName[0] = '\0';
    SplitLogName();
    EXPECT_EQ(LogFileState.Handle, PLAT_NO_FILE);
    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Text, "Error opening log file !");
    EXPECT_EQ(Model.Boxes[0].Caption, " Brevand");
    EXPECT_EQ(std::string(ScreenBuffer.Text), "Error 2 opening log file\r\n");
    Inject("<13>still shown");
    ReceiveDatagram();
    EXPECT_NE(std::string(ScreenBuffer.Text).find("<User.Notice> still shown\r\n"), std::string::npos);
    EXPECT_EQ(ListDir(Dir), std::vector<std::string>{});
}

TEST_F(Brevand, ChangedLogNameLeavesTheOldFileAlone)
{
    OpenLog("first.log");
    LogPrint("%s", "one\r\n");
    WriteFile(Path("second.log"), "earlier\r\n");
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Path("second.log").c_str());
    SplitLogName();
    LogPrint("%s", "two\r\n");
    EXPECT_EQ(ReadFile(Path("first.log")), "one\r\n");
    EXPECT_FALSE(Exists(Path("first.000")));
    EXPECT_EQ(ReadFile(Path("second.000")), "earlier\r\n");
    EXPECT_EQ(ReadFile(Path("second.log")), "two\r\n");
}

TEST_F(Brevand, LongestPathsFitTheirBuffers)
{
    // 199 characters without a dot: the base is the whole path.
    std::string dir = Dir + "/" + std::string(150 - Dir.size(), 'd');
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    std::string path = dir + "/" + std::string(199 - dir.size() - 1, 'f');
    ASSERT_EQ(path.size(), 199u);
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", path.c_str());
    Settings.LogSize = 200;
    Settings.LogsNum = 1000;
    SplitLogName();
    LogPrint("%s", std::string(201, 'z').c_str());
    EXPECT_EQ(ReadFile(path + ".000"), std::string(201, 'z'));
    char name[ARCHIVE_NAME_SIZE];
    ArchiveName(1000, name);
    EXPECT_EQ(std::string(name), path + ".1000");
}
