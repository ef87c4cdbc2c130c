#include "PopupCascade.h"

std::optional<int> PopupCascade::place(PanelEdge found, const QRect &workArea, const Layout &layout)
{
    if (found != m_lastEdge) {
        m_lastEdge = found;
        m_open = 0;
    }
    // Without a known panel the popups stand at the bottom-right corner: they
    // stack and run out of room there as above a bottom panel.
    const PanelEdge edge = found == PanelEdge::Unknown ? PanelEdge::Bottom : found;
    if (m_open <= 0)
        m_offset = 0;
    else if (!hasRoom(edge, workArea, layout, m_offset))
        return std::nullopt;
    ++m_open;
    const int own = m_offset;
    if (!layout.cascade)
        m_offset = 0;
    else
        m_offset += layout.size.height() + layout.marge;
    return own;
}

void PopupCascade::popupClosed()
{
    if (m_open > 0)
        --m_open;
}

bool PopupCascade::hasRoom(PanelEdge edge, const QRect &workArea, const Layout &layout, int offset)
{
    const int top = workArea.y();
    const int bottom = workArea.y() + workArea.height();
    const int h = layout.size.height();
    switch (edge) {
    case PanelEdge::Top:
        return top + offset + h + layout.gap.y() <= bottom;
    default:
        // Bottom, and left or right panels too: their popups climb from the
        // bottom, so the room that runs out is above them.
        return bottom - offset - h - layout.gap.y() >= top;
    }
}
