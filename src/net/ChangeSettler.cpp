#include "ChangeSettler.h"

#include <algorithm>

ChangeSettler::ChangeSettler(std::chrono::milliseconds quiet, std::chrono::milliseconds longest, QObject *parent)
    : QObject(parent)
    , m_quiet(quiet)
    , m_longest(std::max(longest, quiet))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ChangeSettler::settled);
}

void ChangeSettler::noteChange()
{
    if (!m_timer.isActive()) {
        m_sinceFirst.start();
        m_timer.start(m_quiet);
        return;
    }
    const std::chrono::milliseconds left = m_longest - std::chrono::milliseconds(m_sinceFirst.elapsed());
    m_timer.start(std::clamp(left, std::chrono::milliseconds(0), m_quiet));
}
