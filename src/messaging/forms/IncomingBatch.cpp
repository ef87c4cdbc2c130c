#include "IncomingBatch.h"

#include "IncomingRenderer.h"
#include "IncomingView.h"

#include <algorithm>
#include <utility>

IncomingBatch::IncomingBatch(IncomingView &view, std::function<void()> scrollToEnd)
    : m_view(view)
    , m_scrollToEnd(std::move(scrollToEnd))
{
    m_frame.setSingleShot(true);
    // A coarse timer may fire early, which would make two frames of one.
    m_frame.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_frame, &QTimer::timeout, &m_frame, [this] { flush(); });
}

void IncomingBatch::add(const IncomingEntry &entry)
{
    m_waiting.append(entry);
    if (m_frame.isActive())
        return;
    const qint64 sinceFlush = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : kFrameMs;
    m_frame.start(int(std::max<qint64>(0, kFrameMs - sinceFlush)));
}

void IncomingBatch::flush()
{
    m_frame.stop();
    if (m_waiting.isEmpty())
        return;
    const QList<IncomingEntry> entries = std::exchange(m_waiting, {});
    IncomingRenderer::render(m_view, entries, m_scrollToEnd);
    m_sinceFlush.start();
}

void IncomingBatch::dropWaiting()
{
    m_frame.stop();
    m_waiting.clear();
}
