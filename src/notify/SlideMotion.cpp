#include "SlideMotion.h"

#include <QtGlobal>

SlideMotion::SlideMotion(PanelEdge edge, const QRect &workArea, const Layout &layout)
    : m_edge(edge == PanelEdge::Unknown ? PanelEdge::Bottom : edge)
    , m_layout(layout)
{
    m_layout.speed = qBound(1, m_layout.speed, 50);
    m_layout.stayMs = qMax(0, m_layout.stayMs);
    // Right and bottom are the first pixels outside the work area, as panels count them.
    const int left = workArea.x();
    const int top = workArea.y();
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    const int w = layout.size.width();
    const int h = layout.size.height();
    const int off = layout.offset;
    QPoint origin;
    switch (m_edge) {
    case PanelEdge::Left:
        origin = {left + layout.gap.x(), bottom - layout.gap.y() - h - off};
        break;
    case PanelEdge::Top:
        origin = {right - w - layout.gap.x(), top + layout.gap.y() + off};
        break;
    default:
        origin = {right - w - layout.gap.x(), bottom - layout.gap.y() - h - off};
        break;
    }
    m_full = QRect(origin, layout.size);
    m_rect = m_full;
    if (!layout.slideIn) {
        m_phase = Phase::Out;
        return;
    }
    m_phase = Phase::SlidingIn;
    // A one-pixel strip against the panel's side.
    switch (m_edge) {
    case PanelEdge::Left:
        m_rect.setWidth(1);
        break;
    case PanelEdge::Top:
        m_rect.setHeight(1);
        break;
    case PanelEdge::Right:
        m_rect = QRect(m_full.x() + w, m_full.y(), 1, h);
        break;
    default:
        m_rect = QRect(m_full.x(), m_full.y() + h, w, 1);
        break;
    }
}

void SlideMotion::advance(int ms)
{
    m_pendingMs += qMax(0, ms);
    while (m_phase != Phase::Done) {
        if (m_phase == Phase::Out) {
            if (m_pendingMs < m_layout.stayMs)
                return;
            m_pendingMs -= m_layout.stayMs;
            m_phase = Phase::SlidingOut;
            continue;
        }
        if (m_pendingMs < kStepMs)
            return;
        m_pendingMs -= kStepMs;
        m_phase == Phase::SlidingIn ? stepIn() : stepOut();
    }
    m_pendingMs = 0;
}

int SlideMotion::msUntilNextChange() const
{
    switch (m_phase) {
    case Phase::Done:
        return -1;
    case Phase::Out:
        return m_layout.stayMs - m_pendingMs;
    default:
        return kStepMs - m_pendingMs;
    }
}

void SlideMotion::finish()
{
    if (m_phase == Phase::Done)
        return;
    m_phase = Phase::SlidingOut;
    m_pendingMs = 0;
}

void SlideMotion::stepIn()
{
    const int s = m_layout.speed;
    const bool horizontal = m_edge == PanelEdge::Left || m_edge == PanelEdge::Right;
    const int grown = (horizontal ? m_rect.width() : m_rect.height()) + s;
    const int full = horizontal ? m_full.width() : m_full.height();
    if (grown >= full) {
        m_rect = m_full;
        m_phase = Phase::Out;
        return;
    }
    switch (m_edge) {
    case PanelEdge::Left:
        m_rect.setWidth(grown);
        break;
    case PanelEdge::Top:
        m_rect.setHeight(grown);
        break;
    case PanelEdge::Right:
        m_rect = QRect(m_rect.x() - s, m_rect.y(), grown, m_rect.height());
        break;
    default:
        m_rect = QRect(m_rect.x(), m_rect.y() - s, m_rect.width(), grown);
        break;
    }
}

void SlideMotion::stepOut()
{
    const int s = m_layout.speed;
    const bool horizontal = m_edge == PanelEdge::Left || m_edge == PanelEdge::Right;
    const int shrunk = (horizontal ? m_rect.width() : m_rect.height()) - s;
    if (shrunk <= 0) {
        m_phase = Phase::Done;
        return;
    }
    switch (m_edge) {
    case PanelEdge::Left:
        m_rect.setWidth(shrunk);
        break;
    case PanelEdge::Top:
        m_rect.setHeight(shrunk);
        break;
    case PanelEdge::Right:
        m_rect = QRect(m_rect.x() + s, m_rect.y(), shrunk, m_rect.height());
        break;
    default:
        m_rect = QRect(m_rect.x(), m_rect.y() + s, m_rect.width(), shrunk);
        break;
    }
}
