// Shared fixture of the host tests: a fresh folder, fresh state, real sockets.
#include "support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

void Brevand::SetUp()
{
    char templ[] = "/tmp/brevand-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    Dir = templ;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    OldDir = cwd;
    ASSERT_EQ(chdir(Dir.c_str()), 0);

    ResetModel();
    Model.WindowsDirectory = Dir;
    ResetSettings();
    ResetReception();
    CloseLogFile();
    LogFileState = LogFileRecord{"", "log", PLAT_NO_FILE, 0, 0};
    FreeScreenBuffer();
    ScreenBuffer = ScreenBufferRecord{nullptr, 0, 0, {0, 0, 0}};
}

void Brevand::TearDown()
{
    CloseLogFile();
    FreeScreenBuffer();
    ResetModel();
    if (chdir(OldDir.c_str()) != 0)
        ADD_FAILURE() << "cannot return to " << OldDir;
    std::string cmd = "rm -rf '" + Dir + "'";
    if (system(cmd.c_str()) != 0)
        ADD_FAILURE() << "cannot remove " << Dir;
}

void Brevand::OpenLog(const std::string& name, int logSize, int logsNum)
{
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Path(name).c_str());
    Settings.LogSize = logSize;
    Settings.LogsNum = logsNum;
    SplitLogName();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

void OpenTestListener()
{
    ASSERT_EQ(OpenListener(), 1) << "port 514 must be free, and the tests run as root";
}

void SendDatagram(const std::string& bytes, unsigned short fromPort)
{
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fromPort != 0) {
        a.sin_port = htons(fromPort);
        ASSERT_EQ(bind(s, (sockaddr*)&a, sizeof a), 0);
    }
    a.sin_port = htons(SYSLOG_PORT);
    ASSERT_EQ(sendto(s, bytes.data(), bytes.size(), 0, (sockaddr*)&a, sizeof a),
              (ssize_t)bytes.size());
    close(s);
}

void Inject(const std::string& bytes, const char* from, unsigned short port)
{
    ModelDatagram d;
    d.Bytes = bytes;
    inet_pton(AF_INET, from, d.From);
    d.Port = port;
    Model.Injected.push_back(d);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end + 2 - start));
        start = end + 2;
    }
    return lines;
}

bool IsTimestamp(const std::string& text)
{
    static const std::regex pattern(
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] ");
    return std::regex_match(text, pattern);
}
