// The listener socket through ws2_32, asked for WinSock 1.1, notified by window message.
//
// ws2_32 rather than wsock32: exclusive use of the port is a WinSock 2
// option, and wsock32's setsockopt is the WinSock 1.1 entry point, which
// takes the options of winsock.h and is not documented to pass the others
// on.  Both DLLs are on every Windows from XP on; WSAStartup(1.1) keeps the
// calls as the code relies on them.
#include <winsock2.h>
#include <windows.h>

#include <string.h>

#include "platform/platform.h"
#include "platform/windows/win_handles.h"
#include "reception/reception.h"

static SOCKET Listener = INVALID_SOCKET;

int PlatSocketStartup(void)
{
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data);
}

int PlatSocketCleanup(void)
{
    return WSACleanup() == 0;
}

int PlatSocketLastError(void)
{
    return WSAGetLastError();
}

int PlatSocketCreate(void)
{
    Listener = socket(AF_INET, SOCK_DGRAM, 0);
    return Listener != INVALID_SOCKET;
}

int PlatSocketExclusive(void)
{
    BOOL on = TRUE;
    return setsockopt(Listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, (const char*)&on, sizeof on) == 0;
}

int PlatSocketSetReceiveBuffer(int bytes)
{
    return setsockopt(Listener, SOL_SOCKET, SO_RCVBUF, (const char*)&bytes, sizeof bytes) == 0;
}

int PlatSocketBind(unsigned short port)
{
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return bind(Listener, (struct sockaddr*)&address, sizeof address) == 0;
}

int PlatSocketNotifyOnRead(void)
{
    return WSAAsyncSelect(Listener, MainWindow, WM_SOCKET_NOTIFY, FD_READ) == 0;
}

void PlatSocketStopNotify(void)
{
    if (Listener != INVALID_SOCKET)
        WSAAsyncSelect(Listener, MainWindow, 0, 0);
}

void PlatSocketClose(void)
{
    if (Listener != INVALID_SOCKET)
        closesocket(Listener);
    Listener = INVALID_SOCKET;
}

int PlatSocketReceive(char* buf, int cap, unsigned char from[4], unsigned short* port)
{
    // One byte more than the caller takes: Winsock refuses a longer datagram
    // with WSAEMSGSIZE, but a receive that cuts it silently instead is caught
    // by the extra byte.
    char area[2048];
    if (cap < 0 || cap > (int)sizeof area - 1)
        cap = (int)sizeof area - 1;
    struct sockaddr_in address;
    int size = sizeof address;
    memset(&address, 0, sizeof address);
    int got = recvfrom(Listener, area, cap + 1, 0, (struct sockaddr*)&address, &size);
    memcpy(from, &address.sin_addr.s_addr, 4);
    *port = ntohs(address.sin_port);
    if (got == SOCKET_ERROR) {
        if (WSAGetLastError() == WSAEMSGSIZE) {
            memcpy(buf, area, (size_t)cap);
            WSASetLastError(WSAEMSGSIZE);
        }
        return -1;
    }
    memcpy(buf, area, (size_t)(got < cap ? got : cap));
    if (got > cap) {
        WSASetLastError(PLAT_WSAEMSGSIZE);
        return -1;
    }
    return got;
}
