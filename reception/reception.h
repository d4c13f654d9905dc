// Reception: the UDP listener, one log line per datagram, socket error reports.
#ifndef BREVAND_RECEPTION_H
#define BREVAND_RECEPTION_H

#include <stdint.h>

#define WM_SOCKET_NOTIFY (0x0400 + 1042)
#define SYSLOG_PORT 514
#define DATAGRAM_MAX 600
#define SENDER_TEXT_SIZE 32
#define PRIORITY_LABEL_SIZE 32
#define SOCKET_RECEIVE_BUFFER (4 * 1024 * 1024)

struct LastDatagramRecord {
    char Data[DATAGRAM_MAX + 1];         // receive area, always terminable
    int32_t Length;                      // bytes of the last good receive
    char SenderText[SENDER_TEXT_SIZE];   // "a.b.c.d:port "
    int32_t HeaderLength;                // where the message text begins
};

extern LastDatagramRecord LastDatagram;
// Socket events since start.  64 bits: at ten thousand a second a 32-bit
// count would overflow within three days.
extern int64_t MessageCount;

// Binds the listener; nothing is received until StartReceiving asks for
// notification.  Meanwhile datagrams wait in the socket's buffer, and the
// first notification comes at once for them.  Both report a failure and
// return 0, with WinSock ended again.
int OpenListener(void);
int StartReceiving(void);
// Every event is followed by a receive, so that the next one comes.
// Returns true when the event carried no error.
bool OnSocketNotify(long event);
// The program is leaving: no notification is asked for any more, and one
// already queued is not received (its datagram stays in the socket, as any
// that arrives later), so that no line is taken once it can no longer be
// written.
void StopReceiving(void);
extern int ReceptionStopped;
void ReceiveDatagram(void);

// The priority label of a zero-terminated datagram text into label, and
// where its message text begins into headerLength.
void DecodePriorityText(const char* text, char* label, unsigned size, int32_t* headerLength);
const char* FacilityName(int code);
char* FormatPeerAddress(const unsigned char address[4], unsigned short port, char* out,
                        unsigned size);

void ReportSocketError(int alert, int code, const char* label);

// Back to the state at program start (for tests).
void ResetReception(void);

#endif
