// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#ifndef BREVAND_E2E_DRIVER_H
#define BREVAND_E2E_DRIVER_H

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>

#include "res/resource.h"

inline std::string BrevandExe;  // full path, set by main()

// Polls every 20 ms until done() holds or ms have passed; the last answer.
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

// WM_GETTEXT and WM_SETTEXT to a window of another process, at most 3 s each, so that a hung program
// fails a check instead of hanging the run.
inline std::string WindowText(HWND window)
{
    DWORD_PTR length = 0, copied = 0;
    if (!window || !SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &length))
        return "";
    std::string text(length + 1, '\0');
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 3000,
                        &copied);
    return text.substr(0, copied);
}

inline bool SetText(HWND window, const std::string& text)
{
    DWORD_PTR done = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 3000, &done);
    return done;
}

// Read while the program may be writing it; "" when absent.
inline std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string data;
    char chunk[4096];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        data.append(chunk, got);
    CloseHandle(file);
    return data;
}

// No other process holds the file open.
inline bool FileIsClosed(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

inline std::string IniPath()
{
    char dir[MAX_PATH] = "";
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\Brevand.ini";
}

inline std::string LocalStamp()
{
    SYSTEMTIME t;
    char text[32];
    GetLocalTime(&t);
    snprintf(text, sizeof text, "%.3s %02u %02u:%02u:%02u", "JanFebMarAprMayJunJulAugSepOctNovDec" + 3 * (t.wMonth - 1),
             t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

// A syslog sender on 127.0.0.1; Sender(514) holds port 514 instead, so that the program's bind fails.
class Sender {
public:
    explicit Sender(unsigned short port = 0) : socket_(socket(AF_INET, SOCK_DGRAM, 0)), port_(0)
    {
        sockaddr_in local = {AF_INET, htons(port), {}, {}};
        local.sin_addr.s_addr = htonl(port ? INADDR_ANY : INADDR_LOOPBACK);
        int length = sizeof local;
        if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
            getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == 0)
            port_ = ntohs(local.sin_port);
    }
    ~Sender() { closesocket(socket_); }
    bool Bound() const { return port_ != 0; }
    bool Send(const std::string& datagram) const
    {
        sockaddr_in to = {AF_INET, htons(514), {}, {}};
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = static_cast<int>(datagram.size());
        return sendto(socket_, datagram.data(), size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) == size;
    }
    std::string Peer() const { return "127.0.0.1:" + std::to_string(port_) + " "; }

private:
    SOCKET socket_;
    unsigned short port_;
};

// brevand.exe run in a fresh folder under %TEMP%; the destructor ends it and removes the folder.
class Brevand {
public:
    Brevand()
    {
        static int serial = 0;
        char temp[MAX_PATH] = "", full[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        std::string dir = temp + ("brevand-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++serial));
        CreateDirectoryA(dir.c_str(), nullptr);
        DWORD n = GetLongPathNameA(dir.c_str(), full, sizeof full);  // the program shows the long name
        dir_ = n > 0 && n < sizeof full ? full : dir;
    }
    ~Brevand()
    {
        if (Running())
            TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        system(("rmdir /s /q \"" + dir_ + "\" 2>nul").c_str());
    }
    std::string PathIn(const char* name) const { return dir_ + "\\" + name; }
    std::string DefaultLog() const { return PathIn("brevand.log"); }

    // Writes Brevand.ini, "$DIR" standing for the run's folder; "" removes it.
    bool WriteIni(std::string text) const
    {
        for (size_t at; (at = text.find("$DIR")) != std::string::npos;)
            text.replace(at, 4, dir_);
        DeleteFileA(IniPath().c_str());
        FILE* file = text.empty() ? nullptr : fopen(IniPath().c_str(), "wb");
        return !file || (fwrite(text.data(), 1, text.size(), file) == text.size()) + (fclose(file) == 0) == 2;
    }

    bool Launch()
    {
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION();
        std::string commandLine = "\"" + BrevandExe + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(BrevandExe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(),
                              &startup, &process_);
    }
    // The start-up About box; pressOk closes it early.
    HWND WaitAboutBox(bool pressOk)
    {
        HWND box = WaitBox("About Brevand", 15000);
        if (box && pressOk && Press(box, IDOK))
            WaitUntil([&] { return !IsWindowVisible(box); });
        return box;
    }
    // Start-up is done when the status bar has its text.
    bool WaitReady()
    {
        WaitUntil([&] {
            main_ = Find("brevandClass", "Windows Brevand");
            view_ = FindWindowExA(main_, nullptr, "Edit", nullptr);
            status_ = FindWindowExA(main_, nullptr, "msctls_statusbar32", nullptr);
            return !Running() || WindowText(status_).compare(0, 10, "LogFile: '") == 0;
        }, 15000);
        return Running() && status_;
    }
    bool StartQuickly() { return Launch() && WaitAboutBox(true) && WaitReady(); }
    bool Running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when still running after 10 s.
    int WaitExit() const
    {
        DWORD code = 0;
        return WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process_.hProcess, &code)
                   ? static_cast<int>(code)
                   : -1;
    }
    // WM_CLOSE (or Exit from the menu), then Yes to the question.
    int Quit(bool viaMenu = false) const
    {
        viaMenu ? Command(IDM_EXIT) : static_cast<void>(PostMessageA(main_, WM_CLOSE, 0, 0));
        return Answer("Exit BREVAND", IDYES) == "       Exit Windows BREVAND ?" ? WaitExit() : -1;
    }

    HWND Main() const { return main_; }
    HWND View() const { return view_; }
    HWND StatusBar() const { return status_; }
    std::string ViewText() const { return WindowText(view_); }
    bool WaitView(const std::string& text) const { return WaitUntil([&] { return ViewText() == text; }); }
    bool WaitStatus(const std::string& path, int count) const
    {
        std::string text = "LogFile: '" + path + "'   Total Messages: '" + std::to_string(count) + "'";
        return WaitUntil([&] { return WindowText(status_) == text; });
    }
    void Command(int id) const { PostMessageA(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // A dialog (class #32770) of the program with this caption.
    HWND WaitBox(const char* caption, int ms = 5000) const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = Find("#32770", caption)) != nullptr; }, ms);
        return found;
    }
    // Posted: the button's command may open a modal box.
    static bool Press(HWND dialog, int id) { return PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Waits for a message box, presses button; the box's text.
    std::string Answer(const char* caption, int button = IDOK) const
    {
        HWND box = WaitBox(caption);
        std::string text = box ? WindowText(GetDlgItem(box, 0xFFFF)) : "(no box " + std::string(caption) + ")";
        if (box && Press(box, button))
            WaitUntil([&] { return !IsWindowVisible(box); });
        return text;
    }

private:
    // The first visible top-level window of the program with this class and caption.
    HWND Find(const char* windowClass, const char* caption) const
    {
        DWORD owner = 0;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, windowClass, caption)) != nullptr;) {
            GetWindowThreadProcessId(w, &owner);
            if (owner == process_.dwProcessId && IsWindowVisible(w))
                return w;
        }
        return nullptr;
    }

    std::string dir_;
    PROCESS_INFORMATION process_ = {};
    HWND main_ = nullptr, view_ = nullptr, status_ = nullptr;
};

// Base of the suites whose cases share one run of the program, in their order: a start costs seconds.
class OneRun : public testing::Test {
protected:
    static void Start(const std::string& ini)
    {
        app = new Brevand();
        sender = new Sender();
        count = 0;
        ready = app->WriteIni(ini) && app->StartQuickly();
    }
    static void TearDownTestSuite()
    {
        delete app;
        delete sender;
    }
    void SetUp() override { ASSERT_TRUE(ready && app->Running()) << "the program did not start or has ended"; }

    // Sends a datagram, counts it, waits for its line at the end of the file at path; the line with its stamp.
    static std::string SendLogged(const std::string& path, const std::string& datagram, const std::string& label,
                                  const std::string& text)
    {
        std::string tail = sender->Peer() + label + " " + text + "\r\n";
        EXPECT_TRUE(sender->Send(datagram));
        count++;
        EXPECT_TRUE(WaitUntil([&] { return EndsWith(ReadWholeFile(path), tail); })) << "no " << tail;
        std::string log = ReadWholeFile(path);
        return log.substr(log.size() - std::min(log.size(), tail.size() + 16));
    }
    static std::string Statistics(const std::string& path, size_t shown, int screenSize, int flushTime)
    {
        return "Log FileName   \t: " + path + "\r\nSize of Screen  \t: " + std::to_string(shown) + " / " +
               std::to_string(screenSize) + "\r\nTotal Messages  \t: " + std::to_string(count) +
               "\r\nFlush writes (s)\t: " + std::to_string(flushTime);
    }

    static inline Brevand* app = nullptr;
    static inline Sender* sender = nullptr;
    static inline bool ready = false;
    static inline int count = 0;
};

#endif
