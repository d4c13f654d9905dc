// Shared fixture of the host tests: a fresh folder, fresh state, real sockets.
#ifndef BREVAND_TEST_SUPPORT_H
#define BREVAND_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/posix/model.h"
#include "reception/reception.h"
#include "view/view.h"

class Brevand : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Points LogName at name inside the test folder and opens the log.
    void OpenLog(const std::string& name, int logSize = LOGSIZE_DEFAULT, int logsNum = 2);
    std::string Path(const std::string& name) const { return Dir + "/" + name; }

    std::string Dir;
    std::string OldDir;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> ListDir(const std::string& dir);

// Opens the real listener on UDP port 514.
void OpenTestListener();
// Sends bytes from a socket bound to 127.0.0.1:fromPort (0: any port).
void SendDatagram(const std::string& bytes, unsigned short fromPort = 0);
// Hands one datagram to the receive path without the network.
void Inject(const std::string& bytes, const char* from = "10.0.0.5", unsigned short port = 1024);

// The lines of text, each with its CR LF.
std::vector<std::string> Lines(const std::string& text);

// "Mmm dd hh:mm:ss " of the local time.
bool IsTimestamp(const std::string& text);

#endif
