// Priority decoding: every header form lands as the right label and message text.
#include "support.h"

namespace {

struct PriorityCase {
    const char* datagram;
    const char* label;
    const char* message;  // what follows the label's space
    int headerLength;
};

const PriorityCase Cases[] = {
    {"login failed", "<none>", "login failed", 0},
    {"", "<none>", "", 0},
    {"<13>hello", "<User.Notice>", "hello", 4},
    {"<34>login failed", "<Auth.Crit>", "login failed", 4},
    {"<0>boot", "<Kern.Emerg>", "boot", 3},
    {"<191>x", "<Local7.Debug>", "x", 5},
    {"<192>x", "<???.Emerg>", "x", 5},
    {"<-1>x", "<???.Debug>", "x", 4},
    {"< 13>x", "<User.Notice>", "x", 5},
    {"<\t+13>x", "<User.Notice>", "x", 6},
    {"<13 x", "<User.Notice>", "<13 x", 0},
    {"<13>", "<User.Notice>", "", 4},
    {"<>x", "<none>", "<>x", 0},
    {"<x>", "<none>", "<x>", 0},
    {"<->x", "<none>", "<->x", 0},
    {" <13>x", "<none>", " <13>x", 0},
    {"13>x", "<none>", "13>x", 0},
    {"<013>x", "<User.Notice>", "x", 5},
    {"<13><14>x", "<User.Notice>", "<14>x", 4},
    // Beyond 32 bits the number saturates: the largest positive, the most negative.
    {"<99999999999999999999>x", "<???.Debug>", "x", 22},
    {"<2147483647>x", "<???.Debug>", "x", 12},
    {"<-2147483648>x", "<???.Emerg>", "x", 13},
    {"<-99999999999999999999>x", "<???.Emerg>", "x", 23},
    {"<2147483648>x", "<???.Debug>", "x", 12},
};

}  // namespace

TEST_F(Brevand, PriorityHeaderGivesLabelAndMessage)
{
    OpenLog("brevand.log");
    for (const PriorityCase& c : Cases) {
        SCOPED_TRACE(std::string("datagram \"") + c.datagram + "\"");
        char label[PRIORITY_LABEL_SIZE];
        int32_t header = -1;
        DecodePriorityText(c.datagram, label, sizeof label, &header);
        EXPECT_STREQ(label, c.label);
        EXPECT_EQ(header, c.headerLength);

        // The same through the receive path, as the line in the file.
        size_t before = ReadFile(Path("brevand.log")).size();
        Inject(c.datagram);
        ReceiveDatagram();
        std::string line = ReadFile(Path("brevand.log")).substr(before);
        ASSERT_GE(line.size(), 16u);
        EXPECT_TRUE(IsTimestamp(line.substr(0, 16))) << line;
        EXPECT_EQ(line.substr(16), std::string("10.0.0.5:1024 ") + c.label + " " + c.message + "\r\n");
        EXPECT_STREQ(DecodePriority(), c.label);
        EXPECT_EQ(LastDatagram.HeaderLength, c.headerLength);
    }
}

TEST_F(Brevand, PeerAddressIsDottedWithPortAndSpace)
{
    char out[SENDER_TEXT_SIZE];
    const unsigned char a[4] = {192, 168, 1, 20};
    EXPECT_STREQ(FormatPeerAddress(a, 514, out, sizeof out), "192.168.1.20:514 ");
    // The widest sender fits its buffer.
    const unsigned char widest[4] = {255, 255, 255, 255};
    EXPECT_STREQ(FormatPeerAddress(widest, 65535, out, sizeof out), "255.255.255.255:65535 ");
}
