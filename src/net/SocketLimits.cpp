#include "SocketLimits.h"

#include <algorithm>
#include <climits>

#include <dirent.h>
#include <sys/resource.h>

namespace {

// Linux refuses more than fs.nr_open (1,048,576 unless raised) whatever the hard limit says.
constexpr rlim_t kUnlimitedStandIn = rlim_t(1) << 20;
// At least this many descriptors stay for everything but accepted connections.
constexpr int kMinReserve = 256;

int softLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return INT_MAX;
    return int(std::min<rlim_t>(limit.rlim_cur, INT_MAX));
}

int reserve(int soft)
{
    // An eighth of a large table; never more than half of a small one.
    return std::min(std::max(kMinReserve, soft / 8), soft / 2);
}

} // namespace

void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kUnlimitedStandIn : limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

int acceptMark()
{
    const int soft = softLimit();
    return soft == INT_MAX ? INT_MAX : soft - reserve(soft);
}

int acceptResumeMark()
{
    const int soft = softLimit();
    return soft == INT_MAX ? INT_MAX : soft - reserve(soft) - reserve(soft) / 4;
}

int openDescriptorCount()
{
    DIR *folder = ::opendir("/proc/self/fd");
    if (!folder)
        return -1;
    int count = 0;
    while (const dirent *entry = ::readdir(folder)) {
        if (entry->d_name[0] != '.')
            ++count;
    }
    ::closedir(folder);
    return count - 1; // the folder's own descriptor
}
