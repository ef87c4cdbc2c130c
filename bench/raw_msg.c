/* Baseline for the message benchmark: the same bytes as one message
 * exchange, over plain blocking sockets on 127.0.0.1, no Qt.
 *
 *   raw_msg PORT COUNT
 *   raw_msg --serve PORT SECONDS
 *
 * Forks a server that answers each connection, then posts COUNT messages one
 * after another, each on its own connection, and prints
 *   raw: N messages in S s = R msg/s
 * With --serve it only answers, for at most SECONDS, so that a client of the
 * program's own can post to it what it posts to a running instance.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum {
    MAX_COUNT = 200000,
    TIME_LIMIT_S = 60,
    ACK_LEN = 16,
    MAX_FIELD = 9999,
};

static const char ack[ACK_LEN + 1] = "OK              ";

static volatile sig_atomic_t server_pid;

static void on_alarm(int sig)
{
    static const char msg[] = "raw_msg: time limit reached\n";
    (void)sig;
    if (server_pid > 0) {
        kill(server_pid, SIGKILL);
        waitpid(server_pid, NULL, 0);
    }
    if (write(STDERR_FILENO, msg, sizeof msg - 1) < 0) {
        /* nothing left to report to */
    }
    _exit(1);
}

/* 1 when all n bytes came, 0 on end of stream or error. */
static int read_full(int fd, char *buf, size_t n)
{
    while (n > 0) {
        ssize_t got = read(fd, buf, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        buf += got;
        n -= (size_t)got;
    }
    return 1;
}

static int write_full(int fd, const char *buf, size_t n)
{
    while (n > 0) {
        ssize_t put = write(fd, buf, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return 0;
        buf += put;
        n -= (size_t)put;
    }
    return 1;
}

/* Reads a four-digit length and its bytes; -1 on a short or malformed field. */
static int read_field(int fd, char *buf)
{
    char len[4];
    int n = 0;
    if (!read_full(fd, len, sizeof len))
        return -1;
    for (int i = 0; i < 4; i++) {
        if (len[i] < '0' || len[i] > '9')
            return -1;
        n = n * 10 + (len[i] - '0');
    }
    if (n > 0 && !read_full(fd, buf, (size_t)n))
        return -1;
    return n;
}

static void serve_one(int fd)
{
    static char name[MAX_FIELD], text[MAX_FIELD];
    char rest[64];
    if (read_field(fd, name) < 0 || read_field(fd, text) < 0)
        return;
    if (!write_full(fd, ack, ACK_LEN))
        return;
    /* The client closes first; drain until it does. */
    while (read(fd, rest, sizeof rest) > 0) {
    }
}

static void serve(int listener)
{
    for (;;) {
        int fd = accept(listener, NULL, NULL);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            _exit(1);
        }
        serve_one(fd);
        close(fd);
    }
}

static int post(const struct sockaddr_in *to)
{
    char reply[ACK_LEN];
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        perror("raw_msg: socket");
        return 0;
    }
    if (connect(fd, (const struct sockaddr *)to, sizeof *to) < 0) {
        perror("raw_msg: connect");
        close(fd);
        return 0;
    }
    /* Two writes, as the program's client does. */
    if (!write_full(fd, "0003PC1", 7) || !write_full(fd, "0002Hi", 6)) {
        perror("raw_msg: write");
        close(fd);
        return 0;
    }
    if (!read_full(fd, reply, sizeof reply) || memcmp(reply, ack, ACK_LEN) != 0) {
        fprintf(stderr, "raw_msg: no acknowledgement\n");
        close(fd);
        return 0;
    }
    close(fd);
    return 1;
}

static long parse_arg(const char *s, long lo, long hi, const char *what)
{
    char *end;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (errno || *s == '\0' || *end != '\0' || v < lo || v > hi) {
        fprintf(stderr, "raw_msg: %s must be %ld..%ld\n", what, lo, hi);
        exit(2);
    }
    return v;
}

static int listen_on(const struct sockaddr_in *addr)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) < 0 ||
        bind(listener, (const struct sockaddr *)addr, sizeof *addr) < 0 || listen(listener, 128) < 0) {
        perror("raw_msg: listen");
        return -1;
    }
    return listener;
}

static struct sockaddr_in loopback(int port)
{
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons((unsigned short)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "--serve") == 0) {
        int port = (int)parse_arg(argv[2], 1, 65535, "PORT");
        long seconds = parse_arg(argv[3], 1, 3600, "SECONDS");
        signal(SIGPIPE, SIG_IGN);
        alarm((unsigned)seconds); /* default action: the server ends */
        struct sockaddr_in addr = loopback(port);
        int listener = listen_on(&addr);
        if (listener < 0)
            return 1;
        serve(listener);
        return 0;
    }
    if (argc != 3) {
        fprintf(stderr, "usage: raw_msg PORT COUNT | raw_msg --serve PORT SECONDS\n");
        return 2;
    }
    int port = (int)parse_arg(argv[1], 1, 65535, "PORT");
    long count = parse_arg(argv[2], 1, MAX_COUNT, "COUNT");

    signal(SIGPIPE, SIG_IGN);
    signal(SIGALRM, on_alarm);
    alarm(TIME_LIMIT_S);

    struct sockaddr_in addr = loopback(port);

    /* Listening before the fork: the first connect cannot race the server. */
    int listener = listen_on(&addr);
    if (listener < 0)
        return 1;

    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        perror("raw_msg: fork");
        return 1;
    }
    if (child == 0) {
        /* Never outlive the client, however it ends. */
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(1);
        signal(SIGALRM, SIG_DFL);
        alarm(TIME_LIMIT_S + 5);
        serve(listener);
        _exit(0);
    }
    server_pid = child;
    close(listener);

    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    long done = 0;
    while (done < count && post(&addr))
        done++;
    clock_gettime(CLOCK_MONOTONIC, &t1);

    kill(child, SIGKILL);
    waitpid(child, NULL, 0);
    server_pid = 0;

    if (done < count) {
        fprintf(stderr, "raw_msg: stopped after %ld of %ld messages\n", done, count);
        return 1;
    }
    double s = (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9;
    printf("raw: %ld messages in %.3f s = %.0f msg/s\n", done, s, s > 0 ? (double)done / s : 0.0);
    return 0;
}
