// The log on a small disk that fills up, stays full while lines arrive, and is cleared again.
#include "driver.h"

#include <regex>
#include <sstream>

namespace {

TEST(SmallDisk, LinesWaitOrAreCountedAndWritingResumesByItself)
{
    const char* disk = getenv("BREVAND_SMALL_DISK");
    if (disk == nullptr)
        GTEST_SKIP() << "no small disk: " << (getenv("BREVAND_SMALL_DISK_WHY") ? getenv("BREVAND_SMALL_DISK_WHY") : "");
    std::string dir = std::string("Z:") + disk;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    Brevand app("[Brevand]\r\nLogName=" + dir + "\\small.log\r\nLogSize=1000000\r\nLogsNum=20\r\nFlushTime=0\r\n");
    ASSERT_TRUE(app.Launch(true) && app.WaitReady());
    // The rest of the disk goes to a filler, to the last byte.
    HANDLE filler = CreateFileA((dir + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    static char block[65536];
    DWORD wrote = 0;
    for (DWORD n = sizeof block; n > 0; n /= 2)
        while (WriteFile(filler, block, n, &wrote, nullptr) && wrote == n) {}
    CloseHandle(filler);

    // 7,000 lines of 600 bytes: more than the 4 MiB that may wait.
    Sender sender;
    const int total = 7000;
    auto send = [&](int from, int to) {
        for (int i = from; i < to; i++, i % 50 ? 0 : (Sleep(40), 0))
            sender.Send("<13>seq=" + std::to_string(i) + " " + std::string(590 - std::to_string(i).size(), 'x'));
    };
    int sent = 0;  // the log file's last page of the disk still takes a few
    while (sent < 100 && !app.WaitBox(" Brevand", 100))
        send(sent, sent + 1), sent++;
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app.view).find("Error 112 writing log file: ") != std::string::npos; }));
    EXPECT_EQ(app.Answer(" Brevand"), "Error writing log file !");
    send(sent, total);
    std::regex failing("LogFile: '.*small.log' is NOT being written \\(error 112\\): (\\d+) lines wait, (\\d+) lost   "
                       "Total Messages: '7000'");
    std::smatch counts;
    std::string status;
    EXPECT_TRUE(WaitUntil([&] { return std::regex_match(status = WindowText(app.status), counts, failing); }, 10000))
        << status;
    EXPECT_GT(std::stoi(counts[2]), 0) << "nothing was lost: the test sent too little";

    DWORD cleared = GetTickCount();
    ASSERT_TRUE(DeleteFileA((dir + "\\filler").c_str()));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app.status).find("NOT") == std::string::npos; }, 15000));
    printf("writing resumed %lu ms after the disk was cleared; %s lines waited, %s were lost\n",
           GetTickCount() - cleared, counts[1].str().c_str(), counts[2].str().c_str());
    EXPECT_TRUE(WaitUntil([&] { return WindowText(app.view).find("The log file is written again: ") != std::string::npos; }));

    // Every line once, whole and in order, or counted by the record of the loss.
    std::string all;
    for (int i = 20; i >= 0; i--) {
        char archive[16];
        snprintf(archive, sizeof archive, "\\small.%03d", i);
        all += ReadWholeFile(dir + archive);
    }
    std::istringstream lines(all + ReadWholeFile(dir + "\\small.log"));
    int next = 0, lost = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (std::regex_match(line, m, std::regex(".{16}(.*)<User\\.Notice> seq=(\\d+) (x+)\r")) &&
            m[1] == sender.Peer() && m[3].length() == 590 - m[2].length()) {
            EXPECT_EQ(std::stoi(m[2]), next) << "out of order, twice, or missing";
            next = std::stoi(m[2]) + 1;
        } else if (std::regex_match(line, m, std::regex("---- (\\d+) lines lost from .* ----\r"))) {
            lost += std::stoi(m[1]);
            next += std::stoi(m[1]);
        } else {
            EXPECT_NE(line.find("Windows BREVAND is opened"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(next, total);
    EXPECT_EQ(lost, std::stoi(counts[2]));
}

}  // namespace
