#pragma once

#include <QString>
#include <QTime>

// The texts the chat puts on the wire; the first letter is the command.
namespace ChatDatagrams {

// The receive buffer of every instance: a longer datagram never arrives.
inline constexpr int kMaxBytes = 8192;

QString line(const QTime &time, const QString &nick, const QString &text);
QString joinNotice(const QString &nick);
QString leaveNotice(const QString &nick);
QString joined(const QString &nick);
QString left(const QString &nick);
QString inChat(const QString &ownName);
QString outOfChat(const QString &ownName);

// Its size on the wire, in code page 1251.
int wireSize(const QString &datagram);
bool fits(const QString &datagram);

} // namespace ChatDatagrams
