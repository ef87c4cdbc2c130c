#pragma once

#include "PanelEdge.h"

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a popup stands against the panel edge and how it slides: in, in steps
// of `speed` pixels every kStepMs, out for the display time, then back in the
// same steps. Time is handed in by the caller, so a test drives it without a
// clock. The window is cut down, not moved with its content: the content keeps
// its place at the window's top-left corner and rises out of a bottom panel.
class SlideMotion
{
public:
    enum class Phase { SlidingIn, Out, SlidingOut, Done };
    static constexpr int kStepMs = 25;

    struct Layout
    {
        QSize size;       // the popup fully out
        QPoint gap;       // from the work area's side and bottom (or top) edges
        int offset = 0;   // away from the panel, to stand beside earlier popups
        int speed = 9;    // pixels per step, 1..50
        int stayMs = 10000;
        bool slideIn = true;
    };

    // An unknown edge places the popup at the bottom-right corner of the work
    // area and slides and stacks it like a bottom panel, so it still comes and
    // goes and several stand beside each other.
    SlideMotion(PanelEdge edge, const QRect &workArea, const Layout &layout);

    PanelEdge edge() const { return m_edge; }
    Phase phase() const { return m_phase; }
    // The window's geometry now.
    QRect geometry() const { return m_rect; }
    // The window's geometry fully out.
    QRect fullGeometry() const { return m_full; }

    // Lets `ms` milliseconds pass; steps that fall due are taken.
    void advance(int ms);
    // Milliseconds until something changes; -1 once done.
    int msUntilNextChange() const;
    // The slide-out starts now, whatever the phase (ends nothing already done).
    void finish();

private:
    void stepIn();
    void stepOut();

    PanelEdge m_edge;
    Layout m_layout;
    QRect m_full;
    QRect m_rect;
    Phase m_phase;
    int m_pendingMs = 0;
};
