#include "OwnName.h"

#include <QHostInfo>

namespace OwnName {

QString fromHostName(const QString &hostName)
{
    QString name = hostName;
    for (QChar &c : name) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return name;
}

QString current()
{
    return fromHostName(QHostInfo::localHostName());
}

} // namespace OwnName
