// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#ifndef BREVAND_E2E_DRIVER_H
#define BREVAND_E2E_DRIVER_H

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Full path of brevand.exe, set by main().
extern std::string BrevandExe;

// Polls every 20 ms until done() holds or ms have passed; the last answer.
bool WaitUntil(const std::function<bool()>& done, int ms = 3000);
inline bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Windows of another process.  WM_GETTEXT / WM_SETTEXT: "" or false when it does not answer.
std::string WindowText(HWND window);
bool SetWindowTextRemote(HWND window, const std::string& text);
inline bool WaitWindowGone(HWND window, int ms = 5000)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, ms);
}
// Every visible top-level window of pid, "[class] "caption": "text"", for failure messages.
std::string DescribeDialogs(DWORD pid);
// A message box's text is its static control 0xFFFF.
inline std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }
// Posts a click on a dialog's button: its command may open a modal box.
inline bool PressButton(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}
// Child rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// Files: read while another process may be writing, "" when absent.
std::string ReadWholeFile(const std::string& path);
inline bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
// True when no other process has the file open.
bool FileIsClosed(const std::string& path);
std::vector<std::string> SplitLines(const std::string& text);  // at CR LF
// The keys of one section of Brevand.ini in the Windows directory; a repeated one as "KEY (again)".
std::map<std::string, std::string> IniSection(const std::string& section);

// True when stamp is "Mmm dd hh:mm:ss" local time within [from - 1 s, to + 1 s].
bool StampWithin(const std::string& stamp, const SYSTEMTIME& from, const SYSTEMTIME& to);
// True when some socket holds UDP port 514.
bool Port514Taken();

// A syslog sender on 127.0.0.1; Sender(514) holds port 514 instead, so that the program's bind fails.
class Sender {
public:
    explicit Sender(unsigned short port = 0);
    ~Sender();
    bool Bound() const { return port_ != 0; }
    bool Send(const std::string& datagram);
    // "127.0.0.1:<port> ", and the log line for a datagram less its stamp and space.
    std::string Peer() const { return "127.0.0.1:" + std::to_string(port_) + " "; }
    std::string Line(const std::string& label, const std::string& text) const
    {
        return Peer() + label + " " + text + "\r\n";
    }

private:
    SOCKET socket_;
    unsigned short port_;
};

// brevand.exe run in a fresh folder under %TEMP%; the destructor ends it and removes the folder.
class Brevand {
public:
    Brevand();
    ~Brevand();

    std::string PathIn(const char* name) const { return dir_ + "\\" + name; }
    std::string DefaultLog() const { return PathIn("brevand.log"); }
    const std::string& Dir() const { return dir_; }
    DWORD Pid() const { return process_.dwProcessId; }

    // Writes Brevand.ini into the Windows directory; "" removes it.
    static bool WriteIni(const std::string& text);

    // Starts the exe; the About box comes up first.
    bool Launch();
    // Waits for the start-up About box; pressOk closes it early.
    HWND WaitAboutBox(bool pressOk);
    // Waits until port 514 is held and the status bar set; finds the windows.
    bool WaitReady();
    bool StartQuickly() { return Launch() && WaitAboutBox(true) && WaitReady(); }

    bool Running() const { return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when still running after 10 s.
    int WaitExit();
    // WM_CLOSE (or Exit from the menu), then Yes; the exit code or -1.
    int Quit(bool viaMenu = false);

    HWND Main() const { return main_; }
    HWND View() const { return view_; }
    HWND StatusBar() const { return status_; }
    std::string ViewText() const { return WindowText(view_); }
    std::string StatusText() const { return WindowText(status_); }
    // The status bar text after count datagrams logged to logPath.
    static std::string Status(const std::string& logPath, int count)
    {
        return "LogFile: '" + logPath + "'   Total Messages: '" + std::to_string(count) + "'";
    }
    bool WaitStatus(const std::string& expected) const
    {
        return WaitUntil([&] { return StatusText() == expected; });
    }
    bool WaitView(const std::string& expected) const
    {
        return WaitUntil([&] { return ViewText() == expected; });
    }

    // Posted: most commands open a modal box.
    void Command(int id) const { PostMessageA(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // Waits for a dialog (class #32770) of the program with this caption.
    HWND WaitBox(const char* caption, int ms = 5000) const;
    // Runs a menu command, returns its box's text and presses OK.
    std::string CommandBoxText(int id, const char* caption) const;

private:
    std::string dir_;
    PROCESS_INFORMATION process_;
    HWND main_, view_, status_;
};

// The Statistics box as the program must show it.
std::string ExpectedStatistics(const std::string& path, size_t shown, int screenSize, int count, int flushTime);

// Base of the suites whose cases share one run of the program, in their order: a start costs seconds.
class OneRun : public testing::Test {
protected:
    // Writes the INI, "$DIR" standing for the run's folder, and starts quickly.
    static void Start(const std::string& ini);
    static void TearDownTestSuite();
    void SetUp() override;
    // Sends a datagram, counts it and waits for its line at the end of the file at path; the whole line.
    static std::string SendLogged(const std::string& path, const std::string& datagram,
                                  const std::string& label, const std::string& text);

    static inline Brevand* app = nullptr;
    static inline Sender* sender = nullptr;
    static inline bool ready = false;
    static inline int count = 0;
};

#endif
