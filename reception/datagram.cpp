// One datagram in, one line out: timestamp, sender, priority label, text.
#include <stdio.h>
#include <string.h>

#include "logout/logout.h"
#include "platform/platform.h"
#include "reception/reception.h"

LastDatagramRecord LastDatagram;

void ReceiveDatagram(void)
{
    unsigned char from[4] = {0, 0, 0, 0};
    unsigned short port = 0;
    int got = PlatSocketReceive(LastDatagram.Data, DATAGRAM_MAX, from, &port);
    if (got < 0) {
        // Nothing to take is no fault: the notification may be for a
        // datagram an earlier receive took, or an error event's.
        int error = PlatSocketLastError();
        if (error != PLAT_WSAEWOULDBLOCK)
            ReportSocketError(0, error, "Error in LogRequest");
        return;
    }
    LastDatagram.Length = got;
    LastDatagram.Data[got] = '\0';
    FormatPeerAddress(from, port, LastDatagram.SenderText, sizeof LastDatagram.SenderText);

    char stamp[32];
    char label[PRIORITY_LABEL_SIZE];
    char message[FRAGMENT_SIZE];
    FormatLocalTime("%b %d %H:%M:%S ", stamp, sizeof stamp);
    DecodePriorityText(LastDatagram.Data, label, sizeof label, &LastDatagram.HeaderLength);
    snprintf(message, sizeof message, " %s\r\n", LastDatagram.Data + LastDatagram.HeaderLength);

    const char* fragments[4] = {stamp, LastDatagram.SenderText, label, message};
    LogFragments(fragments, 4);
    FlushLogFileIfDue(0);
}

void ResetReception(void)
{
    ReceptionStopped = 0;
    memset(&LastDatagram, 0, sizeof LastDatagram);
    MessageCount = 0;
}
