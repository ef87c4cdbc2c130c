#include "WinColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The Windows system colour indices we can honour, mapped to the desktop palette.
QPalette::ColorRole roleForIndex(int index)
{
    switch (index) {
    case 4: return QPalette::Window;            // menu
    case 5: return QPalette::Base;              // window background
    case 7: return QPalette::WindowText;        // menu text
    case 8: return QPalette::Text;              // window text
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 15: return QPalette::Button;           // button face
    case 16: return QPalette::Dark;             // button shadow
    case 17: return QPalette::PlaceholderText;  // grey text
    case 18: return QPalette::ButtonText;
    case 20: return QPalette::Light;            // button highlight
    case 21: return QPalette::Shadow;
    case 22: return QPalette::Midlight;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return QPalette::Window;
    }
}

} // namespace

namespace WinColor {

bool isSystemColor(int value)
{
    return value < 0;
}

QColor toColor(int value)
{
    if (isSystemColor(value))
        return QGuiApplication::palette().color(roleForIndex(value & 0xFF));
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int fromColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

} // namespace WinColor
