#include "ChatDatagrams.h"

#include "Cp1251.h"
#include "SystemFormats.h"

namespace ChatDatagrams {

QString line(const QTime &time, const QString &nick, const QString &text)
{
    return QStringLiteral("&[") + SystemFormats::longTime(time) + QStringLiteral("] ") + nick
           + QStringLiteral(": ") + text;
}

QString joinNotice(const QString &nick)
{
    return QStringLiteral("&<--- ") + nick + QStringLiteral(" в чате! --->");
}

QString leaveNotice(const QString &nick)
{
    return QStringLiteral("&<--- ") + nick + QStringLiteral(" вышел из чата! --->");
}

QString joined(const QString &nick)
{
    return u'Z' + nick;
}

QString left(const QString &nick)
{
    return u'X' + nick;
}

QString inChat(const QString &ownName)
{
    return u'C' + ownName;
}

QString outOfChat(const QString &ownName)
{
    return u'V' + ownName;
}

int wireSize(const QString &datagram)
{
    // One byte per character: what 1251 cannot carry goes out as '?'.
    return int(Cp1251::encode(datagram).size());
}

bool fits(const QString &datagram)
{
    return wireSize(datagram) <= kMaxBytes;
}

} // namespace ChatDatagrams
