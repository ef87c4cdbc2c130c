#include "OwnName.h"

#include "AsciiCase.h"

#include <QHostInfo>

namespace OwnName {

QString fromHostName(const QString &hostName)
{
    return AsciiCase::upper(hostName);
}

QString current()
{
    return fromHostName(QHostInfo::localHostName());
}

} // namespace OwnName
