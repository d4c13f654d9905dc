// The priority header "<N>": facility and severity names, and where the text begins.
#include <stdio.h>

#include "reception/reception.h"

static const char FacilityNames[24][10] = {
    "Kern",   "User",   "Mail",   "Daemon", "Auth",   "Syslog", "Lpr",    "News",
    "Uucp",   "Cron",   "AuthPriv", "Ftp",  "Ntp",    "Res13",  "Res14",  "Res15",
    "Local0", "Local1", "Local2", "Local3", "Local4", "Local5", "Local6", "Local7",
};

static const char SeverityNames[8][10] = {
    "Emerg", "Alert", "Crit", "Err", "Warning", "Notice", "Info", "Debug",
};

const char* FacilityName(int code)
{
    if (code < 0 || code > 23)
        return "???";
    return FacilityNames[code];
}

static int IsScanSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads "<", an integer as scanf's %d reads it, and ">".  Returns 0 when no
// integer converts; *consumed is set only when the closing ">" matched.
// Numbers beyond 32 bits saturate at INT32_MAX or INT32_MIN.
static int ScanPriority(const char* text, int32_t* value, int32_t* consumed)
{
    const char* p = text;
    if (*p++ != '<')
        return 0;
    while (IsScanSpace(*p))
        p++;
    int negative = 0;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return 0;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        if (magnitude <= INT32_MAX)
            magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative)
        *value = magnitude > (int64_t)INT32_MAX + 1 ? INT32_MIN : (int32_t)-magnitude;
    else
        *value = magnitude > INT32_MAX ? INT32_MAX : (int32_t)magnitude;
    if (*p == '>')
        *consumed = (int32_t)(p + 1 - text);
    return 1;
}

void DecodePriorityText(const char* text, char* label, unsigned size, int32_t* headerLength)
{
    int32_t value = 0;
    *headerLength = 0;
    if (!ScanPriority(text, &value, headerLength)) {
        snprintf(label, size, "%s", "<none>");
        return;
    }
    int facility = value < 0 ? -1 : value >> 3;
    snprintf(label, size, "<%s.%s>", FacilityName(facility), SeverityNames[(uint32_t)value & 7]);
}
