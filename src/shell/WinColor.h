#pragma once

#include <QColor>

// Colours as the settings file keeps them: 0x00BBGGRR, or a system colour
// (top bit set, system colour index below) that follows the desktop palette.
namespace WinColor {

inline constexpr int kBlack = 0;
inline constexpr int kWhite = 0x00FFFFFF;

bool isSystemColor(int value);
QColor toColor(int value);
int fromColor(const QColor &color);

} // namespace WinColor
