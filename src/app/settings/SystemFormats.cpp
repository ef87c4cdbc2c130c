#include "SystemFormats.h"

#include <QLocale>

namespace {

QString withoutTimeZone(const QString &format)
{
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            result += c;
    }
    return result.simplified();
}

} // namespace

namespace SystemFormats {

QString longTime(const QTime &time)
{
    const QLocale locale = QLocale::system();
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString shortDate(const QDate &date)
{
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString dateTime(const QDateTime &moment)
{
    return shortDate(moment.date()) + u' ' + longTime(moment.time());
}

} // namespace SystemFormats
