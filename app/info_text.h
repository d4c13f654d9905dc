// The texts of the Dump and Statistics boxes.
#ifndef BREVAND_INFO_TEXT_H
#define BREVAND_INFO_TEXT_H

#define INFO_TEXT_SIZE 600

// "Last received N bytes from a.b.c.d:port " and four rows of 16 bytes.
void FormatPacketDump(char* out, unsigned size);
void FormatStatistics(char* out, unsigned size);

#endif
