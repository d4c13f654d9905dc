// The texts of the Dump and Statistics boxes.
#ifndef BREVAND_INFO_TEXT_H
#define BREVAND_INFO_TEXT_H

#define INFO_TEXT_SIZE 600

// "Last received N bytes from a.b.c.d:port " and four rows of 16 bytes.
void FormatPacketDump(char* out, unsigned size);
void FormatStatistics(char* out, unsigned size);
// The status bar: the log file and the message count, and while the log
// file is failing, that it is not being written and what waits.
void FormatStatusText(char* out, unsigned size);

#endif
