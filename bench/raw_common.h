/* Pieces every raw C reference needs, kept once so the references stay alike. */
#ifndef RAW_COMMON_H
#define RAW_COMMON_H

#include <netinet/in.h>
#include <string.h>
#include <time.h>

static inline struct sockaddr_in loopback(long port)
{
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons((unsigned short)port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

static inline double seconds_since(const struct timespec *start)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - start->tv_sec) + (double)(now.tv_nsec - start->tv_nsec) / 1e9;
}

#endif
