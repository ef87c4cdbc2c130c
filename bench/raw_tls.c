/* The C client of the secure channel benchmark: the same bytes as the
 * program's message and stream exchanges, sent to a running instance either
 * in the open or over TLS 1.3, with blocking sockets and libssl, no Qt. Over
 * TLS it presents a P-256 key and a certificate signed by itself, made at
 * start, and names its channel by ALPN as the program's own client does.
 *
 *   raw_tls msg open PORT COUNT        a connection per message
 *   raw_tls msg tls PORT COUNT         one TLS connection, one exchange after another
 *   raw_tls msg fresh PORT COUNT       a TLS handshake for each message
 *   raw_tls file open PORT FILE        one stream on a plain connection
 *   raw_tls file tls PORT FILE         one stream over TLS
 *   raw_tls serve open|tls PORT SECONDS
 *                                      stream server (over TLS: ALPN
 *                                      zavolin-file/1) for the program's
 *                                      sending: takes one stream, drops its
 *                                      bytes, acknowledges; prints "READY" and
 *                                      over TLS its key's fingerprint
 *
 * Prints "MODE: N messages in S s = R msg/s" or "MODE: N bytes in S s =
 * R MiB/s". Over TLS the receiver pins a key to the sender's name on its first
 * message (trust on first use) and refuses streams from a key pinned to no
 * name, so `file tls` first posts one message from the same name and key.
 * Every name is "BENCH" in the open and "TLSBENCH" with the process id over
 * TLS: each run has a new key, which must not meet the pin of an earlier run.
 * Every text is "Сообщение номер N :-) http://intranet/" in code page 1251.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "raw_common.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

enum {
    CHUNK = 65536,
    ACK_LEN = 16,
    MAX_COUNT = 200000,
    TIME_LIMIT_S = 300,
};

static const char ack[ACK_LEN + 1] = "OK              ";
static const unsigned char alpn_msg[] = "\x0dzavolin-msg/1";
static const unsigned char alpn_file[] = "\x0ezavolin-file/1";
/* "Сообщение номер " in code page 1251. */
static const char text_start[] = "\xd1\xee\xee\xe1\xf9\xe5\xed\xe8\xe5 \xed\xee\xec\xe5\xf0 ";
static char buf[CHUNK];
static char tls_name[32];

static void on_alarm(int sig)
{
    static const char msg[] = "raw_tls: time limit reached\n";
    (void)sig;
    if (write(STDERR_FILENO, msg, sizeof msg - 1) < 0) {
        /* nothing left to report to */
    }
    _exit(1);
}

static void die(const char *what)
{
    fprintf(stderr, "raw_tls: %s\n", what);
    ERR_print_errors_fp(stderr);
    exit(1);
}

/* One end of a connection: a plain socket, or TLS over it. */
struct conn {
    int fd;
    SSL *ssl;
};

static int conn_write(struct conn *c, const char *p, size_t n)
{
    while (n > 0) {
        if (c->ssl) {
            size_t put = 0;
            if (SSL_write_ex(c->ssl, p, n, &put) != 1)
                return 0;
            p += put;
            n -= put;
            continue;
        }
        ssize_t put = write(c->fd, p, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return 0;
        p += put;
        n -= (size_t)put;
    }
    return 1;
}

/* Bytes read into p (at most n), 0 at the end of the stream or on an error. */
static size_t conn_read_some(struct conn *c, char *p, size_t n)
{
    if (c->ssl) {
        size_t got = 0;
        return SSL_read_ex(c->ssl, p, n, &got) == 1 ? got : 0;
    }
    for (;;) {
        ssize_t got = read(c->fd, p, n);
        if (got < 0 && errno == EINTR)
            continue;
        return got > 0 ? (size_t)got : 0;
    }
}

static int conn_read_full(struct conn *c, char *p, size_t n)
{
    while (n > 0) {
        size_t got = conn_read_some(c, p, n);
        if (got == 0)
            return 0;
        p += got;
        n -= got;
    }
    return 1;
}

static void conn_close(struct conn *c)
{
    if (c->ssl) {
        SSL_shutdown(c->ssl);
        SSL_free(c->ssl);
        c->ssl = NULL;
    }
    if (c->fd >= 0)
        close(c->fd);
    c->fd = -1;
}

static char own_fingerprint[65];

/* SHA-256 of the key's SubjectPublicKeyInfo, upper-case hexadecimal: what a pin holds. */
static void note_fingerprint(EVP_PKEY *key)
{
    unsigned char *der = NULL, digest[32];
    int len = i2d_PUBKEY(key, &der);
    unsigned digest_len = 0;
    if (len <= 0 || EVP_Digest(der, (size_t)len, digest, &digest_len, EVP_sha256(), NULL) != 1 || digest_len != 32)
        die("cannot take the key's fingerprint");
    OPENSSL_free(der);
    for (int i = 0; i < 32; i++)
        snprintf(own_fingerprint + 2 * i, 3, "%02X", digest[i]);
}

/* A P-256 key and a certificate for it signed by itself, installed in ctx. */
static void use_own_identity(SSL_CTX *ctx)
{
    EVP_PKEY *key = EVP_EC_gen("P-256");
    X509 *cert = X509_new();
    unsigned char serial[16];
    if (!key || !cert || X509_set_version(cert, 2) != 1 || RAND_bytes(serial, sizeof serial) != 1)
        die("cannot make a key");
    serial[0] &= 0x7f;
    BIGNUM *number = BN_bin2bn(serial, sizeof serial, NULL);
    if (!number || !BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert)))
        die("cannot make a serial number");
    BN_free(number);
    X509_NAME *name = X509_get_subject_name(cert);
    if (!X509_gmtime_adj(X509_getm_notBefore(cert), -86400) || !X509_gmtime_adj(X509_getm_notAfter(cert), 86400)
        || X509_set_pubkey(cert, key) != 1
        || X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, (const unsigned char *)"raw_tls", -1, -1, 0) != 1
        || X509_set_issuer_name(cert, name) != 1 || X509_sign(cert, key, EVP_sha256()) <= 0)
        die("cannot make a certificate");
    if (SSL_CTX_use_certificate(ctx, cert) != 1 || SSL_CTX_use_PrivateKey(ctx, key) != 1)
        die("cannot use the certificate");
    note_fingerprint(key);
    X509_free(cert);
    EVP_PKEY_free(key);
}

static int accept_any_certificate(int preverified, X509_STORE_CTX *store)
{
    (void)preverified;
    (void)store;
    return 1;
}

/* TLS 1.3 only, each side presenting its certificate; trust comes from the
 * receiver's pin, so nothing is verified here. */
static SSL_CTX *make_context(int server)
{
    SSL_CTX *ctx = SSL_CTX_new(server ? TLS_server_method() : TLS_client_method());
    if (!ctx || SSL_CTX_set_min_proto_version(ctx, TLS1_3_VERSION) != 1
        || SSL_CTX_set_max_proto_version(ctx, TLS1_3_VERSION) != 1)
        die("cannot make a TLS context");
    SSL_CTX_set_options(ctx, SSL_OP_NO_TICKET);
    use_own_identity(ctx);
    if (server)
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, accept_any_certificate);
    return ctx;
}

/* Connects to loopback PORT; over TLS when ctx is set, asking for the channel alpn. */
static int conn_open(struct conn *c, int port, SSL_CTX *ctx, const unsigned char *alpn, size_t alpn_len)
{
    struct sockaddr_in to = loopback(port);
    c->ssl = NULL;
    c->fd = socket(AF_INET, SOCK_STREAM, 0);
    if (c->fd < 0 || connect(c->fd, (const struct sockaddr *)&to, sizeof to) < 0) {
        perror("raw_tls: connect");
        return 0;
    }
    if (!ctx)
        return 1;
    int one = 1;
    setsockopt(c->fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    c->ssl = SSL_new(ctx);
    if (!c->ssl || SSL_set_fd(c->ssl, c->fd) != 1 || SSL_set_alpn_protos(c->ssl, alpn, (unsigned)alpn_len) != 0)
        die("cannot start TLS");
    if (SSL_connect(c->ssl) != 1) {
        fprintf(stderr, "raw_tls: handshake failed\n");
        ERR_print_errors_fp(stderr);
        return 0;
    }
    const unsigned char *agreed = NULL;
    unsigned agreed_len = 0;
    SSL_get0_alpn_selected(c->ssl, &agreed, &agreed_len);
    if (agreed_len != alpn_len - 1 || memcmp(agreed, alpn + 1, agreed_len) != 0) {
        fprintf(stderr, "raw_tls: the server agreed to no channel\n");
        return 0;
    }
    return 1;
}

/* One message exchange on an open connection: the two fields, then the acknowledgement. */
static int exchange(struct conn *c, const char *from, long number)
{
    char text[128], frame[200], reply[ACK_LEN];
    int len = snprintf(text, sizeof text, "%s%ld :-) http://intranet/", text_start, number);
    int n = snprintf(frame, sizeof frame, "%04zu%s%04d%s", strlen(from), from, len, text);
    if (!conn_write(c, frame, (size_t)n)) {
        fprintf(stderr, "raw_tls: message %ld not sent\n", number);
        return 0;
    }
    if (!conn_read_full(c, reply, sizeof reply) || memcmp(reply, ack, ACK_LEN) != 0) {
        fprintf(stderr, "raw_tls: no acknowledgement for message %ld\n", number);
        return 0;
    }
    return 1;
}

static int post_messages(const char *mode, int port, long count)
{
    int tls = strcmp(mode, "open") != 0;
    int fresh = strcmp(mode, "fresh") == 0;
    SSL_CTX *ctx = tls ? make_context(0) : NULL;
    const char *from = tls ? tls_name : "BENCH";
    struct conn c = {-1, NULL};
    struct timespec t0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    for (long i = 0; i < count; i++) {
        /* In the open every message has its connection, as peers expect; over TLS one serves them all. */
        int connect_now = !tls || fresh || i == 0;
        if (connect_now && !conn_open(&c, port, ctx, alpn_msg, sizeof alpn_msg - 1))
            return 1;
        if (!exchange(&c, from, i)) {
            fprintf(stderr, "raw_tls: stopped after %ld of %ld messages\n", i, count);
            return 1;
        }
        if (!tls || fresh || i == count - 1)
            conn_close(&c);
    }
    double s = seconds_since(&t0);
    printf("%s: %ld messages in %.3f s = %.0f msg/s\n", mode, count, s, s > 0 ? (double)count / s : 0.0);
    SSL_CTX_free(ctx);
    return 0;
}

static int send_file(const char *mode, int port, const char *path)
{
    int tls = strcmp(mode, "tls") == 0;
    SSL_CTX *ctx = tls ? make_context(0) : NULL;
    struct conn c = {-1, NULL};
    int in = open(path, O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) < 0) {
        perror("raw_tls: open");
        return 1;
    }
    if (tls) {
        /* First contact pins our key to our name; only then are our streams taken. */
        if (!conn_open(&c, port, ctx, alpn_msg, sizeof alpn_msg - 1) || !exchange(&c, tls_name, 0))
            return 1;
        conn_close(&c);
    }
    const char *base = strrchr(path, '/');
    base = base ? base + 1 : path;
    char header[4 + 256 + 11];
    int n = snprintf(header, sizeof header, "%04zu%.255s%10lld", strlen(base) > 255 ? (size_t)255 : strlen(base),
                     base, (long long)st.st_size);

    struct timespec t0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (!conn_open(&c, port, ctx, alpn_file, sizeof alpn_file - 1))
        return 1;
    if (!conn_write(&c, header, (size_t)n)) {
        fprintf(stderr, "raw_tls: header not sent\n");
        return 1;
    }
    for (;;) {
        ssize_t got = read(in, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            perror("raw_tls: read");
            return 1;
        }
        if (got == 0)
            break;
        if (!conn_write(&c, buf, (size_t)got)) {
            fprintf(stderr, "raw_tls: the receiver stopped taking bytes\n");
            return 1;
        }
    }
    char reply[ACK_LEN];
    if (!conn_read_full(&c, reply, sizeof reply) || memcmp(reply, ack, ACK_LEN) != 0) {
        fprintf(stderr, "raw_tls: no acknowledgement\n");
        return 1;
    }
    double s = seconds_since(&t0);
    conn_close(&c);
    printf("%s: %lld bytes in %.3f s = %.1f MiB/s\n", mode, (long long)st.st_size, s,
           (double)st.st_size / 1048576.0 / s);
    SSL_CTX_free(ctx);
    return 0;
}

/* Either channel, as the program's listener offers both on one port. */
static int select_channel(SSL *ssl, const unsigned char **out, unsigned char *outlen, const unsigned char *in,
                          unsigned inlen, void *arg)
{
    static const unsigned char both[] = "\x0ezavolin-file/1\x0dzavolin-msg/1";
    (void)ssl;
    (void)arg;
    unsigned char *chosen = NULL;
    if (SSL_select_next_proto(&chosen, outlen, both, sizeof both - 1, in, inlen) != OPENSSL_NPN_NEGOTIATED)
        return SSL_TLSEXT_ERR_ALERT_FATAL;
    *out = chosen;
    return SSL_TLSEXT_ERR_OK;
}

/* A four-digit length, then that many bytes into buf; -1 on anything else. */
static int read_field(struct conn *c)
{
    char len[4];
    int n = 0;
    if (!conn_read_full(c, len, sizeof len))
        return -1;
    for (int i = 0; i < 4; i++) {
        if (len[i] < '0' || len[i] > '9')
            return -1;
        n = n * 10 + (len[i] - '0');
    }
    return n == 0 || conn_read_full(c, buf, (size_t)n) ? n : -1;
}

/* Takes one stream, drops its bytes and acknowledges: the far end of the
 * program's own sending, with no disk in the way. Over TLS a message first
 * (a client's first contact) is answered as well. */
static int serve(int tls, int port)
{
    SSL_CTX *ctx = tls ? make_context(1) : NULL;
    if (ctx)
        SSL_CTX_set_alpn_select_cb(ctx, select_channel, NULL);
    struct sockaddr_in addr = loopback(port);
    int one = 1;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0 || setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) < 0
        || bind(listener, (struct sockaddr *)&addr, sizeof addr) < 0 || listen(listener, 4) < 0) {
        perror("raw_tls: listen");
        return 1;
    }
    printf("READY %s\n", tls ? own_fingerprint : "");
    fflush(stdout);
    struct conn c;
    for (;;) {
        c.fd = accept(listener, NULL, NULL);
        c.ssl = NULL;
        if (c.fd < 0)
            return 1;
        if (!ctx)
            break;
        c.ssl = SSL_new(ctx);
        if (!c.ssl || SSL_set_fd(c.ssl, c.fd) != 1 || SSL_accept(c.ssl) != 1)
            die("handshake failed");
        const unsigned char *agreed = NULL;
        unsigned agreed_len = 0;
        SSL_get0_alpn_selected(c.ssl, &agreed, &agreed_len);
        if (agreed_len == sizeof alpn_file - 2 && memcmp(agreed, alpn_file + 1, agreed_len) == 0)
            break;
        if (read_field(&c) < 0 || read_field(&c) < 0 || !conn_write(&c, ack, ACK_LEN))
            return 1;
        conn_close(&c);
    }
    char count[11];
    if (read_field(&c) < 0 || !conn_read_full(&c, count, 10))
        return 1;
    count[10] = '\0';
    long long remaining = atoll(count);
    while (remaining > 0) {
        size_t got = conn_read_some(&c, buf, remaining < CHUNK ? (size_t)remaining : CHUNK);
        if (got == 0) {
            fprintf(stderr, "raw_tls: stream ended early\n");
            return 1;
        }
        remaining -= (long long)got;
    }
    if (!conn_write(&c, ack, ACK_LEN))
        return 1;
    conn_close(&c);
    SSL_CTX_free(ctx);
    return 0;
}

static long parse_arg(const char *s, long lo, long hi, const char *what)
{
    char *end;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (errno || *s == '\0' || *end != '\0' || v < lo || v > hi) {
        fprintf(stderr, "raw_tls: %s must be %ld..%ld\n", what, lo, hi);
        exit(2);
    }
    return v;
}

int main(int argc, char **argv)
{
    signal(SIGPIPE, SIG_IGN);
    signal(SIGALRM, on_alarm);
    alarm(TIME_LIMIT_S);
    snprintf(tls_name, sizeof tls_name, "TLSBENCH%ld", (long)getpid());
    if (argc == 5 && strcmp(argv[1], "msg") == 0
        && (strcmp(argv[2], "open") == 0 || strcmp(argv[2], "tls") == 0 || strcmp(argv[2], "fresh") == 0))
        return post_messages(argv[2], (int)parse_arg(argv[3], 1, 65535, "PORT"),
                             parse_arg(argv[4], 1, MAX_COUNT, "COUNT"));
    if (argc == 5 && strcmp(argv[1], "file") == 0 && (strcmp(argv[2], "open") == 0 || strcmp(argv[2], "tls") == 0))
        return send_file(argv[2], (int)parse_arg(argv[3], 1, 65535, "PORT"), argv[4]);
    if (argc == 5 && strcmp(argv[1], "serve") == 0 && (strcmp(argv[2], "open") == 0 || strcmp(argv[2], "tls") == 0)) {
        alarm((unsigned)parse_arg(argv[4], 1, 3600, "SECONDS"));
        return serve(strcmp(argv[2], "tls") == 0, (int)parse_arg(argv[3], 1, 65535, "PORT"));
    }
    fprintf(stderr, "usage: raw_tls msg open|tls|fresh PORT COUNT | raw_tls file open|tls PORT FILE | "
                    "raw_tls serve open|tls PORT SECONDS\n");
    return 2;
}
