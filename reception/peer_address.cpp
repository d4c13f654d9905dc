// The sender text "a.b.c.d:port " of a datagram.
#include <stdio.h>

#include "reception/reception.h"

char* FormatPeerAddress(const unsigned char address[4], unsigned short port, char* out,
                        unsigned size)
{
    snprintf(out, size, "%u.%u.%u.%u:%u ", address[0], address[1], address[2], address[3],
             (unsigned)port);
    return out;
}
