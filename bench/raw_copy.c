/* Baseline for the file benchmark: the same bytes as one stream exchange
 * (four-digit name length, name, ten-character count, the bytes, then the
 * 16-byte acknowledgement), over plain blocking sockets, no Qt. The receiver
 * writes the bytes to a file, as the program does, in 64 KiB calls.
 *
 *   raw_copy serve PORT OUTFILE      accept one stream and store it
 *   raw_copy send HOST PORT FILE     send FILE, wait for the acknowledgement,
 *                                    print "raw: N bytes in S s = R MiB/s"
 * The reference for many files makes the same exchange per file, one
 * connection after another, as the program's transfer queue does:
 *   raw_copy serve-many PORT OUTDIR COUNT   store COUNT streams as OUTDIR/1...
 *   raw_copy send-many HOST PORT FILE...    each FILE on its own connection,
 *                                    print "raw: N files, B bytes in S s = R MiB/s"
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

enum {
    CHUNK = 65536,
    ACK_LEN = 16,
    TIME_LIMIT_S = 300,
};

static const char ack[ACK_LEN + 1] = "OK              ";
static char buf[CHUNK];

static void on_alarm(int sig)
{
    static const char msg[] = "raw_copy: time limit reached\n";
    (void)sig;
    if (write(STDERR_FILENO, msg, sizeof msg - 1) < 0) {
        /* nothing left to report to */
    }
    _exit(1);
}

/* 1 when all n bytes came, 0 on end of stream or error. */
static int read_full(int fd, char *p, size_t n)
{
    while (n > 0) {
        ssize_t got = read(fd, p, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        p += got;
        n -= (size_t)got;
    }
    return 1;
}

static int write_full(int fd, const char *p, size_t n)
{
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return 0;
        p += put;
        n -= (size_t)put;
    }
    return 1;
}

static int parse_port(const char *s)
{
    char *end;
    long v = strtol(s, &end, 10);
    if (*s == '\0' || *end != '\0' || v < 1 || v > 65535) {
        fprintf(stderr, "raw_copy: bad port %s\n", s);
        exit(2);
    }
    return (int)v;
}

static int listen_on(int port)
{
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons((unsigned short)port);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    int one = 1;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) < 0
        || bind(listener, (struct sockaddr *)&addr, sizeof addr) < 0 || listen(listener, 1) < 0) {
        perror("raw_copy: listen");
        return -1;
    }
    printf("READY\n");
    fflush(stdout);
    return listener;
}

/* One stream exchange on the next connection: header, bytes to outfile, acknowledgement. */
static int serve_one(int listener, const char *outfile)
{
    int fd = accept(listener, NULL, NULL);
    if (fd < 0) {
        perror("raw_copy: accept");
        return 1;
    }
    char len[4], count[11];
    if (!read_full(fd, len, sizeof len))
        return 1;
    int name_len = 0;
    for (int i = 0; i < 4; i++)
        name_len = name_len * 10 + (len[i] - '0');
    if (name_len > 0 && !read_full(fd, buf, (size_t)name_len))
        return 1;
    if (!read_full(fd, count, 10))
        return 1;
    count[10] = '\0';
    long long remaining = atoll(count);
    int out = open(outfile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        perror("raw_copy: open");
        return 1;
    }
    while (remaining > 0) {
        ssize_t got = read(fd, buf, remaining < CHUNK ? (size_t)remaining : CHUNK);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            fprintf(stderr, "raw_copy: stream ended early\n");
            return 1;
        }
        if (!write_full(out, buf, (size_t)got)) {
            perror("raw_copy: write");
            return 1;
        }
        remaining -= got;
    }
    close(out);
    if (!write_full(fd, ack, ACK_LEN))
        return 1;
    while (read(fd, buf, sizeof buf) > 0) {
        /* the sender closes first */
    }
    close(fd);
    return 0;
}

static int serve(int port, const char *outfile)
{
    int listener = listen_on(port);
    return listener < 0 ? 1 : serve_one(listener, outfile);
}

static int serve_many(int port, const char *outdir, long count)
{
    int listener = listen_on(port);
    if (listener < 0)
        return 1;
    char path[4096];
    for (long i = 1; i <= count; i++) {
        snprintf(path, sizeof path, "%s/%ld", outdir, i);
        if (serve_one(listener, path) != 0)
            return 1;
    }
    return 0;
}

static int address_of(const char *host, int port, struct sockaddr_in *to)
{
    memset(to, 0, sizeof *to);
    to->sin_family = AF_INET;
    to->sin_port = htons((unsigned short)port);
    if (inet_pton(AF_INET, host, &to->sin_addr) != 1) {
        fprintf(stderr, "raw_copy: %s is not an IPv4 address\n", host);
        return 0;
    }
    return 1;
}

/* One file on its own connection, to its acknowledgement; adds its size to *bytes. */
static int send_one(const struct sockaddr_in *to, const char *path, long long *bytes)
{
    int in = open(path, O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) < 0) {
        perror("raw_copy: open");
        return 1;
    }
    char header[4 + 4096 + 11];
    size_t name_len = strlen(path);
    if (name_len > 4096)
        name_len = 4096;
    int n = snprintf(header, sizeof header, "%04zu%.*s%10lld", name_len, (int)name_len, path, (long long)st.st_size);

    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, (const struct sockaddr *)to, sizeof *to) < 0) {
        perror("raw_copy: connect");
        return 1;
    }
    if (!write_full(fd, header, (size_t)n)) {
        perror("raw_copy: write");
        return 1;
    }
    for (;;) {
        ssize_t got = read(in, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            perror("raw_copy: read");
            return 1;
        }
        if (got == 0)
            break;
        if (!write_full(fd, buf, (size_t)got)) {
            perror("raw_copy: send");
            return 1;
        }
    }
    char reply[ACK_LEN];
    if (!read_full(fd, reply, sizeof reply) || memcmp(reply, ack, ACK_LEN) != 0) {
        fprintf(stderr, "raw_copy: no acknowledgement\n");
        return 1;
    }
    close(fd);
    close(in);
    *bytes += (long long)st.st_size;
    return 0;
}

static double seconds_since(const struct timespec *t0)
{
    struct timespec t1;
    clock_gettime(CLOCK_MONOTONIC, &t1);
    return (double)(t1.tv_sec - t0->tv_sec) + (double)(t1.tv_nsec - t0->tv_nsec) / 1e9;
}

static int send_file(const char *host, int port, const char *path)
{
    struct sockaddr_in to;
    if (!address_of(host, port, &to))
        return 2;
    struct timespec t0;
    long long bytes = 0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (send_one(&to, path, &bytes) != 0)
        return 1;
    double s = seconds_since(&t0);
    printf("raw: %lld bytes in %.3f s = %.1f MiB/s\n", bytes, s, (double)bytes / 1048576.0 / s);
    return 0;
}

static int send_many(const char *host, int port, char **paths, int count)
{
    struct sockaddr_in to;
    if (!address_of(host, port, &to))
        return 2;
    struct timespec t0;
    long long bytes = 0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (int i = 0; i < count; i++) {
        if (send_one(&to, paths[i], &bytes) != 0)
            return 1;
    }
    double s = seconds_since(&t0);
    printf("raw: %d files, %lld bytes in %.3f s = %.1f MiB/s\n", count, bytes, s, (double)bytes / 1048576.0 / s);
    return 0;
}

int main(int argc, char **argv)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGALRM, on_alarm);
    alarm(TIME_LIMIT_S);
    if (argc == 4 && strcmp(argv[1], "serve") == 0)
        return serve(parse_port(argv[2]), argv[3]);
    if (argc == 5 && strcmp(argv[1], "send") == 0)
        return send_file(argv[2], parse_port(argv[3]), argv[4]);
    if (argc == 5 && strcmp(argv[1], "serve-many") == 0)
        return serve_many(parse_port(argv[2]), argv[3], atol(argv[4]));
    if (argc >= 5 && strcmp(argv[1], "send-many") == 0)
        return send_many(argv[2], parse_port(argv[3]), argv + 4, argc - 4);
    fprintf(stderr, "usage: raw_copy serve PORT OUTFILE | raw_copy send HOST PORT FILE\n"
                    "       raw_copy serve-many PORT OUTDIR COUNT | raw_copy send-many HOST PORT FILE...\n");
    return 2;
}
