// Shared fixture of the host tests: a fresh folder and fresh program state.
#ifndef BREVAND_TEST_SUPPORT_H
#define BREVAND_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <map>
#include <string>

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
    // Every file of the test folder with its contents.
    std::map<std::string, std::string> Files() const;
    std::string Dir;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// One socket event for a datagram handed to the receive path without the network.
void Receive(const std::string& bytes, const char* from = "10.0.0.5", unsigned short port = 1024);
// "Mmm dd hh:mm:ss " of the local time now.
std::string LocalStamp();

#endif
