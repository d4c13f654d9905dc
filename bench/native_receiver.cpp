// Trivial Linux syslog receiver that writes the collector's line format: a native reference for the bench tools.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static volatile sig_atomic_t g_stop = 0;

static void OnSignal(int)
{
    g_stop = 1;
}

int main(int argc, char **argv)
{
    int port = 5514;
    int rcvbuf = 0;  // 0 keeps the system default
    double seconds = 60;
    const char *out = "native.log";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--port"))
            port = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--rcvbuf"))
            rcvbuf = atoi(argv[i + 1]);
        else if (!strcmp(argv[i], "--seconds"))
            seconds = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--out"))
            out = argv[i + 1];
        else {
            fprintf(stderr, "usage: native_receiver [--port N] [--rcvbuf BYTES] [--seconds LIMIT] [--out FILE]\n");
            return 2;
        }
    }
    if (port <= 0 || port > 65535 || seconds <= 0 || seconds > 3600) {
        fprintf(stderr, "native_receiver: bad port or time limit\n");
        return 2;
    }
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);

    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (sock < 0) {
        perror("socket");
        return 1;
    }
    if (rcvbuf > 0)
        setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    int effective = 0;
    socklen_t optLen = sizeof effective;
    getsockopt(sock, SOL_SOCKET, SO_RCVBUF, &effective, &optLen);

    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons((unsigned short)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(sock, (struct sockaddr *)&addr, sizeof addr) != 0) {
        perror("bind");
        return 1;
    }
    int fd = open(out, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) {
        perror(out);
        return 1;
    }
    printf("native_receiver: port=%d rcvbuf=%d out=%s\n", port, effective, out);
    fflush(stdout);

    time_t deadline = time(nullptr) + (time_t)seconds;
    long received = 0;
    while (!g_stop && time(nullptr) < deadline) {
        struct pollfd pfd = {sock, POLLIN, 0};
        if (poll(&pfd, 1, 200) <= 0)
            continue;
        char data[601];
        struct sockaddr_in from;
        socklen_t fromLen = sizeof from;
        // MSG_TRUNC makes an oversized datagram show up as such, as a Winsock receive would.
        ssize_t len = recvfrom(sock, data, 600, MSG_TRUNC, (struct sockaddr *)&from, &fromLen);
        if (len < 0 || len > 600)
            continue;
        data[len] = '\0';
        time_t now = time(nullptr);
        struct tm local;
        localtime_r(&now, &local);
        char stamp[32];
        strftime(stamp, sizeof stamp, "%b %d %H:%M:%S ", &local);
        const unsigned char *ip = (const unsigned char *)&from.sin_addr.s_addr;
        char line[700];
        int n = snprintf(line, sizeof line, "%s%d.%d.%d.%d:%d <none> %s\r\n", stamp, ip[0], ip[1], ip[2], ip[3],
                         ntohs(from.sin_port), data);
        if (n > (int)sizeof line - 1)
            n = (int)sizeof line - 1;
        if (write(fd, line, n) != n)
            perror("write");
        received++;
    }
    close(fd);
    printf("native_receiver: received=%ld\n", received);
    return 0;
}
