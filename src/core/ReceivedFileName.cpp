#include "ReceivedFileName.h"

namespace ReceivedFileName {

bool isControlCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0);
}

QString fromWirePath(const QString &wirePath)
{
    qsizetype cut = -1;
    for (QChar delimiter : {u'\\', u'/', u':'})
        cut = std::max(cut, wirePath.lastIndexOf(delimiter));
    return wirePath.mid(cut + 1);
}

Verdict check(const QString &name)
{
    if (name.isEmpty())
        return Verdict::Empty;
    if (name == u"." || name == u"..")
        return Verdict::DotName;
    for (QChar c : name) {
        if (isControlCharacter(c))
            return Verdict::ControlCharacter;
        if (c == u'/' || c == u'\\' || c == u':')
            return Verdict::Separator;
    }
    if (name.startsWith(u'.'))
        return Verdict::Hidden;
    return Verdict::Ok;
}

QString withoutLeadingDots(const QString &name)
{
    qsizetype dots = 0;
    while (dots < name.size() && name.at(dots) == u'.')
        ++dots;
    return name.mid(dots);
}

QString forDisplay(const QString &name)
{
    constexpr qsizetype kShown = 120;
    QString shown = name.left(kShown);
    for (QChar &c : shown) {
        if (isControlCharacter(c))
            c = u'?';
    }
    if (name.size() > kShown)
        shown += u'…';
    return shown;
}

} // namespace ReceivedFileName
