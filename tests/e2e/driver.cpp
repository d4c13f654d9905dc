// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#include "driver.h"

#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::string BrevandExe;

namespace {

const char* const MonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Cross-process messages wait at most this long: a hung program fails a
// check instead of hanging the run.
const UINT RemoteTimeoutMs = 3000;

struct WindowQuery {
    DWORD pid;
    const char* windowClass;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    WindowQuery* query = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != query->pid || !IsWindowVisible(window))
        return TRUE;
    char text[256];
    char cls[64];
    GetClassNameA(window, cls, sizeof cls);
    if (strcmp(cls, query->windowClass) != 0)
        return TRUE;
    // GetWindowText of another process's top-level window reads its caption
    // without sending it a message.
    GetWindowTextA(window, text, sizeof text);
    if (strcmp(text, query->title) != 0)
        return TRUE;
    query->found = window;
    return FALSE;
}

struct DialogList {
    DWORD pid;
    std::string text;
};

BOOL CALLBACK ListDialog(HWND window, LPARAM param)
{
    DialogList* list = reinterpret_cast<DialogList*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != list->pid || !IsWindowVisible(window))
        return TRUE;
    char caption[256];
    char cls[64];
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, caption, sizeof caption);
    list->text += std::string("[") + cls + "] \"" + caption + "\"";
    HWND label = GetDlgItem(window, 0xFFFF);
    if (label)
        list->text += ": \"" + WindowText(label) + "\"";
    list->text += "\n";
    return TRUE;
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

int64_t FileTimeSeconds(const SYSTEMTIME& t)
{
    FILETIME ft;
    if (!SystemTimeToFileTime(&t, &ft))
        return -1;
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return static_cast<int64_t>(v.QuadPart / 10000000ULL);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (static_cast<int>(GetTickCount() - start) >= ms)
            return done();
        Sleep(20);
    }
}

void Pause(int ms)
{
    Sleep(ms);
}

// ---- Windows of another process ----------------------------------------------

std::string WindowText(HWND window)
{
    if (!window)
        return "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, RemoteTimeoutMs,
                             &length))
        return "";
    std::vector<char> text(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, RemoteTimeoutMs, &copied))
        return "";
    return std::string(text.data(), copied < text.size() ? copied : text.size() - 1);
}

bool SetWindowTextRemote(HWND window, const std::string& text)
{
    DWORD_PTR result = 0;
    return window && SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                         SMTO_ABORTIFHUNG, RemoteTimeoutMs, &result) &&
           result;
}

HWND FindTopWindow(DWORD pid, const char* windowClass, const char* title)
{
    WindowQuery query = {pid, windowClass, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND WaitDialog(DWORD pid, const char* caption, int ms)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, "#32770", caption)) != nullptr; }, ms);
    return found;
}

bool WaitWindowGone(HWND window, int ms)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}

std::string DescribeDialogs(DWORD pid)
{
    DialogList list = {pid, ""};
    EnumWindows(ListDialog, reinterpret_cast<LPARAM>(&list));
    return list.text.empty() ? "(no windows)\n" : list.text;
}

std::string MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}

bool PressButton(HWND dialog, int id)
{
    // Posted: the button's command may open a modal box of its own.
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

RECT ChildRect(HWND child)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ---- Files -------------------------------------------------------------------

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string data;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        data.append(chunk, got);
    CloseHandle(file);
    return data;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteWholeFile(const std::string& path, const std::string& data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == data.size();
}

bool FileIsClosed(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string LastLine(const std::string& text)
{
    std::vector<std::string> lines = SplitLines(text);
    return lines.empty() ? "" : lines.back();
}

std::string IniPath()
{
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return "Brevand.ini";
    return std::string(dir) + "\\Brevand.ini";
}

std::vector<std::pair<std::string, std::string>> IniSection(const std::string& text,
                                                             const std::string& section)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    bool inside = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = _stricmp(line.c_str(), ("[" + section + "]").c_str()) == 0;
            continue;
        }
        size_t equals = line.find('=');
        if (inside && equals != std::string::npos)
            pairs.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return pairs;
}

// ---- Time --------------------------------------------------------------------

std::string FormatStamp(const SYSTEMTIME& t)
{
    char text[32];
    snprintf(text, sizeof text, "%s %02u %02u:%02u:%02u", MonthNames[(t.wMonth + 11) % 12],
             t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

bool StampWithin(const std::string& stamp, const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    char month[4] = "";
    unsigned day = 0, hour = 0, minute = 0, second = 0;
    int used = 0;
    if (stamp.size() != 15 ||
        sscanf(stamp.c_str(), "%3s %2u %2u:%2u:%2u%n", month, &day, &hour, &minute, &second, &used) != 5 ||
        used != 15 || stamp[3] != ' ' || stamp[6] != ' ')
        return false;
    int monthIndex = -1;
    for (int i = 0; i < 12; i++)
        if (strcmp(month, MonthNames[i]) == 0)
            monthIndex = i;
    if (monthIndex < 0)
        return false;
    int64_t low = FileTimeSeconds(from) - 1;
    int64_t high = FileTimeSeconds(to) + 1;
    // The stamp has no year: try the years of both ends (a run across New Year).
    for (WORD year : {from.wYear, to.wYear}) {
        SYSTEMTIME t = {};
        t.wYear = year;
        t.wMonth = static_cast<WORD>(monthIndex + 1);
        t.wDay = static_cast<WORD>(day);
        t.wHour = static_cast<WORD>(hour);
        t.wMinute = static_cast<WORD>(minute);
        t.wSecond = static_cast<WORD>(second);
        int64_t seconds = FileTimeSeconds(t);
        if (seconds >= low && seconds <= high)
            return true;
    }
    return false;
}

// ---- Network -----------------------------------------------------------------

bool Port514Taken()
{
    ULONG size = 0;
    GetUdpTable(nullptr, &size, FALSE);
    std::vector<char> buffer(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    MIB_UDPTABLE* table = reinterpret_cast<MIB_UDPTABLE*>(buffer.data());
    if (GetUdpTable(table, &size, FALSE) != NO_ERROR)
        return false;
    for (DWORD i = 0; i < table->dwNumEntries; i++)
        if (ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == 514)
            return true;
    return false;
}

Sender::Sender() : socket_(socket(AF_INET, SOCK_DGRAM, 0)), port_(0)
{
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof local;
    if (socket_ != INVALID_SOCKET &&
        bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
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

std::string Sender::PeerText() const
{
    return "127.0.0.1:" + std::to_string(port_) + " ";
}

PortBlocker::PortBlocker() : socket_(socket(AF_INET, SOCK_DGRAM, 0))
{
    sockaddr_in any = {};
    any.sin_family = AF_INET;
    any.sin_port = htons(514);
    if (socket_ != INVALID_SOCKET && bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

PortBlocker::~PortBlocker()
{
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
}

// ---- The program -------------------------------------------------------------

Brevand::Brevand() : process_(), main_(nullptr), view_(nullptr), status_(nullptr)
{
    static int serial = 0;
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        snprintf(temp, sizeof temp, ".\\");
    char dir[MAX_PATH];
    snprintf(dir, sizeof dir, "%sbrevand-e2e-%lu-%d", temp, GetCurrentProcessId(), ++serial);
    // Wine reuses process ids: a folder kept from an earlier run starts empty.
    RemoveFolder(dir);
    CreateDirectoryA(dir, nullptr);
    // The program shows the folder as its current directory: compare long names.
    char full[MAX_PATH];
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
    if (text.empty()) {
        DeleteFileA(IniPath().c_str());
        return !FileExists(IniPath());
    }
    return WriteWholeFile(IniPath(), text);
}

bool Brevand::Launch()
{
    if (process_.hProcess) {
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION();
    }
    main_ = view_ = status_ = nullptr;
    std::string commandLine = "\"" + BrevandExe + "\"";
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(BrevandExe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir_.c_str(), &startup, &process_)) {
        fprintf(stderr, "cannot start %s: error %lu\n", BrevandExe.c_str(), GetLastError());
        process_ = PROCESS_INFORMATION();
        return false;
    }
    return true;
}

HWND Brevand::WaitAboutBox(bool pressOk)
{
    HWND box = WaitDialog(Pid(), "About Brevand", 15000);
    if (box && pressOk) {
        PressButton(box, IDOK);
        WaitWindowGone(box);
    }
    return box;
}

bool Brevand::WaitReady(int ms)
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
        ms);
    return ready && Running();
}

bool Brevand::StartQuickly()
{
    return Launch() && WaitAboutBox(true) && WaitReady();
}

bool Brevand::Running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

int Brevand::WaitExit(int ms)
{
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

int Brevand::Quit(bool viaMenu)
{
    if (viaMenu)
        Command(3);  // IDM_EXIT
    else
        PostMessageA(main_, WM_CLOSE, 0, 0);
    HWND box = WaitBox("Exit BREVAND");
    if (!box || !PressButton(box, IDYES))
        return -1;
    return WaitExit();
}

std::string Brevand::ExpectedStatus(const std::string& logPath, int count) const
{
    return "LogFile: '" + logPath + "'   Total Messages: '" + std::to_string(count) + "'";
}

bool Brevand::WaitStatus(const std::string& expected, int ms) const
{
    return WaitUntil([&] { return StatusText() == expected; }, ms);
}

bool Brevand::WaitViewText(const std::string& expected, int ms) const
{
    return WaitUntil([&] { return ViewText() == expected; }, ms);
}

bool Brevand::WaitViewEndsWith(const std::string& tail, int ms) const
{
    return WaitUntil(
        [&] {
            std::string text = ViewText();
            return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
        },
        ms);
}

void Brevand::Command(int id) const
{
    // Posted: most commands open a modal box.
    PostMessageA(main_, WM_COMMAND, static_cast<WPARAM>(id), 0);
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

std::string LineAfterStamp(const Sender& sender, const std::string& label, const std::string& text)
{
    return sender.PeerText() + label + " " + text + "\r\n";
}

bool WaitFileEndsWith(const std::string& path, const std::string& tail, int ms)
{
    return WaitUntil(
        [&] {
            std::string text = ReadWholeFile(path);
            return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
        },
        ms);
}
