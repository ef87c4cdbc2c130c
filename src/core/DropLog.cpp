#include "DropLog.h"

#include "Logging.h"

namespace {

constexpr qint64 kWindowMs = 60 * 1000;

} // namespace

DropLog::DropLog(QString what, int perMinute)
    : m_what(std::move(what))
    , m_perMinute(perMinute)
{
}

void DropLog::record(const QString &reason)
{
    if (!m_window.isValid() || m_window.elapsed() >= kWindowMs) {
        if (m_suppressed > 0)
            qCInfo(lcNet, "%lld more %s dropped in the last minute", m_suppressed, qPrintable(m_what));
        m_window.start();
        m_inWindow = 0;
        m_suppressed = 0;
    }
    if (m_inWindow < m_perMinute) {
        ++m_inWindow;
        qCInfo(lcNet, "%s dropped: %s", qPrintable(m_what), qPrintable(reason));
        return;
    }
    ++m_suppressed;
}
