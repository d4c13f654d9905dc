// One datagram in, one line out: timestamp, sender, priority label, text.
#include <stdio.h>
#include <string.h>

#include "config/settings.h"
#include "logout/logout.h"
#include "platform/platform.h"
#include "reception/reception.h"

LastDatagramRecord LastDatagram;

// Counts good receives, so a line can tell whether LastDatagram is still its own.
static uint32_t ReceiveSerial;

void ReceiveDatagram(void)
{
    unsigned char from[4] = {0, 0, 0, 0};
    unsigned short port = 0;
    int got = PlatSocketReceive(LastDatagram.Data, DATAGRAM_MAX, from, &port);
    if (got < 0) {
        ReportSocketError(0, PlatSocketLastError(), "Error in LogRequest");
        return;
    }
    LastDatagram.Length = got;
    LastDatagram.Data[got] = '\0';
    memcpy(LastDatagram.Address, from, 4);
    LastDatagram.Port = port;
    FormatPeerAddress(from, port, LastDatagram.SenderText, sizeof LastDatagram.SenderText);
    uint32_t serial = ++ReceiveSerial;

    // The line is composed from copies: a message box inside LogPrint can let
    // another datagram overwrite LastDatagram before this line is complete.
    char text[DATAGRAM_MAX + 1];
    char sender[SENDER_TEXT_SIZE];
    char stamp[32];
    char label[PRIORITY_LABEL_SIZE];
    int32_t headerLength = 0;
    memcpy(text, LastDatagram.Data, (size_t)got + 1);
    memcpy(sender, LastDatagram.SenderText, sizeof sender);
    FormatLocalTime("%b %d %H:%M:%S ", stamp, sizeof stamp);

    LogPrint("%s", stamp);
    LogPrint("%s", sender);
    DecodePriorityText(text, label, sizeof label, &headerLength);
    if (serial == ReceiveSerial)
        LastDatagram.HeaderLength = headerLength;
    LogPrint("%s", label);
    LogPrint(" %s\r\n", text + headerLength);

    if (Settings.FlushTime == 0)
        FlushLogFile();
}

void ResetReception(void)
{
    memset(&LastDatagram, 0, sizeof LastDatagram);
    MessageCount = 0;
    SystemErrorText[0] = '\0';
}
