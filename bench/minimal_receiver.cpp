// Minimal Winsock syslog receiver: the yardstick the collector's throughput is measured against.
//
// Only what every collector of this kind must do: WinSock 1.1 (through ws2_32, as the collector),
// WSAAsyncSelect(FD_READ) to a message-only window, one recvfrom per notification into a 600-byte area, the
// same line written with one WriteFile, a flush timer. No view, no status bar, no rotation, no size test.

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const UINT WM_SOCKET_NOTIFY = WM_USER + 1042;
static const UINT_PTR FLUSH_TIMER = 1;
static const UINT_PTR DEADLINE_TIMER = 2;

static SOCKET g_sock = INVALID_SOCKET;
static HANDLE g_file = INVALID_HANDLE_VALUE;
static long g_received = 0;
static long g_errors = 0;

static const char *const kFacilities[24] = {
    "Kern",   "User",   "Mail",   "Daemon", "Auth",   "Syslog", "Lpr",    "News",
    "Uucp",   "Cron",   "AuthPriv", "Ftp",  "Ntp",    "Res13",  "Res14",  "Res15",
    "Local0", "Local1", "Local2", "Local3", "Local4", "Local5", "Local6", "Local7"};
static const char *const kSeverities[8] = {"Emerg", "Alert", "Crit", "Err", "Warning", "Notice", "Info", "Debug"};
static const char *const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The local time is read once a second. The runtime's localtime() looks at the zone file again on
// every call under Wine, which cost more than the rest of the line.
static char g_stamp[32];
static DWORD g_stampTick;

static const char *Stamp()
{
    DWORD now = GetTickCount();
    if (g_stamp[0] == '\0' || now - g_stampTick >= 1000) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        snprintf(g_stamp, sizeof g_stamp, "%s %02u %02u:%02u:%02u ", kMonths[(t.wMonth + 11) % 12], t.wDay,
                 t.wHour, t.wMinute, t.wSecond);
        g_stampTick = now - t.wMilliseconds;
    }
    return g_stamp;
}

static void ReceiveOne()
{
    char data[601];
    struct sockaddr_in from;
    int fromLen = sizeof from;
    int len = recvfrom(g_sock, data, 600, 0, (struct sockaddr *)&from, &fromLen);
    if (len == SOCKET_ERROR) {
        g_errors++;
        return;
    }
    data[len] = '\0';
    g_received++;

    // "<PRI>" by hand: the label every collector writes, without the runtime's scanner.
    const char *text = data;
    char label[32] = "<none>";
    if (data[0] == '<') {
        int pri = 0, i = 1;
        while (i < 5 && data[i] >= '0' && data[i] <= '9')
            pri = pri * 10 + (data[i++] - '0');
        if (i > 1 && data[i] == '>') {
            snprintf(label, sizeof label, "<%s.%s>", pri >> 3 < 24 ? kFacilities[pri >> 3] : "???",
                     kSeverities[pri & 7]);
            text = data + i + 1;
        }
    }
    const unsigned char *ip = (const unsigned char *)&from.sin_addr.s_addr;
    char line[720];
    int n = snprintf(line, sizeof line, "%s%d.%d.%d.%d:%d %s %s\r\n", Stamp(), ip[0], ip[1], ip[2], ip[3],
                     ntohs(from.sin_port), label, text);
    if (n > (int)sizeof line - 1)
        n = (int)sizeof line - 1;
    DWORD written = 0;
    WriteFile(g_file, line, (DWORD)n, &written, nullptr);
}

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SOCKET_NOTIFY:
        if (WSAGETSELECTERROR(lParam))
            g_errors++;
        else
            ReceiveOne();
        return 0;
    case WM_TIMER:
        if (wParam == DEADLINE_TIMER)
            DestroyWindow(hwnd);
        else
            FlushFileBuffers(g_file);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static int Usage()
{
    fprintf(stderr, "usage: minimal_receiver [--port N] [--rcvbuf BYTES (0 = system default)] [--out FILE]\n"
                    "                        [--flush SECONDS (0 = none)] [--seconds LIMIT]\n");
    return 2;
}

int main(int argc, char **argv)
{
    int port = 514;
    int rcvbuf = 4 * 1024 * 1024;
    int flushSeconds = 3;
    int limitSeconds = 600;
    const char *out = "minimal.log";
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc)
            return Usage();
        const char *v = argv[i + 1];
        if (!strcmp(argv[i], "--port"))
            port = atoi(v);
        else if (!strcmp(argv[i], "--rcvbuf"))
            rcvbuf = atoi(v);
        else if (!strcmp(argv[i], "--out"))
            out = v;
        else if (!strcmp(argv[i], "--flush"))
            flushSeconds = atoi(v);
        else if (!strcmp(argv[i], "--seconds"))
            limitSeconds = atoi(v);
        else
            return Usage();
    }
    if (port <= 0 || port > 65535 || rcvbuf < 0 || flushSeconds < 0 || limitSeconds <= 0 || limitSeconds > 86400)
        return Usage();

    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        fprintf(stderr, "minimal_receiver: WSAStartup failed\n");
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "minimalReceiverClass";
    if (!RegisterClassA(&wc))
        return 1;
    // A message-only window: socket notifications need a window, but not one the display knows of.
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "minimal receiver", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, nullptr);
    if (!hwnd)
        return 1;

    g_file = CreateFileA(out, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_file == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "minimal_receiver: cannot create %s (error %lu)\n", out, GetLastError());
        return 1;
    }

    g_sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (g_sock == INVALID_SOCKET)
        return 1;
    if (rcvbuf > 0)
        setsockopt(g_sock, SOL_SOCKET, SO_RCVBUF, (const char *)&rcvbuf, sizeof rcvbuf);
    int effective = 0;
    int optLen = sizeof effective;
    getsockopt(g_sock, SOL_SOCKET, SO_RCVBUF, (char *)&effective, &optLen);

    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons((u_short)port);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(g_sock, (struct sockaddr *)&addr, sizeof addr) == SOCKET_ERROR) {
        fprintf(stderr, "minimal_receiver: bind to port %d failed (error %d)\n", port, WSAGetLastError());
        return 1;
    }
    if (WSAAsyncSelect(g_sock, hwnd, WM_SOCKET_NOTIFY, FD_READ) == SOCKET_ERROR) {
        fprintf(stderr, "minimal_receiver: WSAAsyncSelect failed (error %d)\n", WSAGetLastError());
        return 1;
    }
    if (flushSeconds > 0)
        SetTimer(hwnd, FLUSH_TIMER, flushSeconds * 1000, nullptr);
    SetTimer(hwnd, DEADLINE_TIMER, limitSeconds * 1000, nullptr);
    printf("minimal_receiver: port=%d rcvbuf_requested=%d rcvbuf=%d out=%s\n", port, rcvbuf, effective, out);
    fflush(stdout);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    CloseHandle(g_file);
    closesocket(g_sock);
    WSACleanup();
    printf("minimal_receiver: received=%ld errors=%ld\n", g_received, g_errors);
    return 0;
}
