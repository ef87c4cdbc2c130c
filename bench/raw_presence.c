/* Presence datagrams at a steady rate, and a bare receiver for them: the two
 * raw ends of the presence benchmark, plain sockets on loopback, no Qt.
 *
 *   raw_presence send PORT COMMANDS FIRST NAMES COUNT RATE
 *   raw_presence recv PORT COUNT SECONDS
 *
 * send: COUNT datagrams to 127.0.0.1:PORT, RATE per second. Datagram i is
 * COMMANDS[i % len] followed by "BENCH" and the number
 * FIRST + (i / len) % NAMES, so "%" with NAMES >= COUNT announces a new name
 * each time, "%" with fewer repeats known ones, and "()" turns each name's
 * auto-answer on and then off. Prints "sent N in S s".
 * recv: binds PORT, prints "READY", reads until COUNT datagrams came or
 * SECONDS passed without one, and prints "received N, CPU U us": its own CPU
 * time from READY on.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "raw_common.h"

enum { MAX_COUNT = 1000000, MAX_RATE = 1000000, TIME_LIMIT_S = 120 };

static long number(const char *text, long low, long high)
{
    char *end = NULL;
    long value = strtol(text, &end, 10);
    if (!*text || *end || value < low || value > high) {
        fprintf(stderr, "raw_presence: %s is not a number from %ld to %ld\n", text, low, high);
        exit(64);
    }
    return value;
}

static int send_all(long port, const char *commands, long first, long names, long count, long rate)
{
    const struct sockaddr_in to = loopback(port);
    const size_t kinds = strlen(commands);
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0 || kinds == 0) {
        perror("raw_presence: socket");
        return 1;
    }
    struct timespec start, due;
    clock_gettime(CLOCK_MONOTONIC, &start);
    long sent = 0;
    for (long i = 0; i < count; i++) {
        /* Paced against the start, so a late wake-up is made up, not carried on. */
        long long at = (long long)start.tv_nsec + i * 1000000000LL / rate;
        due.tv_sec = start.tv_sec + (time_t)(at / 1000000000LL);
        due.tv_nsec = (long)(at % 1000000000LL);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL) == EINTR) {
        }
        if (seconds_since(&start) > TIME_LIMIT_S)
            break;
        char datagram[64];
        int length = snprintf(datagram, sizeof datagram, "%cBENCH%ld", commands[i % (long)kinds],
                              first + (i / (long)kinds) % names);
        if (sendto(fd, datagram, (size_t)length, 0, (const struct sockaddr *)&to, sizeof to) == length)
            sent++;
    }
    printf("sent %ld in %.3f s\n", sent, seconds_since(&start));
    close(fd);
    return sent == count ? 0 : 1;
}

static int receive_all(long port, long count, long seconds)
{
    const struct sockaddr_in at = loopback(port);
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    int size = 4 << 20;
    struct timeval quiet = {seconds, 0};
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size) != 0
        || setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet) != 0
        || bind(fd, (const struct sockaddr *)&at, sizeof at) != 0) {
        perror("raw_presence: receiver");
        return 1;
    }
    printf("READY\n");
    fflush(stdout);
    struct timespec start, cpu0, cpu1;
    clock_gettime(CLOCK_MONOTONIC, &start);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    long received = 0;
    char buffer[8192];
    while (received < count && seconds_since(&start) < TIME_LIMIT_S) {
        struct sockaddr_in from;
        socklen_t length = sizeof from;
        ssize_t got = recvfrom(fd, buffer, sizeof buffer, 0, (struct sockaddr *)&from, &length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break; /* quiet for SECONDS */
        received++;
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    printf("received %ld, CPU %.0f us\n", received,
           (double)(cpu1.tv_sec - cpu0.tv_sec) * 1e6 + (double)(cpu1.tv_nsec - cpu0.tv_nsec) / 1e3);
    close(fd);
    return received == count ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 8 && strcmp(argv[1], "send") == 0)
        return send_all(number(argv[2], 1, 65535), argv[3], number(argv[4], 0, MAX_COUNT),
                        number(argv[5], 1, MAX_COUNT), number(argv[6], 1, MAX_COUNT),
                        number(argv[7], 1, MAX_RATE));
    if (argc == 5 && strcmp(argv[1], "recv") == 0)
        return receive_all(number(argv[2], 1, 65535), number(argv[3], 1, MAX_COUNT), number(argv[4], 1, 60));
    fprintf(stderr, "usage: raw_presence send PORT COMMANDS FIRST NAMES COUNT RATE\n"
                    "       raw_presence recv PORT COUNT SECONDS\n");
    return 64;
}
