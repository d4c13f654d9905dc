// Shared fixture of the host tests: a fresh folder and fresh program state.
#include "support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

void Brevand::SetUp()
{
    char templ[] = "/tmp/brevand-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    Dir = templ;
    ASSERT_EQ(chdir(Dir.c_str()), 0);
    ResetModel();
    Model.WindowsDirectory = Dir;
    ResetSettings();
    ResetReception();
    CloseLogFile();
    LogFileState = LogFileRecord{"", "log", PLAT_NO_FILE, 0, 0};
    FreeScreenBuffer();
    ScreenBuffer = ScreenBufferRecord{};
}

void Brevand::TearDown()
{
    CloseLogFile();
    FreeScreenBuffer();
    ResetModel();
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_EQ(system(("rm -rf '" + Dir + "'").c_str()), 0);
}

void Brevand::OpenLog(const std::string& name, int logSize, int logsNum)
{
    snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Path(name).c_str());
    Settings.LogSize = logSize;
    Settings.LogsNum = logsNum;
    SplitLogName();
}

std::map<std::string, std::string> Brevand::Files() const
{
    std::map<std::string, std::string> files;
    DIR* d = opendir(Dir.c_str());
    while (struct dirent* e = d ? readdir(d) : nullptr)
        if (e->d_type == DT_REG)
            files[e->d_name] = ReadFile(Path(e->d_name));
    if (d)
        closedir(d);
    return files;
}

std::string ReadFile(const std::string& path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Receive(const std::string& bytes, const char* from, unsigned short port)
{
    ModelDatagram d{bytes, {0, 0, 0, 0}, port};
    inet_pton(AF_INET, from, d.From);
    Model.Injected.push_back(d);
    EXPECT_TRUE(OnSocketNotify(0));
}

std::string LocalStamp()
{
    time_t now = time(nullptr);
    char out[32];
    strftime(out, sizeof out, "%b %d %H:%M:%S ", localtime(&now));
    return out;
}
