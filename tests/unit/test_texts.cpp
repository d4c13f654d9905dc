// The texts of the Dump and Statistics boxes and of the Options corrections.
#include "support.h"

#include "app/info_text.h"
#include "config/option_checks.h"

// The dump shows the first 64 bytes of the receive area whatever was received; the count goes past 32 bits.
TEST_F(Brevand, DumpAndStatisticsTexts)
{
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", "C:\\logs\\brevand.log");
    Settings.FlushTime = 7;
    AllocScreen(1000);
    Receive("<13>0123456789abcdefghij");
    MessageCount = INT32_MAX;
    Receive("<1>xy", "255.255.255.255", 65535);
    char text[INFO_TEXT_SIZE];
    FormatPacketDump(text, sizeof text);
    std::string zeros = "\r\n";
    for (int i = 0; i < 16; i++)
        zeros += "00 ";
    EXPECT_EQ(text, "Last received 5 bytes from 255.255.255.255:65535 "
                    "\r\n3c 31 3e 78 79 00 32 33 34 35 36 37 38 39 61 62 "
                    "\r\n63 64 65 66 67 68 69 6a 00 00 00 00 00 00 00 00 " + zeros + zeros);
    FormatStatistics(text, sizeof text);  // the two lines have 66 and 55 bytes
    EXPECT_STREQ(text, "Log FileName   \t: C:\\logs\\brevand.log\r\nSize of Screen  \t: 121 / 1000\r\n"
                       "Total Messages  \t: 2147483648\r\nFlush writes (s)\t: 7");
}

TEST_F(Brevand, OptionChecksCorrectEachValueWithItsMessage)
{
    struct {
        int32_t logSize, logsNum, flushTime, screenSize;
        std::string expect;  // the corrected values, then the messages
    } cases[] = {
        {200, 1, 0, 1000, "200|1|0|1000\n"},
        {2000000000, 1000, 30, 32000, "2000000000|1000|30|32000\n"},
        {199, 0, 31, 50000, "200|1|30|32000\n"
                            " Invalid LogSize: Log size (199) is too small. Adjusted to 200.\n"
                            " Invalid NumOfLogs: Number of logs (0) is too small. Adjusted to 1.\n"
                            " Invalid FlushTime: FlushTime (31) is too high. Adjusted to 30.\n"
                            " Invalid ScreenSize: Screen size (50000) is too large. Adjusted to 32000.\n"},
        // Entries of 2^31 and more read as negative: too small.
        {INT32_MIN, 1001, -5, 0, "200|1000|0|1000\n"
                                 " Invalid LogSize: Log size (-2147483648) is too small. Adjusted to 200.\n"
                                 " Invalid NumOfLogs: Number of logs (1001) is too high. Adjusted to 1000.\n"
                                 " Invalid FlushTime: FlushTime (-5) is too small. Adjusted to 0.\n"
                                 " Invalid ScreenSize: Screen size (0) is too small. Adjusted to 1000.\n"},
    };
    for (auto& c : cases) {
        OptionMessage messages[4];
        int n = CheckOptionValues(&c.logSize, &c.logsNum, &c.flushTime, &c.screenSize, messages);
        std::string shown = std::to_string(c.logSize) + "|" + std::to_string(c.logsNum) + "|" +
                            std::to_string(c.flushTime) + "|" + std::to_string(c.screenSize) + "\n";
        for (int i = 0; i < n; i++)
            shown += std::string(messages[i].Caption) + ": " + messages[i].Text + "\n";
        EXPECT_EQ(shown, c.expect);
    }
}
