#pragma once

#include <QString>

namespace OwnName {

// The identity of an instance: its host name with ASCII letters upper-cased
// and every other character left as it is.
QString fromHostName(const QString &hostName);
QString current();

} // namespace OwnName
