#include "UpdateAddress.h"

namespace {

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0);
}

} // namespace

namespace UpdateAddress {

QString withHttpPrefix(const QString &address)
{
    if (address.startsWith(u"http://", Qt::CaseInsensitive) || address.startsWith(u"https://", Qt::CaseInsensitive))
        return address;
    return QStringLiteral("http://") + address;
}

QString plainFileName(const QString &pageName)
{
    qsizetype cut = -1;
    for (QChar delimiter : {u'\\', u'/', u':'})
        cut = std::max(cut, pageName.lastIndexOf(delimiter));
    QString name;
    for (QChar c : QStringView(pageName).mid(cut + 1)) {
        if (!isControl(c))
            name.append(c);
    }
    qsizetype start = 0;
    while (start < name.size() && (name.at(start) == u'.' || name.at(start).isSpace()))
        ++start;
    name = name.mid(start);
    while (!name.isEmpty() && name.back().isSpace())
        name.chop(1);
    return name;
}

} // namespace UpdateAddress
