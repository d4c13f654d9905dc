// The UDP listener on port 514 and the socket events it raises.
#include "platform/platform.h"
#include "reception/reception.h"

int64_t MessageCount;
int ReceptionStopped;

// After a failed step: WinSock is ended again.  0, the failed start.
static int EndWinsock(void)
{
    if (!PlatSocketCleanup())
        ReportSocketError(1, PlatSocketLastError(), "Error cleaning WinSock");
    return 0;
}

int OpenListener(void)
{
    int result = PlatSocketStartup();
    if (result != 0) {
        ReportSocketError(1, result, " Error opening WinSock");
        return 0;
    }
    if (!PlatSocketCreate()) {
        ReportSocketError(1, PlatSocketLastError(), " Error opening ListenSocket");
    } else {
        // Without it another program may bind the port on one of our
        // addresses, before or after us, and take what is sent there; with
        // it the bind below fails instead.  Where the system refuses (XP
        // before its Service Pack 2, for a user who is not an
        // administrator), we share as before.
        PlatSocketExclusive();
        // The default buffer holds a few hundred datagrams: a burst that
        // arrives while we are busy must wait in the socket, not be lost.
        // Where the platform refuses, the default has to do.
        PlatSocketSetReceiveBuffer(SOCKET_RECEIVE_BUFFER);
        if (PlatSocketBind(SYSLOG_PORT))
            return 1;
        ReportSocketError(1, PlatSocketLastError(), "Error binding Logging Socket");
        PlatSocketClose();
    }
    return EndWinsock();
}

int StartReceiving(void)
{
    if (PlatSocketNotifyOnRead())
        return 1;
    ReportSocketError(1, PlatSocketLastError(), "Error setting Logging Socket");
    PlatSocketClose();
    return EndWinsock();
}

void StopReceiving(void)
{
    ReceptionStopped = 1;
    PlatSocketStopNotify();
}

bool OnSocketNotify(long event)
{
    if (ReceptionStopped)
        return false;
    MessageCount++;
    int error = (int)(((unsigned long)event >> 16) & 0xFFFF);
    if (error != 0) {
        ReportSocketError(0, error, "|-- Error on listen socket");
        // No further notification comes until a receive is called, failing
        // or not: without one, reception would end here for good.
        ReceiveDatagram();
        return false;
    }
    ReceiveDatagram();
    return true;
}
