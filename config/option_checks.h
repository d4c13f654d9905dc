// The Options dialog's checks of the numbers entered, with their messages.
#ifndef BREVAND_OPTION_CHECKS_H
#define BREVAND_OPTION_CHECKS_H

#include <stdint.h>

struct OptionMessage {
    char Text[96];
    const char* Caption;
};

// Corrects each value into its range, in the dialog's order (log size,
// number of logs, flush time, screen size), and writes one message per
// correction.  Returns the number of messages (at most 4).
int CheckOptionValues(int32_t* logSize, int32_t* logsNum, int32_t* flushTime,
                      int32_t* screenSize, OptionMessage messages[4]);

#endif
