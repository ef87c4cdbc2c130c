/* Baseline for the message benchmarks: the same bytes as one message
 * exchange, over plain blocking sockets on 127.0.0.1, no Qt.
 *
 *   raw_msg PORT COUNT [SENDERS [SERVERS]]
 *   raw_msg --post PORT COUNT [SENDERS]
 *   raw_msg --serve PORT SECONDS
 *
 * Forks a server that answers each connection (SERVERS processes sharing the
 * listener, one by default: a single process serving one connection after
 * another, like the program's one event loop), then posts
 * COUNT messages, each on its own connection, from SENDERS processes that
 * each post one after another, and prints
 *   raw: N messages in S s = R msg/s
 * and the CPU time its server processes spent, per message:
 *   raw server CPU: U us per message
 * With --post it is only the client, posting to whatever listens on PORT (a
 * running instance of the program), and prints "post: ..." and, with one
 * sender, the rate over every WINDOW messages. With --serve it only answers,
 * for at most SECONDS.
 *
 * Every message is from "BENCH" with the text "Сообщение номер N :-)
 * http://intranet/" in code page 1251: a number, a smiley and a link, as
 * users write them.
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
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "raw_common.h"

enum {
    MAX_COUNT = 200000,
    TIME_LIMIT_S = 60,
    ACK_LEN = 16,
    MAX_FIELD = 9999,
    MAX_SENDERS = 64,
    WINDOW = 3000,
};

static const char ack[ACK_LEN + 1] = "OK              ";

static pid_t children[2 * MAX_SENDERS];
static volatile sig_atomic_t child_count;
static pid_t servers_started[MAX_SENDERS];
static int server_count;

static void kill_children(void)
{
    for (int i = 0; i < child_count; i++) {
        if (children[i] > 0) {
            kill(children[i], SIGKILL);
            waitpid(children[i], NULL, 0);
            children[i] = 0;
        }
    }
    child_count = 0;
}

static void on_alarm(int sig)
{
    static const char msg[] = "raw_msg: time limit reached\n";
    (void)sig;
    kill_children();
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

/* "Сообщение номер " in code page 1251. */
static const char text_start[] = "\xd1\xee\xee\xe1\xf9\xe5\xed\xe8\xe5 \xed\xee\xec\xe5\xf0 ";

static int post(const struct sockaddr_in *to, long number)
{
    char reply[ACK_LEN];
    char text[128], field[140];
    int len = snprintf(text, sizeof text, "%s%ld :-) http://intranet/", text_start, number);
    int flen = snprintf(field, sizeof field, "%04d%s", len, text);
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
    if (!write_full(fd, "0005BENCH", 9) || !write_full(fd, field, (size_t)flen)) {
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

/* One sender: messages first .. first + count - 1, each once the one before
 * is acknowledged; with windows, the rate over every WINDOW messages is
 * printed at the end. 0 when every message was acknowledged. */
static int post_run(const struct sockaddr_in *to, long first, long count, int windows)
{
    static double rates[MAX_COUNT / WINDOW + 1];
    int window_count = 0;
    struct timespec window_start;
    clock_gettime(CLOCK_MONOTONIC, &window_start);
    for (long i = 0; i < count; i++) {
        if (!post(to, first + i)) {
            fprintf(stderr, "raw_msg: stopped after %ld of %ld messages\n", i, count);
            return 1;
        }
        if (windows && (i + 1) % WINDOW == 0) {
            rates[window_count++] = WINDOW / seconds_since(&window_start);
            clock_gettime(CLOCK_MONOTONIC, &window_start);
        }
    }
    if (window_count > 0) {
        printf("rate per %d messages:", WINDOW);
        for (int i = 0; i < window_count; i++)
            printf(" %.0f", rates[i]);
        printf(" msg/s\n");
    }
    return 0;
}

/* Forks a process that dies with this one; the parent registers it in children. */
static pid_t fork_child(void)
{
    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        perror("raw_msg: fork");
        return -1;
    }
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(1);
        signal(SIGALRM, SIG_DFL);
        return 0;
    }
    children[child_count++] = child;
    return child;
}

/* Seconds for count messages from senders processes, or -1 when one failed. */
static double post_all(const struct sockaddr_in *to, long count, int senders, int windows)
{
    struct timespec t0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (senders == 1)
        return post_run(to, 0, count, windows) == 0 ? seconds_since(&t0) : -1;
    int first_client = child_count;
    long first = 0;
    for (int i = 0; i < senders; i++) {
        long share = count / senders + (i < count % senders ? 1 : 0);
        pid_t child = fork_child();
        if (child < 0)
            return -1;
        if (child == 0)
            _exit(post_run(to, first, share, 0));
        first += share;
    }
    int failed = 0;
    for (int i = first_client; i < child_count; i++) {
        int status = 0;
        if (waitpid(children[i], &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            failed = 1;
        children[i] = 0;
    }
    double s = seconds_since(&t0);
    return failed ? -1 : s;
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
    int post_only = argc >= 2 && strcmp(argv[1], "--post") == 0;
    int a = post_only ? 2 : 1;
    if (argc - a < 2 || argc - a > (post_only ? 3 : 4)) {
        fprintf(stderr, "usage: raw_msg PORT COUNT [SENDERS [SERVERS]] | raw_msg --post PORT COUNT [SENDERS] | "
                        "raw_msg --serve PORT SECONDS\n");
        return 2;
    }
    int port = (int)parse_arg(argv[a], 1, 65535, "PORT");
    long count = parse_arg(argv[a + 1], 1, MAX_COUNT, "COUNT");
    int senders = argc - a >= 3 ? (int)parse_arg(argv[a + 2], 1, MAX_SENDERS, "SENDERS") : 1;
    int servers = argc - a == 4 ? (int)parse_arg(argv[a + 3], 1, MAX_SENDERS, "SERVERS") : 1;
    /* Bounded, with room for a receiver far slower than the raw server. */
    unsigned limit = (unsigned)(TIME_LIMIT_S + count / 100);

    signal(SIGPIPE, SIG_IGN);
    signal(SIGALRM, on_alarm);
    alarm(limit);

    struct sockaddr_in addr = loopback(port);

    if (!post_only) {
        /* Listening before the fork: the first connect cannot race the server. */
        int listener = listen_on(&addr);
        if (listener < 0)
            return 1;
        for (int i = 0; i < servers; i++) {
            pid_t child = fork_child();
            if (child < 0) {
                kill_children();
                return 1;
            }
            if (child == 0) {
                alarm(limit + 5);
                serve(listener);
                _exit(0);
            }
            servers_started[server_count++] = child;
        }
        close(listener);
    }

    double s = post_all(&addr, count, senders, post_only && senders == 1);
    /* The servers answered the last message before it counted as acknowledged;
     * their CPU time is read once they are gone. */
    double server_cpu = 0;
    for (int i = 0; i < server_count; i++) {
        struct rusage use;
        kill(servers_started[i], SIGKILL);
        if (wait4(servers_started[i], NULL, 0, &use) == servers_started[i])
            server_cpu += (double)use.ru_utime.tv_sec + (double)use.ru_utime.tv_usec / 1e6 +
                          (double)use.ru_stime.tv_sec + (double)use.ru_stime.tv_usec / 1e6;
        for (int j = 0; j < child_count; j++) {
            if (children[j] == servers_started[i])
                children[j] = 0;
        }
    }
    kill_children();
    if (s < 0) {
        fprintf(stderr, "raw_msg: not every message was acknowledged\n");
        return 1;
    }
    printf("%s: %ld messages from %d sender%s in %.3f s = %.0f msg/s\n", post_only ? "post" : "raw", count, senders,
           senders == 1 ? "" : "s", s, s > 0 ? (double)count / s : 0.0);
    if (server_count > 0)
        printf("raw server CPU: %.1f us per message\n", server_cpu * 1e6 / (double)count);
    return 0;
}
