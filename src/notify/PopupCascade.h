#pragma once

#include "PanelEdge.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Stacks popups away from the panel, each beside the one shown before it.
// Closed popups do not give their place back: the stack starts again at the
// panel only when a popup comes while none is open, or the panel has moved.
class PopupCascade
{
public:
    struct Layout
    {
        QSize size;
        QPoint gap;      // from the work area's edges
        int marge = 2;   // between stacked popups
        bool cascade = true;
    };

    // The offset from the panel for one more popup, or nothing when the work
    // area has no room left for it.
    std::optional<int> place(PanelEdge edge, const QRect &workArea, const Layout &layout);
    // A popup placed before has gone.
    void popupClosed();

    int openCount() const { return m_open; }
    int offset() const { return m_offset; }

private:
    static bool hasRoom(PanelEdge edge, const QRect &workArea, const Layout &layout, int offset);

    int m_open = 0;
    int m_offset = 0;
    PanelEdge m_lastEdge = PanelEdge::Left; // the edge a fresh start assumes
};
