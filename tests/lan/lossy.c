/* Loaded into a test program where the kernel offers no netem: drops
 * ZV_LOSS_PERMILLE of every thousand IPv4 datagrams the program receives,
 * as a lossy wire would. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static ssize_t (*real_recvmsg)(int, struct msghdr *, int);
static unsigned seed;
static int permille = -1;

static int lost(int fd)
{
    struct sockaddr_storage local;
    socklen_t length = sizeof local;
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (getsockname(fd, (struct sockaddr *)&local, &length) != 0 || local.ss_family != AF_INET
        || getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_DGRAM)
        return 0;
    return (int)(rand_r(&seed) % 1000) < permille;
}

ssize_t recvmsg(int fd, struct msghdr *message, int flags)
{
    if (!real_recvmsg) {
        real_recvmsg = (ssize_t(*)(int, struct msghdr *, int))dlsym(RTLD_NEXT, "recvmsg");
        const char *given = getenv("ZV_LOSS_PERMILLE");
        permille = given ? atoi(given) : 0;
        seed = (unsigned)getpid() ^ (unsigned)time(NULL);
    }
    const socklen_t nameLength = message->msg_namelen;
    const size_t controlLength = message->msg_controllen;
    for (;;) {
        const ssize_t n = real_recvmsg(fd, message, flags);
        if (n < 0 || (flags & MSG_PEEK) || !lost(fd))
            return n;
        message->msg_namelen = nameLength;
        message->msg_controllen = controlLength;
    }
}
