#pragma once

class QFont;

// The font style as the settings file keeps it: 1 bold, 2 italic,
// 4 underline, 8 strike-out; only the low 8 bits count.
namespace FontStyle {

int fromFont(const QFont &font);
void apply(QFont &font, int style);

} // namespace FontStyle
