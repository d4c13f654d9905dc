// Load generator: sends numbered RFC 3164 datagrams to a local syslog receiver, paced or flat out.
//
// Each datagram is
//   <PRI>Mmm dd hh:mm:ss HOST APP[PID]: TEXT seq=NNNNNNN run=TAG chk=XXXXXXXX
// PRI is seq % 192 (every facility/severity pair in turn), the length cycles through 80..120 bytes,
// and chk is the CRC-32 of everything between "<PRI>" and " chk=", so bench/check.py can tell a
// line that arrived whole from one that was cut or mixed with another.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static const char kUsage[] =
    "usage: loadgen [--port N] [--count N] [--rate PER_SECOND] [--seconds LIMIT]\n"
    "               [--first SEQ] [--run TAG] [--tick-us MICROSECONDS]\n"
    "  --rate 0 sends flat out; otherwise datagrams go out in batches once per tick (1000 us).\n"
    "  Stops after --count datagrams or --seconds, whichever comes first.\n";

struct Options {
    int port = 514;
    long count = 10000;
    double rate = 0;        // datagrams per second; 0 = flat out
    double seconds = 10;    // hard time limit
    long first = 1;
    char run[9] = "bench";   // short: it shares the 80..120 bytes with the text
    long tickUs = 1000;
};

struct Stats {
    long sent = 0;
    long errors = 0;
    int lastErrno = 0;
    long lateTicks = 0;     // ticks that found more than one tick's worth due
    long maxBatch = 0;
};

static const char *const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A few sources that look like what a desktop collector hears from a LAN.
struct Source {
    const char *host;
    const char *app;
    int pid;
    const char *text;
};

static const Source kSources[] = {
    {"gw-01", "sshd", 2211, "Accepted publickey for backup from 127.0.0.1 port 50122 ssh2"},
    {"nas", "smbd", 914, "connect to service media initially as user guest"},
    {"printer3", "lpd", 77, "job 118 completed, 3 pages"},
    {"web-2", "nginx", 1402, "upstream timed out while reading response header"},
    {"gw-01", "kernel", 0, "IN=eth0 OUT= SRC=127.0.0.1 DST=127.0.0.1 LEN=60 PROTO=TCP DPT=23"},
    {"db-1", "postgres", 3321, "checkpoint complete: wrote 212 buffers"},
    {"ap-hall", "hostapd", 655, "wlan0: STA associated"},
    {"web-2", "cron", 19044, "(root) CMD (run-parts /etc/cron.hourly)"},
};
static const int kSourceCount = sizeof(kSources) / sizeof(kSources[0]);

static uint32_t g_crcTable[256];

static void InitCrc()
{
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        g_crcTable[i] = c;
    }
}

// Same as zlib.crc32, which is what the checker uses.
static uint32_t Crc32(const char *data, size_t len)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < len; i++)
        c = g_crcTable[(c ^ (unsigned char)data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static double Now()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// The sender's own RFC 3164 timestamp ("Feb  4 07:48:55"), refreshed once a second.
static const char *SenderTimestamp()
{
    static time_t cachedAt = 0;
    static char text[32] = "";
    time_t now = time(nullptr);
    if (now != cachedAt) {
        struct tm local;
        localtime_r(&now, &local);
        snprintf(text, sizeof text, "%s %2d %02d:%02d:%02d", kMonths[local.tm_mon % 12], local.tm_mday,
                 local.tm_hour, local.tm_min, local.tm_sec);
        cachedAt = now;
    }
    return text;
}

// Builds datagram number seq into buf; returns its length (80..120 bytes). The source's text is cut,
// or padded with filler, so that the whole datagram reaches its target length.
static int BuildDatagram(char *buf, size_t size, long seq, const char *run)
{
    const Source &src = kSources[seq % kSourceCount];
    int target = 80 + (int)(seq * 7 % 41);
    int pri = (int)(seq % 192);

    char tail[64];
    int tailLen = snprintf(tail, sizeof tail, " seq=%07ld run=%s", seq, run);
    const int chkLen = 13;  // " chk=" and 8 hex digits

    int n = snprintf(buf, size, "<%d>", pri);
    int bodyStart = n;
    n += snprintf(buf + n, size - n, "%s %s %s[%d]: ", SenderTimestamp(), src.host, src.app, src.pid);
    int room = target - n - tailLen - chkLen;
    int textLen = (int)strlen(src.text);
    for (int i = 0; i < room && n < (int)size - 1; i++)
        buf[n++] = i < textLen ? src.text[i] : (char)('a' + (seq + i) % 26);
    n += snprintf(buf + n, size - n, "%s", tail);
    uint32_t chk = Crc32(buf + bodyStart, n - bodyStart);
    n += snprintf(buf + n, size - n, " chk=%08x", chk);
    return n;
}

static bool ParseLong(const char *text, long *out)
{
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || end == text || *end)
        return false;
    *out = v;
    return true;
}

static bool ParseDouble(const char *text, double *out)
{
    char *end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno || end == text || *end)
        return false;
    *out = v;
    return true;
}

static bool ParseArgs(int argc, char **argv, Options *opt)
{
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        double d = 0;
        if (!strcmp(a, "--help") || !strcmp(a, "-h"))
            return false;
        if (!v) {
            fprintf(stderr, "loadgen: %s needs a value\n", a);
            return false;
        }
        i++;
        if (!strcmp(a, "--port") && ParseLong(v, &n) && n > 0 && n < 65536)
            opt->port = (int)n;
        else if (!strcmp(a, "--count") && ParseLong(v, &n) && n > 0 && n <= 9999999)
            opt->count = n;
        else if (!strcmp(a, "--rate") && ParseDouble(v, &d) && d >= 0 && d <= 10000000)
            opt->rate = d;
        else if (!strcmp(a, "--seconds") && ParseDouble(v, &d) && d > 0 && d <= 3600)
            opt->seconds = d;
        else if (!strcmp(a, "--first") && ParseLong(v, &n) && n >= 0 && n <= 9999999)
            opt->first = n;
        else if (!strcmp(a, "--run") && strlen(v) > 0 && strlen(v) < sizeof opt->run &&
                 strspn(v, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") == strlen(v))
            snprintf(opt->run, sizeof opt->run, "%s", v);
        else if (!strcmp(a, "--tick-us") && ParseLong(v, &n) && n >= 100 && n <= 100000)
            opt->tickUs = n;
        else {
            fprintf(stderr, "loadgen: bad option %s %s\n", a, v);
            return false;
        }
    }
    if (opt->first + opt->count - 1 > 9999999) {
        fprintf(stderr, "loadgen: sequence numbers must stay within 7 digits\n");
        return false;
    }
    return true;
}

static void SendOne(int sock, long seq, const Options &opt, Stats *st)
{
    char buf[256];
    int len = BuildDatagram(buf, sizeof buf, seq, opt.run);
    if (send(sock, buf, len, 0) == len) {
        st->sent++;
    } else {
        // ECONNREFUSED here means nobody was listening when an earlier datagram arrived.
        st->errors++;
        st->lastErrno = errno;
    }
}

static void SendFlatOut(int sock, const Options &opt, double deadline, Stats *st)
{
    for (long i = 0; i < opt.count; i++) {
        if ((i & 255) == 0 && Now() > deadline)
            break;
        SendOne(sock, opt.first + i, opt, st);
    }
}

// Once per tick, send everything that is due by now; a late tick catches up with one larger batch.
static void SendPaced(int sock, const Options &opt, double start, double deadline, Stats *st)
{
    long issued = 0;
    const double perTick = opt.rate * opt.tickUs / 1e6;
    struct timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    while (issued < opt.count) {
        double now = Now();
        if (now > deadline)
            break;
        long due = (long)(opt.rate * (now - start)) + 1;
        if (due > opt.count)
            due = opt.count;
        long batch = due - issued;
        if (batch > st->maxBatch)
            st->maxBatch = batch;
        if (batch > perTick + 1)
            st->lateTicks++;
        for (; issued < due; issued++)
            SendOne(sock, opt.first + issued, opt, st);

        next.tv_nsec += opt.tickUs * 1000;
        while (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            next.tv_sec++;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

int main(int argc, char **argv)
{
    Options opt;
    if (!ParseArgs(argc, argv, &opt)) {
        fputs(kUsage, stderr);
        return 2;
    }
    InitCrc();

    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (sock < 0) {
        perror("loadgen: socket");
        return 1;
    }
    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons((uint16_t)opt.port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never anywhere but this machine
    if (connect(sock, (struct sockaddr *)&to, sizeof to) != 0) {
        perror("loadgen: connect");
        return 1;
    }

    Stats st;
    double start = Now();
    double deadline = start + opt.seconds;
    if (opt.rate > 0)
        SendPaced(sock, opt, start, deadline, &st);
    else
        SendFlatOut(sock, opt, deadline, &st);
    double elapsed = Now() - start;
    close(sock);

    long attempted = st.sent + st.errors;
    printf("loadgen: port=%d mode=%s target_rate=%.0f count=%ld sent=%ld errors=%ld first=%ld last=%ld "
           "seconds=%.3f rate=%.0f late_ticks=%ld max_batch=%ld timed_out=%d",
           opt.port, opt.rate > 0 ? "paced" : "flat", opt.rate, opt.count, st.sent, st.errors, opt.first,
           opt.first + attempted - 1, elapsed, elapsed > 0 ? st.sent / elapsed : 0.0, st.lateTicks, st.maxBatch,
           attempted < opt.count ? 1 : 0);
    if (st.errors)
        printf(" last_error=\"%s\"", strerror(st.lastErrno));
    printf("\n");
    return attempted == opt.count && st.errors == 0 ? 0 : 1;
}
