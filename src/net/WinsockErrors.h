#pragma once

#include <QAbstractSocket>
#include <QString>

// Error texts that users of Windows instances know ("10061:Connection
// refused"). Linux reports errno values and Qt reports its own enum, so both are
// mapped onto the Winsock codes first.
namespace WinsockErrors {

// "<code>:<description>", or "Unknown Error No. <code>" for a code outside the table.
QString text(int code);

int codeFromErrno(int err);
int codeFromSocketError(QAbstractSocket::SocketError error);

} // namespace WinsockErrors
