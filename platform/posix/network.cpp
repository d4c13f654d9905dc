// The listener socket over BSD sockets, reporting Winsock's error codes.
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string.h>

#include "platform/platform.h"
#include "platform/posix/model.h"

static int Listener = -1;
static int LastSocketError;

static int WinsockError(int error)
{
    switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EAGAIN: return 10035;
    case ENOTSOCK: return 10038;
    case EMSGSIZE: return PLAT_WSAEMSGSIZE;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ECONNREFUSED: return 10054;
    case ENOBUFS: return 10055;
    default: return error;
    }
}

static int Fail(void)
{
    LastSocketError = WinsockError(errno);
    return 0;
}

int PlatSocketStartup(void) { return 0; }
int PlatSocketCleanup(void) { return 1; }
int PlatSocketLastError(void) { return LastSocketError; }

int PlatSocketCreate(void)
{
    Listener = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return Listener >= 0 ? 1 : Fail();
}

// Only before the bind, as on Windows, where it has no effect after.
int PlatSocketExclusive(void)
{
    if (Model.RefuseExclusive) {
        LastSocketError = 10013;  // WSAEACCES
        return 0;
    }
    if (Model.BoundPort == 0)
        Model.Exclusive = true;
    return 1;
}

int PlatSocketSetReceiveBuffer(int bytes)
{
    return setsockopt(Listener, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0 ? 1 : Fail();
}

int PlatSocketBind(unsigned short port)
{
    // Windows lets a wildcard bind share the port with another program's
    // bind of one address, unless it asked for exclusive use.
    for (bool oneAddress : Model.PortHolders) {
        if (!oneAddress || Model.Exclusive) {
            LastSocketError = 10048;  // WSAEADDRINUSE
            return 0;
        }
    }
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(Listener, (struct sockaddr*)&address, sizeof address) != 0)
        return Fail();
    Model.BoundPort = port;
    return 1;
}

// There is no window to notify: tests ask ModelReadEvent whether a
// notification would come, and call OnSocketNotify themselves.
int PlatSocketNotifyOnRead(void)
{
    Model.Notifying = Model.ReadArmed = true;
    return 1;
}

void PlatSocketStopNotify(void)
{
    Model.Notifying = false;
}

bool ModelReadEvent(void)
{
    if (!Model.Notifying || !Model.ReadArmed)
        return false;
    Model.ReadArmed = false;
    return true;
}

int ModelOtherBind(bool oneAddress)
{
    if (Model.BoundPort == 0)
        return 0;
    if (!oneAddress)
        return 10048;                       // WSAEADDRINUSE
    return Model.Exclusive ? 10013 : 0;     // WSAEACCES, or the port is shared
}

void PlatSocketClose(void)
{
    if (Listener >= 0)
        close(Listener);
    Listener = -1;
    Model.BoundPort = 0;
    Model.Exclusive = false;
}

int PlatSocketReceive(char* buf, int cap, unsigned char from[4], unsigned short* port)
{
    Model.ReadArmed = true;  // any receive call, failing or not
    if (!Model.Injected.empty()) {
        ModelDatagram d = Model.Injected.front();
        Model.Injected.pop_front();
        memcpy(from, d.From, 4);
        *port = d.Port;
        int len = (int)d.Bytes.size();
        memcpy(buf, d.Bytes.data(), (size_t)(len < cap ? len : cap));
        if (len > cap) {
            LastSocketError = PLAT_WSAEMSGSIZE;
            return -1;
        }
        return len;
    }
    struct sockaddr_in address;
    socklen_t size = sizeof address;
    // recvfrom cuts a long datagram silently; MSG_TRUNC tells its real length,
    // so it fails as Winsock's does.
    ssize_t got = recvfrom(Listener, buf, (size_t)cap, MSG_TRUNC | MSG_DONTWAIT,
                           (struct sockaddr*)&address, &size);
    if (got < 0) {
        Fail();
        return -1;
    }
    memcpy(from, &address.sin_addr.s_addr, 4);
    *port = ntohs(address.sin_port);
    if (got > cap) {
        LastSocketError = PLAT_WSAEMSGSIZE;
        return -1;
    }
    return (int)got;
}

bool WaitForDatagram(int milliseconds)
{
    if (!Model.Injected.empty())
        return true;
    struct pollfd p = {Listener, POLLIN, 0};
    return poll(&p, 1, milliseconds) == 1;
}
