#pragma once

#include <QAbstractSocket>
#include <QString>

// Why a message or a file did not go, as the user reads it: the channels'
// error texts (kept in English for the log) and the system's cause behind a
// failed connection, told in words. A text that is Russian already is
// given back as it is; one this table does not know comes in brackets after
// a general word.
namespace FailureReason {

// In Russian whatever the interface's language, so it can be kept and shown later.
QString russian(const QString &error, QAbstractSocket::SocketError cause = QAbstractSocket::UnknownSocketError);
// In the interface's language; also for what russian() gave, and for the
// reasons other parts give by name in this table's translation context.
QString shown(const QString &error, QAbstractSocket::SocketError cause = QAbstractSocket::UnknownSocketError);

} // namespace FailureReason
