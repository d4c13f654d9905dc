// Starts brevand.exe and drives it from outside, as an operator and a syslog sender would.
#ifndef BREVAND_E2E_DRIVER_H
#define BREVAND_E2E_DRIVER_H

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Full path of brevand.exe, set by main().
extern std::string BrevandExe;

// Polls every 20 ms until done() holds or ms have passed; the last answer.
bool WaitUntil(const std::function<bool()>& done, int ms);
void Pause(int ms);

// ---- Windows of another process ----------------------------------------------

// Text of a window of any process (WM_GETTEXT); "" when it does not answer.
std::string WindowText(HWND window);
bool SetWindowTextRemote(HWND window, const std::string& text);
// A visible top-level window of process pid with this class and exact title.
HWND FindTopWindow(DWORD pid, const char* windowClass, const char* title);
// Waits up to ms for such a dialog (class #32770); nullptr when none came.
HWND WaitDialog(DWORD pid, const char* caption, int ms = 5000);
bool WaitWindowGone(HWND window, int ms = 5000);
// Every visible dialog of pid, caption first, for failure messages.
std::string DescribeDialogs(DWORD pid);
// A message box's text (its static control 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses a dialog's button as a click would.
bool PressButton(HWND dialog, int id);
// Child rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// ---- Files -------------------------------------------------------------------

// Whole contents, read while another process may be writing; "" when absent.
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& data);
// 1 when no other process has the file open (an exclusive open succeeds).
bool FileIsClosed(const std::string& path);
// Splits CR LF separated text; a last line without CR LF is kept.
std::vector<std::string> SplitLines(const std::string& text);
std::string LastLine(const std::string& text);
// Brevand.ini in the Windows directory, which the program reads.
std::string IniPath();
// Key=value pairs of one section of an INI text, in file order.
std::vector<std::pair<std::string, std::string>> IniSection(const std::string& text,
                                                             const std::string& section);

// ---- Time --------------------------------------------------------------------

// "Mmm dd hh:mm:ss" as the log writes it, for this local time.
std::string FormatStamp(const SYSTEMTIME& t);
// 1 when stamp is a "Mmm dd hh:mm:ss" local time within [from - 1 s, to + 1 s].
bool StampWithin(const std::string& stamp, const SYSTEMTIME& from, const SYSTEMTIME& to);

// ---- Network -----------------------------------------------------------------

// 1 when some socket holds UDP port 514 on this machine.
bool Port514Taken();

// A syslog sender on 127.0.0.1 with a fixed source port.
class Sender {
public:
    Sender();
    ~Sender();
    bool Send(const std::string& datagram);
    unsigned short Port() const { return port_; }
    // "127.0.0.1:<port> ", the sender text of the log line.
    std::string PeerText() const;

private:
    SOCKET socket_;
    unsigned short port_;
};

// Holds UDP port 514 so that the program's bind fails.
class PortBlocker {
public:
    PortBlocker();
    ~PortBlocker();
    bool Holding() const { return socket_ != INVALID_SOCKET; }

private:
    SOCKET socket_;
};

// ---- The program -------------------------------------------------------------

class Brevand {
public:
    // A fresh working folder under %TEMP%; nothing is started yet.
    Brevand();
    // Ends a program still running (TerminateProcess) and removes the folder.
    ~Brevand();

    const std::string& Dir() const { return dir_; }
    std::string PathIn(const char* name) const { return dir_ + "\\" + name; }
    std::string DefaultLog() const { return PathIn("brevand.log"); }
    DWORD Pid() const { return process_.dwProcessId; }

    // Writes Brevand.ini into the Windows directory; "" removes it.
    static bool WriteIni(const std::string& text);

    // Starts brevand.exe in the folder; the About box comes up first.
    bool Launch();
    // Waits for the start-up About box; pressOk closes it early.
    HWND WaitAboutBox(bool pressOk);
    // Waits until the listener holds port 514 and start-up has set the status
    // bar; fills Main(), View() and StatusBar().
    bool WaitReady(int ms = 15000);
    // Launch, close the About box at once, WaitReady.
    bool StartQuickly();

    bool Running() const;
    // Waits for the process to end; its exit code or -1 when still running.
    int WaitExit(int ms = 10000);
    // WM_CLOSE (or Exit from the menu) and Yes; the exit code, -1 on failure.
    int Quit(bool viaMenu = false);

    HWND Main() const { return main_; }
    HWND View() const { return view_; }
    HWND StatusBar() const { return status_; }
    std::string ViewText() const { return WindowText(view_); }
    std::string StatusText() const { return WindowText(status_); }
    // Status bar text that start-up and every datagram leave.
    std::string ExpectedStatus(const std::string& logPath, int count) const;
    bool WaitStatus(const std::string& expected, int ms = 3000) const;
    bool WaitViewText(const std::string& expected, int ms = 3000) const;
    bool WaitViewEndsWith(const std::string& tail, int ms = 3000) const;

    // Posts a menu command to the main window.
    void Command(int id) const;
    HWND WaitBox(const char* caption, int ms = 5000) const { return WaitDialog(Pid(), caption, ms); }
    // Opens a box through a menu command, returns its text and presses OK.
    std::string CommandBoxText(int id, const char* caption) const;

private:
    std::string dir_;
    PROCESS_INFORMATION process_;
    HWND main_, view_, status_;
};

// The Statistics box as the program must show it.
std::string ExpectedStatistics(const std::string& path, size_t shown, int screenSize, int count, int flushTime);
// The log line written for a datagram, less its leading timestamp and space.
std::string LineAfterStamp(const Sender& sender, const std::string& label, const std::string& text);
// Waits until the file at path ends with tail; the file's last contents.
bool WaitFileEndsWith(const std::string& path, const std::string& tail, int ms = 3000);

#endif
