// Nothing lost: bursts through the real listener, every line found exactly once.
#include "support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

// Realistic datagrams, or short ones where many must fit the archives.
void SendNumbered(int first, int count, bool brief)
{
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(SYSLOG_PORT);
    char text[128];
    for (int i = first; i < first + count; i++) {
        int len = snprintf(text, sizeof text,
                           brief ? "<134>seq=%07d"
                                 : "<134>Dec  6 20:15:01 web01 nginx[2211]: GET /index.html 200 seq=%07d",
                           i);
        sendto(s, text, (size_t)len, 0, (sockaddr*)&a, sizeof a);
    }
    close(s);
}

// Receives until count lines came or nothing arrives for a second.
int ReceiveLines(int count)
{
    int got = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (got < count && std::chrono::steady_clock::now() < deadline && WaitForDatagram(1000)) {
        OnSocketNotify(0);
        got++;
    }
    return got;
}

// Counts each sequence number over the concatenated text.
std::vector<int> CountSequences(const std::string& text, int total)
{
    std::vector<int> seen((size_t)total, 0);
    for (const std::string& line : Lines(text)) {
        size_t at = line.find("seq=");
        if (at == std::string::npos || line.size() < 2 || line.substr(line.size() - 2) != "\r\n")
            continue;
        int n = atoi(line.c_str() + at + 4);
        if (n >= 0 && n < total)
            seen[(size_t)n]++;
    }
    return seen;
}

void ExpectEachOnce(const std::vector<int>& seen)
{
    int missing = 0, doubled = 0;
    for (int c : seen) {
        missing += c == 0;
        doubled += c > 1;
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(doubled, 0);
}

}  // namespace

TEST_F(Brevand, FlatOutBurstIsLoggedWhole)
{
    OpenTestListener();
    OpenLog("brevand.log", 100000000, 2);
    const int total = 10000;
    std::thread sender(SendNumbered, 0, total, false);
    int got = ReceiveLines(total);
    sender.join();
    EXPECT_EQ(got, total);
    ExpectEachOnce(CountSequences(ReadFile(Path("brevand.log")), total));
}

TEST_F(Brevand, EveryLineOnceAcrossHundredsOfRotations)
{
    OpenTestListener();
    OpenLog("brevand.log", 2000, 1000);
    const int total = 20000;
    for (int first = 0; first < total; first += 1000) {
        std::thread sender(SendNumbered, first, 1000, true);
        ReceiveLines(1000);
        sender.join();
    }
    // Oldest archive first; a line cut by a rotation joins up again.
    std::string all;
    char name[ARCHIVE_NAME_SIZE];
    int archives = 0;
    for (int i = 1000; i >= 0; i--) {
        ArchiveName(i, name);
        if (Exists(name)) {
            all += ReadFile(name);
            archives++;
        }
    }
    all += ReadFile(Path("brevand.log"));
    EXPECT_GT(archives, 500);
    ExpectEachOnce(CountSequences(all, total));
}
