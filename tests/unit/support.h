// Shared fixture of the host tests: a fresh folder, fresh program state, a clock that moves only when told.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/posix/model.h"
#include "reception/reception.h"
#include "view/view.h"

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path) << bytes; }

// One socket event for a datagram handed to the receive path without the network.
inline void Receive(const std::string& bytes, const char* from = "10.0.0.5", unsigned short port = 1024)
{
    Model.Injected.push_back({bytes, {}, port});
    inet_pton(AF_INET, from, Model.Injected.back().From);
    EXPECT_TRUE(ModelReadEvent()) << "no notification would come";
    EXPECT_TRUE(OnSocketNotify(0));
}

// Every message box so far, "caption: text" each, one a line.
inline std::string Boxes()
{
    std::string all;
    for (const ModelMessageBox& b : Model.Boxes)
        all += b.Caption + ": " + b.Text + "\n";
    return all;
}

class Brevand : public ::testing::Test {
protected:
    void SetUp() override
    {
        char templ[] = "/tmp/brevand-test-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        ASSERT_EQ(chdir(Dir.assign(templ).c_str()), 0);
        ResetModel();
        Model.TickSet = true;
        PlatSocketNotifyOnRead();
        ResetSettings();
        ResetReception();
        ResetLogFile();
        FreeScreenBuffer();
        ScreenBuffer = ScreenBufferRecord{};
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }
    void Fresh() { TearDown(), SetUp(); }  // for each case of a table that needs a clean start
    // Points LogName at name inside the test folder and opens the log.
    void OpenLog(int logSize = LOGSIZE_DEFAULT, int logsNum = 2, const std::string& name = "brevand.log")
    {
        snprintf(Settings.LogName, sizeof Settings.LogName, "%s", Path(name).c_str());
        Settings.LogSize = logSize;
        Settings.LogsNum = logsNum;
        SplitLogName();
    }
    void AllocScreen(int size = SCREENSIZE_DEFAULT) { ASSERT_TRUE(AllocScreenBuffer(Settings.ScreenSize = size)); }
    std::string Path(const std::string& name) const { return Dir + "/" + name; }
    std::map<std::string, std::string> Files() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(Dir))
            if (e.is_regular_file())
                files[e.path().filename()] = ReadFile(e.path());
        return files;
    }
    std::string Dir;
};
