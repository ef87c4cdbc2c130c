#pragma once

// The allocator keeps what a crowd of connections freed for later use, so
// the program would stay at its peak size for good. Watches a count of
// live connections and, once a crowd has mostly gone, asks the allocator
// to give its free pages back to the system (a second later, once however
// many servers saw the crowd end).
class CrowdWatch
{
public:
    // From this many connections at once, their end is worth a release.
    static constexpr int kCrowd = 64;

    void changed(int live);

private:
    int m_peak = 0;
};

void releaseFreedMemorySoon();
