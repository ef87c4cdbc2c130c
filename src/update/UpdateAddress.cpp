#include "UpdateAddress.h"

#include "ReceivedFileName.h"

namespace UpdateAddress {

QString withHttpPrefix(const QString &address)
{
    if (address.startsWith(u"http://", Qt::CaseInsensitive) || address.startsWith(u"https://", Qt::CaseInsensitive))
        return address;
    return QStringLiteral("http://") + address;
}

QString plainFileName(const QString &pageName)
{
    // The rule received files follow, except that what cannot stand in a
    // name is dropped rather than refused: the page names a file to offer.
    QString name = ReceivedFileName::fromWirePath(pageName);
    name.removeIf(&ReceivedFileName::isControlCharacter);
    qsizetype start = 0;
    while (start < name.size() && (name.at(start) == u'.' || name.at(start).isSpace()))
        ++start;
    name = name.mid(start);
    while (!name.isEmpty() && name.back().isSpace())
        name.chop(1);
    return name;
}

} // namespace UpdateAddress
