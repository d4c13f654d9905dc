// The log on a small disk that fills up, stays full while lines arrive, and is cleared again.
#include "driver.h"

#include <sstream>

// 7,000 lines of 600 bytes, more than the 4 MiB that may wait; the log's last page takes a few first.  Then every
// line once, whole and in order, and the record of those lost, which were the last ones sent.
TEST(SmallDisk, LinesWaitOrAreCountedAndWritingResumesByItself)
{
    const char *disk = getenv("BREVAND_SMALL_DISK"), *why = getenv("BREVAND_SMALL_DISK_WHY");
    if (disk == nullptr)
        GTEST_SKIP() << "no small disk: " << (why ? why : "run through scripts/small-disk.sh");
    std::string dir = std::regex_replace(std::string("Z:") + disk, std::regex("/"), "\\");
    Brevand app("[Brevand]\r\nLogName=" + dir + "\\small.log\r\nLogSize=100000000\r\nFlushTime=0\r\n");
    ASSERT_TRUE(app.Launch(true) && app.WaitReady());
    HANDLE filler = CreateFileA((dir + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    static char block[65536];
    DWORD wrote = 0;
    for (DWORD n = sizeof block; n > 0; n /= 2)  // to the last byte
        while (WriteFile(filler, block, n, &wrote, nullptr) && wrote == n) {}
    CloseHandle(filler);
    const int total = 7000;
    int sent = 0;
    auto text = [](int i) { return "seq=" + std::to_string(i) + " " + std::string(590 - std::to_string(i).size(), 'x'); };
    auto send = [&](int to) {
        for (; sent < to; sent++, sent % 50 ? 0 : (Sleep(40), 0))  // paced, so that the socket drops none
            Send("<13>" + text(sent));
    };
    while (sent < 100 && !app.WaitBox(" Brevand", 100))
        send(sent + 1);
    EXPECT_EQ(app.Answer(" Brevand"), "Error writing log file !");
    send(total);
    std::smatch counts;  // of the lines waiting and lost
    std::string status;
    EXPECT_TRUE(WaitUntil([&] {
        return std::regex_match(status = WindowText(app.status), counts, std::regex("LogFile: '.*' is NOT being "
                                "written \\(error 112\\): \\d+ lines wait, (\\d+) lost   Total Messages: '7000'"));
    }, 10000)) << status;
    const int lost = std::stoi(counts[1]);
    EXPECT_GT(lost, 0) << "nothing was lost: the test sent too little";
    ASSERT_TRUE(DeleteFileA((dir + "\\filler").c_str()));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app.status).find("NOT") == std::string::npos; }, 15000));
    std::istringstream lines(ReadWholeFile(dir + "\\small.log"));
    std::string line;
    EXPECT_TRUE(std::getline(lines, line) && line.find("Windows BREVAND is opened") != std::string::npos) << line;
    for (int i = 0; i < total - lost && std::getline(lines, line); i++)
        ASSERT_EQ(line.substr(16), Peer() + "<User.Notice> " + text(i) + "\r");
    EXPECT_TRUE(std::getline(lines, line) && line.find("---- " + std::to_string(lost) + " lines lost from ") == 0)
        << line;
    EXPECT_FALSE(std::getline(lines, line)) << line;
}
