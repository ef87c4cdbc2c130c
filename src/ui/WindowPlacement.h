#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Where windows open: never partly off the screen's available area (the
// taskbar and panels left out), whatever place was stored or asked for.
namespace WindowPlacement {

// The frame of a window not yet mapped is unknown; this much is assumed.
inline constexpr QMargins kAssumedFrame{4, 28, 4, 4};

// `frame` moved, and shrunk where it is larger, into `area`.
QRect fitted(const QRect &frame, const QRect &area);

// Once per process, with the QApplication: every framed top-level window
// (main, tool and dialog windows; not popups, tips or frameless ones) is
// kept within the available area of its screen when it is first shown.
void install();

// Sizes a window to `wanted`, or less where the screen is smaller (never
// below what its layout needs), and centres it on `owner`'s window when that
// is shown, on the screen otherwise.
void centreOn(QWidget *window, const QWidget *owner, QSize wanted);

} // namespace WindowPlacement
