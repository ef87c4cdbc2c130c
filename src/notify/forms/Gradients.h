#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

// The colour fills of the popup, the menus and their side bar, computed per
// pixel row or column so that every instance paints the same colours.
namespace Gradients {

// The popup's row y of h (0..h inclusive): each channel c1 + (c2 - c1) * y / h,
// rounded to nearest with halves away from zero.
QColor popupRow(const QColor &from, const QColor &to, int y, int h);
// The popup's background, top row `from`, bottom row `to`.
QImage popup(const QSize &size, const QColor &from, const QColor &to);

enum class Direction { Horizontal, Vertical, DiagonalLeftRight, DiagonalRightLeft };
// The menus' fill: integer steps truncated toward zero.
QImage menu(const QSize &size, const QColor &from, const QColor &to, Direction direction);

} // namespace Gradients
