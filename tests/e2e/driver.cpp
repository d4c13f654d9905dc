// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#include "driver.h"

#include "res/resource.h"

#include <iphlpapi.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::string BrevandExe;

namespace {

// The next visible top-level window of pid with this class and caption (nullptr: any).
HWND FindTopWindow(DWORD pid, const char* windowClass, const char* caption, HWND after = nullptr)
{
    DWORD owner = 0;
    while ((after = FindWindowExA(nullptr, after, windowClass, caption)) != nullptr) {
        GetWindowThreadProcessId(after, &owner);
        if (owner == pid && IsWindowVisible(after))
            break;
    }
    return after;
}

// A message to a window of another process; waits at most 3 s, so that a
// hung program fails a check instead of hanging the run.
bool SendRemote(HWND window, UINT message, WPARAM w, LPARAM l, DWORD_PTR* result)
{
    return window && SendMessageTimeoutA(window, message, w, l, SMTO_ABORTIFHUNG, 3000, result);
}

std::string IniPath()
{
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return (n == 0 || n >= sizeof dir) ? "Brevand.ini" : std::string(dir) + "\\Brevand.ini";
}

void RemoveFolder(const std::string& dir)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((dir + "\\" + entry.cFileName).c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

// A local time in 100 ns units, its milliseconds dropped.
uint64_t Ticks(SYSTEMTIME t)
{
    t.wMilliseconds = 0;
    FILETIME f = {0, 0};
    SystemTimeToFileTime(&t, &f);
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    for (DWORD start = GetTickCount(); static_cast<int>(GetTickCount() - start) < ms; Sleep(20))
        if (done())
            return true;
    return done();
}

std::string WindowText(HWND window)
{
    DWORD_PTR length = 0, copied = 0;
    if (!SendRemote(window, WM_GETTEXTLENGTH, 0, 0, &length))
        return "";
    std::vector<char> text(length + 2, '\0');
    if (!SendRemote(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied))
        return "";
    return std::string(text.data(), copied < text.size() ? copied : text.size() - 1);
}

bool SetWindowTextRemote(HWND window, const std::string& text)
{
    DWORD_PTR result = 0;
    return SendRemote(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &result) && result;
}

std::string DescribeDialogs(DWORD pid)
{
    std::string text;
    for (HWND window = nullptr; (window = FindTopWindow(pid, nullptr, nullptr, window)) != nullptr;) {
        char cls[64] = "", caption[256] = "";
        GetClassNameA(window, cls, sizeof cls);
        GetWindowTextA(window, caption, sizeof caption);
        text += std::string("[") + cls + "] \"" + caption + "\"";
        if (HWND label = GetDlgItem(window, 0xFFFF))
            text += ": \"" + WindowText(label) + "\"";
        text += "\n";
    }
    return text.empty() ? "(no windows)\n" : text;
}

RECT ChildRect(HWND child)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string data;
    char chunk[4096];
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        data.append(chunk, got);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return data;
}

bool FileIsClosed(const std::string& path)
{
    // An open without sharing succeeds only when nobody else holds the file.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

std::map<std::string, std::string> IniSection(const std::string& section)
{
    std::map<std::string, std::string> keys;
    bool inside = false;
    for (const std::string& line : SplitLines(ReadWholeFile(IniPath()))) {
        size_t equals = line.find('=');
        if (!line.empty() && line[0] == '[') {
            inside = _stricmp(line.c_str(), ("[" + section + "]").c_str()) == 0;
        } else if (inside && equals != std::string::npos) {
            std::string key = line.substr(0, equals);
            keys[keys.count(key) ? key + " (again)" : key] = line.substr(equals + 1);
        }
    }
    return keys;
}

bool StampWithin(const std::string& stamp, const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    // The stamp has no year: compare it with every second of the range.
    const uint64_t second = 10000000;
    for (uint64_t t = Ticks(from) - second; t <= Ticks(to) + second; t += second) {
        FILETIME f = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        SYSTEMTIME s;
        char text[32];
        FileTimeToSystemTime(&f, &s);
        const char* month = "JanFebMarAprMayJunJulAugSepOctNovDec" + 3 * (s.wMonth - 1);
        snprintf(text, sizeof text, "%.3s %02u %02u:%02u:%02u", month, s.wDay, s.wHour, s.wMinute, s.wSecond);
        if (stamp == text)
            return true;
    }
    return false;
}

bool Port514Taken()
{
    DWORD buffer[16384];
    ULONG size = sizeof buffer;
    MIB_UDPTABLE* table = reinterpret_cast<MIB_UDPTABLE*>(buffer);
    if (GetUdpTable(table, &size, FALSE) != NO_ERROR)
        return false;
    for (DWORD i = 0; i < table->dwNumEntries; i++)
        if (ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == 514)
            return true;
    return false;
}

Sender::Sender(unsigned short port) : socket_(socket(AF_INET, SOCK_DGRAM, 0)), port_(0)
{
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(port ? INADDR_ANY : INADDR_LOOPBACK);
    int length = sizeof local;
    if (socket_ != INVALID_SOCKET && bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == 0)
        port_ = ntohs(local.sin_port);
}

Sender::~Sender()
{
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
}

bool Sender::Send(const std::string& datagram)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(514);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sendto(socket_, datagram.data(), static_cast<int>(datagram.size()), 0,
                  reinterpret_cast<sockaddr*>(&to), sizeof to) == static_cast<int>(datagram.size());
}

Brevand::Brevand() : process_(), main_(nullptr), view_(nullptr), status_(nullptr)
{
    static int serial = 0;
    char temp[MAX_PATH], dir[MAX_PATH], full[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    snprintf(dir, sizeof dir, "%sbrevand-e2e-%lu-%d", n > 0 && n < sizeof temp ? temp : ".\\",
             GetCurrentProcessId(), ++serial);
    // Wine reuses process ids: a folder kept from an earlier run starts empty.
    RemoveFolder(dir);
    CreateDirectoryA(dir, nullptr);
    // The program shows the folder as its current directory: compare long names.
    n = GetLongPathNameA(dir, full, sizeof full);
    dir_ = (n > 0 && n < sizeof full) ? full : dir;
}

Brevand::~Brevand()
{
    if (process_.hProcess) {
        if (Running()) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    if (!getenv("BREVAND_E2E_KEEP"))
        RemoveFolder(dir_);
}

bool Brevand::WriteIni(const std::string& text)
{
    DeleteFileA(IniPath().c_str());
    if (text.empty())
        return !FileExists(IniPath());
    FILE* file = fopen(IniPath().c_str(), "wb");
    bool ok = file && fwrite(text.data(), 1, text.size(), file) == text.size();
    return file && fclose(file) == 0 && ok;
}

bool Brevand::Launch()
{
    if (process_.hProcess) {
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    process_ = PROCESS_INFORMATION();
    main_ = view_ = status_ = nullptr;
    std::string commandLine = "\"" + BrevandExe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(BrevandExe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(),
                       &startup, &process_))
        return true;
    fprintf(stderr, "cannot start %s: error %lu\n", BrevandExe.c_str(), GetLastError());
    process_ = PROCESS_INFORMATION();
    return false;
}

HWND Brevand::WaitAboutBox(bool pressOk)
{
    HWND box = WaitBox("About Brevand", 15000);
    if (box && pressOk && PressButton(box, IDOK))
        WaitWindowGone(box);
    return box;
}

bool Brevand::WaitReady()
{
    bool ready = WaitUntil(
        [&] {
            if (!Running())
                return true;
            if (!main_)
                main_ = FindTopWindow(Pid(), "brevandClass", "Windows Brevand");
            if (!main_ || FindTopWindow(Pid(), "#32770", "About Brevand") || !Port514Taken())
                return false;
            view_ = FindWindowExA(main_, nullptr, "Edit", nullptr);
            status_ = FindWindowExA(main_, nullptr, "msctls_statusbar32", nullptr);
            return view_ && status_ && StatusText().compare(0, 10, "LogFile: '") == 0;
        },
        15000);
    return ready && Running();
}

int Brevand::WaitExit()
{
    DWORD code = 0;
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.hProcess, &code))
        return -1;
    return static_cast<int>(code);
}

int Brevand::Quit(bool viaMenu)
{
    if (viaMenu)
        Command(IDM_EXIT);
    else
        PostMessageA(main_, WM_CLOSE, 0, 0);
    HWND box = WaitBox("Exit BREVAND");
    return box && PressButton(box, IDYES) ? WaitExit() : -1;
}

HWND Brevand::WaitBox(const char* caption, int ms) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(Pid(), "#32770", caption)) != nullptr; }, ms);
    return found;
}

std::string Brevand::CommandBoxText(int id, const char* caption) const
{
    Command(id);
    HWND box = WaitBox(caption);
    if (!box)
        return "(no box \"" + std::string(caption) + "\"; windows: " + DescribeDialogs(Pid()) + ")";
    std::string text = MessageBoxText(box);
    PressButton(box, IDOK);
    WaitWindowGone(box);
    return text;
}

std::string ExpectedStatistics(const std::string& path, size_t shown, int screenSize, int count, int flushTime)
{
    return "Log FileName   \t: " + path + "\r\nSize of Screen  \t: " + std::to_string(shown) + " / " +
           std::to_string(screenSize) + "\r\nTotal Messages  \t: " + std::to_string(count) +
           "\r\nFlush writes (s)\t: " + std::to_string(flushTime);
}

void OneRun::Start(const std::string& ini)
{
    app = new Brevand();
    sender = new Sender();
    count = 0;
    std::string text = ini;
    for (size_t at; (at = text.find("$DIR")) != std::string::npos;)
        text.replace(at, 4, app->Dir());
    ready = Brevand::WriteIni(text) && app->StartQuickly();
}

void OneRun::TearDownTestSuite()
{
    delete sender;
    delete app;
    sender = nullptr;
    app = nullptr;
}

void OneRun::SetUp()
{
    ASSERT_TRUE(ready) << "the program did not start; windows: " << DescribeDialogs(app->Pid());
    ASSERT_TRUE(app->Running()) << "the program has ended";
}

std::string OneRun::SendLogged(const std::string& path, const std::string& datagram, const std::string& label,
                               const std::string& text)
{
    EXPECT_TRUE(sender->Send(datagram));
    count++;
    std::string tail = sender->Line(label, text);
    EXPECT_TRUE(WaitUntil([&] { return EndsWith(ReadWholeFile(path), tail); }))
        << "no \"" << tail << "\" at the end of\n" << ReadWholeFile(path);
    std::string log = ReadWholeFile(path);
    return log.size() >= tail.size() + 16 ? log.substr(log.size() - tail.size() - 16) : tail;
}
