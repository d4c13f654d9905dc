// The texts behind the Dump and Statistics boxes and the Options checks.
#include "support.h"

#include "app/info_text.h"
#include "config/option_checks.h"

TEST_F(Brevand, DumpShowsTheFirst64BytesWhateverWasReceived)
{
    char text[INFO_TEXT_SIZE];
    FormatPacketDump(text, sizeof text);
    std::string zeros = "\r\n";
    for (int i = 0; i < 16; i++)
        zeros += "00 ";
    EXPECT_EQ(std::string(text), "Last received 0 bytes from " + zeros + zeros + zeros + zeros);

    OpenLog("brevand.log");
    Inject("<13>0123456789abcdefghij");
    ReceiveDatagram();
    Inject("<1>xy", "192.168.1.20", 514);
    ReceiveDatagram();
    FormatPacketDump(text, sizeof text);
    EXPECT_EQ(std::string(text),
              "Last received 5 bytes from 192.168.1.20:514 "
              "\r\n3c 31 3e 78 79 00 32 33 34 35 36 37 38 39 61 62 "
              "\r\n63 64 65 66 67 68 69 6a 00 00 00 00 00 00 00 00 " +
                  zeros + zeros);
}

TEST_F(Brevand, StatisticsReportTheLiveValues)
{
    char text[INFO_TEXT_SIZE];
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", "C:\\logs\\brevand.log");
    FormatStatistics(text, sizeof text);
    EXPECT_STREQ(text,
                 "Log FileName   \t: C:\\logs\\brevand.log\r\nSize of Screen  \t: 0 / 6000\r\n"
                 "Total Messages  \t: 0\r\nFlush writes (s)\t: 3");
    ASSERT_TRUE(AllocScreenBuffer(6000));
    AppendToScreen("12345");
    MessageCount = 7;
    FormatStatistics(text, sizeof text);
    EXPECT_NE(std::string(text).find("\t: 5 / 6000\r\nTotal Messages  \t: 7\r\n"), std::string::npos);
}

TEST_F(Brevand, OptionChecksCorrectEachValueWithItsMessage)
{
    struct {
        int32_t logSize, logsNum, flushTime, screenSize;
        int32_t outLogSize, outLogsNum, outFlushTime, outScreenSize;
        std::vector<std::pair<std::string, std::string>> messages;
    } cases[] = {
        {100000, 2, 3, 6000, 100000, 2, 3, 6000, {}},
        {200, 1, 0, 1000, 200, 1, 0, 1000, {}},
        {2000000000, 1000, 30, 32000, 2000000000, 1000, 30, 32000, {}},
        {199, 0, 31, 50000, 200, 1, 30, 32000,
         {{"Log size (199) is too small. Adjusted to 200.", " Invalid LogSize"},
          {"Number of logs (0) is too small. Adjusted to 1.", " Invalid NumOfLogs"},
          {"FlushTime (31) is too high. Adjusted to 30.", " Invalid FlushTime"},
          {"Screen size (50000) is too large. Adjusted to 32000.", " Invalid ScreenSize"}}},
        // Entries of 2^31 and more read as negative: too small.
        {INT32_MIN, 1001, -5, 0, 200, 1000, 0, 1000,
         {{"Log size (-2147483648) is too small. Adjusted to 200.", " Invalid LogSize"},
          {"Number of logs (1001) is too high. Adjusted to 1000.", " Invalid NumOfLogs"},
          {"FlushTime (-5) is too small. Adjusted to 0.", " Invalid FlushTime"},
          {"Screen size (0) is too small. Adjusted to 1000.", " Invalid ScreenSize"}}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.logSize);
        OptionMessage messages[4];
        int n = CheckOptionValues(&c.logSize, &c.logsNum, &c.flushTime, &c.screenSize, messages);
        EXPECT_EQ(c.logSize, c.outLogSize);
        EXPECT_EQ(c.logsNum, c.outLogsNum);
        EXPECT_EQ(c.flushTime, c.outFlushTime);
        EXPECT_EQ(c.screenSize, c.outScreenSize);
        ASSERT_EQ(n, (int)c.messages.size());
        for (int i = 0; i < n; i++) {
            EXPECT_EQ(messages[i].Text, c.messages[i].first);
            EXPECT_STREQ(messages[i].Caption, c.messages[i].second.c_str());
        }
    }
}

TEST_F(Brevand, MessageCountGoesPast32Bits)
{
    MessageCount = INT32_MAX;
    Inject("<13>one more");
    OnSocketNotify(0);
    EXPECT_EQ(MessageCount, (int64_t)INT32_MAX + 1);
    char text[INFO_TEXT_SIZE];
    FormatStatistics(text, sizeof text);
    EXPECT_NE(std::string(text).find("Total Messages  \t: 2147483648\r\n"), std::string::npos) << text;
}
