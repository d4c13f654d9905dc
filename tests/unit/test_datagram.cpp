// The receive path over a real socket: one exact line per datagram, errors reported.
#include "support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

class Reception : public Brevand {
protected:
    void SetUp() override
    {
        Brevand::SetUp();
        // A zone away from UTC, so that a time written in UTC shows.
        setenv("TZ", "America/New_York", 1);
        tzset();
        OpenTestListener();
        OpenLog("brevand.log");
    }

    // Sends and receives one datagram; returns what it added to the log.
    std::string Roundtrip(const std::string& bytes, unsigned short fromPort = 0)
    {
        size_t before = ReadFile(Path("brevand.log")).size();
        SendDatagram(bytes, fromPort);
        usleep(2000);
        EXPECT_TRUE(OnSocketNotify(0));
        return ReadFile(Path("brevand.log")).substr(before);
    }
};

std::string LocalStamp()
{
    time_t now = time(nullptr);
    char out[32];
    strftime(out, sizeof out, "%b %d %H:%M:%S ", localtime(&now));
    return out;
}

}  // namespace

TEST_F(Reception, LineIsTimestampSenderLabelAndText)
{
    std::string before = LocalStamp();
    std::string line = Roundtrip("<34>login failed", 1024);
    std::string after = LocalStamp();
    ASSERT_EQ(line.size(), 16 + std::string("127.0.0.1:1024 <Auth.Crit> login failed\r\n").size());
    EXPECT_TRUE(line.substr(0, 16) == before || line.substr(0, 16) == after)
        << "written " << line.substr(0, 16) << ", local time " << before;
    EXPECT_EQ(line.substr(16), "127.0.0.1:1024 <Auth.Crit> login failed\r\n");
    EXPECT_EQ(MessageCount, 1);
    EXPECT_EQ(LastDatagram.Length, 16);
    EXPECT_STREQ(LastDatagram.SenderText, "127.0.0.1:1024 ");
}

TEST_F(Reception, TextIsWrittenUnchanged)
{
    struct {
        std::string datagram;
        std::string tail;
    } cases[] = {
        {"<13>line\n", "<User.Notice> line\n\r\n"},
        {std::string("<13>abc\0def", 11), "<User.Notice> abc\r\n"},
        {"<13>%s%n%d%x%% %999999999s %*.*f", "<User.Notice> %s%n%d%x%% %999999999s %*.*f\r\n"},
        {"%n%n%n%s", "<none> %n%n%n%s\r\n"},
        {"<13>\x01\x7f\xff\xe9t\xe9\t", "<User.Notice> \x01\x7f\xff\xe9t\xe9\t\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.datagram);
        std::string line = Roundtrip(c.datagram);
        ASSERT_GT(line.size(), 16u);
        size_t label = line.find(" <");
        ASSERT_NE(label, std::string::npos);
        EXPECT_EQ(line.substr(label + 1), c.tail);
    }
}

TEST_F(Reception, SixHundredBytesAreLoggedWholeAndMoreGiveAnError)
{
    std::string full = "<13>" + std::string(596, 'a');
    std::string line = Roundtrip(full);
    EXPECT_NE(line.find(" " + std::string(596, 'a') + "\r\n"), std::string::npos);
    EXPECT_EQ(LastDatagram.Length, 600);

    std::string over = "<14>" + std::string(597, 'Q');
    std::string report = Roundtrip(over);
    EXPECT_EQ(report.find('Q'), std::string::npos) << "nothing of the long datagram is logged";
    EXPECT_EQ(report.rfind("\r\nSOCKET ERROR: ", 0), 0u) << report;
    EXPECT_NE(report.find("Error in LogRequest, error 10040"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 4), "\r\n\r\n");
    // The last good datagram is still the one the dump shows.
    EXPECT_EQ(LastDatagram.Length, 600);
    EXPECT_EQ(Model.Beeps, 0);
    EXPECT_TRUE(Model.Boxes.empty());

    // The listener goes on as before.
    EXPECT_NE(Roundtrip("<13>after").find("<User.Notice> after\r\n"), std::string::npos);
}

TEST_F(Reception, ErrorEventIsCountedAndLoggedWithoutReceiving)
{
    SendDatagram("<13>waiting");
    usleep(2000);
    size_t before = ReadFile(Path("brevand.log")).size();
    EXPECT_FALSE(OnSocketNotify(10050L << 16));
    EXPECT_EQ(MessageCount, 1);
    std::string report = ReadFile(Path("brevand.log")).substr(before);
    EXPECT_EQ(report,
              "\r\nSOCKET ERROR: The network is down. (|-- Error on listen socket, error 10050)\r\n\r\n");
    EXPECT_TRUE(OnSocketNotify(0));
    EXPECT_EQ(MessageCount, 2);
    EXPECT_NE(ReadFile(Path("brevand.log")).find("<User.Notice> waiting\r\n"), std::string::npos);
}

TEST_F(Brevand, TakenPortEndsTheListenerWithBeepsAndAMessage)
{
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(SYSLOG_PORT);
    ASSERT_EQ(bind(s, (sockaddr*)&a, sizeof a), 0);
    EXPECT_EQ(OpenListener(), 0);
    close(s);
    EXPECT_EQ(Model.Beeps, 3);
    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Caption, "BREVAND Error");
    EXPECT_NE(Model.Boxes[0].Text.find("already in use"), std::string::npos) << Model.Boxes[0].Text;
    EXPECT_NE(Model.Boxes[0].Text.find("(Error binding Logging Socket, error 10048)"),
              std::string::npos);
}

// A message box inside LogPrint runs other events before the line is done.
TEST_F(Brevand, LineInterruptedByANestedDatagramStaysWhole)
{
    ASSERT_TRUE(AllocScreenBuffer(6000));
    WriteFile(Path("brevand.log"), std::string(190, 'o'));
    OpenLog("brevand.log", 200, 2);
    Model.FailOpens = 1;  // the reopen after the rotation fails ...
    Model.Inside = [this] {
        // ... and while its message box is up, the operator fixes the log
        // and another datagram arrives.
        SplitLogName();
        Inject("<19>nested", "10.0.0.9", 2000);
        EXPECT_TRUE(OnSocketNotify(0));
    };
    Inject("<34>outer text");
    EXPECT_TRUE(OnSocketNotify(0));

    ASSERT_EQ(Model.Boxes.size(), 1u);
    EXPECT_EQ(Model.Boxes[0].Text, "Error opening log file !");
    EXPECT_EQ(Model.Boxes[0].Caption, " Brevand");
    EXPECT_EQ(Model.Boxes[0].Flags, (unsigned)PLAT_MB_ICONERROR);

    // The rotation took the old text and the outer timestamp.
    std::string archive = ReadFile(Path("brevand.000"));
    EXPECT_EQ(archive.substr(0, 190), std::string(190, 'o'));
    EXPECT_TRUE(IsTimestamp(archive.substr(190)));
    // The nested line is whole, and the outer line goes on with its own parts.
    std::vector<std::string> live = Lines(ReadFile(Path("brevand.log")));
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[0].substr(16), "10.0.0.9:2000 <Mail.Err> nested\r\n");
    EXPECT_EQ(live[1], "10.0.0.5:1024 <Auth.Crit> outer text\r\n");

    std::string screen = ScreenBuffer.Text;
    EXPECT_EQ(screen.find("Error 5 opening log file\r\n"), 0u);
    EXPECT_NE(screen.find("10.0.0.9:2000 <Mail.Err> nested\r\n"), std::string::npos);
    EXPECT_EQ(screen.substr(screen.size() - live[1].size()), live[1]);
    EXPECT_EQ(MessageCount, 2);
}
