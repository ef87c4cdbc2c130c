#include "FontStyle.h"

#include <QFont>

namespace FontStyle {

int fromFont(const QFont &font)
{
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
           | (font.strikeOut() ? 8 : 0);
}

void apply(QFont &font, int style)
{
    font.setBold(style & 1);
    font.setItalic(style & 2);
    font.setUnderline(style & 4);
    font.setStrikeOut(style & 8);
}

} // namespace FontStyle
