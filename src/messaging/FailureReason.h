#pragma once

#include <QAbstractSocket>
#include <QString>

// Why a message or a file did not go, as the user reads it: the channels'
// error texts (kept in English for the log) and the system's cause behind a
// failed connection, told in Russian. A text that is Russian already is
// given back as it is; one this table does not know comes in brackets after
// a general word.
namespace FailureReason {

QString russian(const QString &error, QAbstractSocket::SocketError cause = QAbstractSocket::UnknownSocketError);

} // namespace FailureReason
