#include "PanelEdge.h"

PanelEdge panelEdge(const QRect &screen, const QRect &available)
{
    if (available.isEmpty() || !screen.contains(available))
        return PanelEdge::Unknown;
    if (available.bottom() < screen.bottom())
        return PanelEdge::Bottom;
    if (available.top() > screen.top())
        return PanelEdge::Top;
    if (available.right() < screen.right())
        return PanelEdge::Right;
    if (available.left() > screen.left())
        return PanelEdge::Left;
    return PanelEdge::Unknown;
}
