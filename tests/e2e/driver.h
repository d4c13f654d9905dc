// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#ifndef BREVAND_E2E_DRIVER_H
#define BREVAND_E2E_DRIVER_H

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>

#include "res/resource.h"

inline std::string BrevandExe;  // full path, set by main()
const char IniPath[] = "C:\\windows\\Brevand.ini";  // the Windows folder of a fresh Wine prefix
const char ExitQuestion[] = "       Exit Windows BREVAND ?";

// Polls every 20 ms until done() holds or ms have passed; EXPECT_FALSE(WaitUntil(...)) waits for what must not come.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 3000)
{
    for (DWORD start = GetTickCount(); static_cast<int>(GetTickCount() - start) < ms; Sleep(20))
        if (done())
            return true;
    return done();
}

inline bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// At most 3 s a message to the other process, so that a hung program fails a check, not the run.
inline std::string WindowText(HWND window)
{
    char text[40000];
    DWORD_PTR got = 0;
    return SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 3000, &got)
               ? std::string(text, got) : "";
}

// Read while the program may be writing it; "" when absent.
inline std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string data;
    char chunk[4096];
    for (DWORD got; ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0;)
        data.append(chunk, got);
    CloseHandle(file);
    return data;
}

inline bool FileIsClosed(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

// The syslog sender: one socket on 127.0.0.1 for the whole run, bound by main().
inline SOCKET Sending = INVALID_SOCKET;

inline bool Send(const std::string& datagram)
{
    sockaddr_in to = {AF_INET, htons(514), {}, {}};
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = static_cast<int>(datagram.size());
    return sendto(Sending, datagram.data(), size, 0, (sockaddr*)&to, sizeof to) == size;
}

// The sender as its lines name it.
inline std::string Peer()
{
    sockaddr_in local = {};
    int length = sizeof local;
    getsockname(Sending, (sockaddr*)&local, &length);
    return "127.0.0.1:" + std::to_string(ntohs(local.sin_port)) + " ";
}

// brevand.exe in a fresh folder, with Brevand.ini from ini ("$DIR" for the folder, "" for none); ended when destroyed.
struct Brevand {
    explicit Brevand(std::string ini)
    {
        static int serial = 0;
        char here[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof here, here);
        dir = here + ("\\run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        CreateDirectoryA(dir.c_str(), nullptr);
        ini = std::regex_replace(ini, std::regex("\\$DIR"), dir);
        DeleteFileA(IniPath);
        if (FILE* file = ini.empty() ? nullptr : fopen(IniPath, "wb")) {
            fwrite(ini.data(), 1, ini.size(), file);
            fclose(file);
        }
    }
    ~Brevand()
    {
        TerminateProcess(process.hProcess, 99);  // fails where it has ended
        WaitForSingleObject(process.hProcess, 5000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        system(("rmdir /s /q \"" + dir + "\" 2>nul").c_str());
    }
    std::string PathIn(const char* name) const { return dir + "\\" + name; }
    // Starts the program; the start-up About box, closed with OK when pressOk.
    HWND Launch(bool pressOk)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(BrevandExe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                            &process))
            return nullptr;
        HWND box = WaitBox("About Brevand", 15000);
        if (box && pressOk)
            Press(box, IDOK);
        return box;
    }
    // Start-up is done when the status bar has its text.
    bool WaitReady()
    {
        WaitUntil([&] {
            main = Find("brevandClass", "Windows Brevand");
            view = FindWindowExA(main, nullptr, "Edit", nullptr);
            status = FindWindowExA(main, nullptr, "msctls_statusbar32", nullptr);
            return !Running() || WindowText(status).compare(0, 10, "LogFile: '") == 0;
        }, 15000);
        return Running() && status;
    }
    bool Running() const { return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
    int WaitExit() const
    {
        DWORD code = 0;
        return WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
    }
    bool WaitView(const std::string& text) const { return WaitUntil([&] { return WindowText(view) == text; }); }
    bool WaitStatus(const std::string& path, int count, int ms = 3000) const
    {
        std::string text = "LogFile: '" + path + "'   Total Messages: '" + std::to_string(count) + "'";
        return WaitUntil([&] { return WindowText(status) == text; }, ms);
    }
    void Command(int id) const { PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    HWND WaitBox(const char* caption, int ms = 5000) const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = Find("#32770", caption)) != nullptr; }, ms);
        return found;
    }
    // Posted: the button's command may open a modal box.
    static bool Press(HWND dialog, int id) { return PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Waits for a message box, presses button; the box's text, once the box is gone.
    std::string Answer(const char* caption, int button = IDOK) const
    {
        HWND box = WaitBox(caption);
        std::string text = box ? WindowText(GetDlgItem(box, 0xFFFF)) : "(no box " + std::string(caption) + ")";
        return box && Press(box, button) && WaitUntil([&] { return !IsWindow(box); }) ? text : text + " (stayed open)";
    }
    // Its first visible top-level window of this class and caption (dialogs are "#32770").
    HWND Find(const char* windowClass, const char* caption) const
    {
        DWORD owner = 0;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, windowClass, caption)) != nullptr;)
            if (GetWindowThreadProcessId(w, &owner) && owner == process.dwProcessId && IsWindowVisible(w))
                return w;
        return nullptr;
    }

    std::string dir;
    PROCESS_INFORMATION process = {};
    HWND main = nullptr, view = nullptr, status = nullptr;
};

// Base of the suites whose cases share one run of the program, in their order: a start costs seconds.
class OneRun : public testing::Test {
protected:
    static void TearDownTestSuite() { delete app; }
    void SetUp() override { ASSERT_TRUE(ready && app->Running()) << "the program did not start or has ended"; }
    // Sends a datagram, counts it, waits for its line at the end of the file at path; the line.
    static std::string SendLogged(const std::string& path, const std::string& datagram, const std::string& tail)
    {
        std::string line = Peer() + tail + "\r\n";
        EXPECT_TRUE(Send(datagram));
        count++;
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(ReadWholeFile(path), line); })) << "no " << line;
        std::string log = ReadWholeFile(path);
        return log.substr(log.size() - std::min(log.size(), line.size() + 16));
    }

    static inline Brevand* app = nullptr;
    static inline bool ready = false;
    static inline int count = 0;
};

#endif
