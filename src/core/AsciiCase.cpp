#include "AsciiCase.h"

namespace AsciiCase {

QString upper(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return text;
}

} // namespace AsciiCase
