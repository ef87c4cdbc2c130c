#include "SocketLimits.h"

#include <algorithm>
#include <sys/resource.h>

void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    // Enough for thousands of connections without asking for the whole hard limit.
    constexpr rlim_t kWanted = 16384;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kWanted : std::min(limit.rlim_max, kWanted);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}
