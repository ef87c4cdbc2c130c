#pragma once

#include "IncomingEntry.h"

#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include <functional>

class IncomingView;

// Received entries wait here for the incoming view's next frame. Laying out
// and painting the view costs far more than a message's other steps, so the
// entries that arrive while some are waiting go into the view together, in
// one layout and one paint, and while messages keep coming the view changes
// at most once per frame. A message after a quiet spell goes in on the next
// turn of the event loop. The frame is long for an animation: nobody reads a
// flood as it scrolls by, and each frame repaints the whole view and its
// scroll bar.
class IncomingBatch
{
public:
    static constexpr int kFrameMs = 50;

    IncomingBatch(IncomingView &view, std::function<void()> scrollToEnd);

    void add(const IncomingEntry &entry);
    // Lays out what waits, now: for whatever reads the view.
    void flush();
    // The view is being emptied: what waits would have gone with it.
    void dropWaiting();
    qsizetype waiting() const { return m_waiting.size(); }

private:
    IncomingView &m_view;
    std::function<void()> m_scrollToEnd;
    QList<IncomingEntry> m_waiting;
    QTimer m_frame;
    QElapsedTimer m_sinceFlush;
};
