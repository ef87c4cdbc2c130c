#include "FreedMemory.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {
constexpr int kDelayMs = 1000;
std::atomic<bool> s_scheduled{false};
} // namespace

void CrowdWatch::changed(int live)
{
    m_peak = std::max(m_peak, live);
    if (m_peak >= kCrowd && live <= m_peak / 4) {
        m_peak = live;
        releaseFreedMemorySoon();
    }
}

void releaseFreedMemorySoon()
{
#if defined(__GLIBC__)
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || s_scheduled.exchange(true))
        return;
    QTimer::singleShot(kDelayMs, app, [] {
        s_scheduled = false;
        ::malloc_trim(0);
    });
#endif
}
