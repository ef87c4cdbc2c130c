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

// Newer locale data separates "PM" with a narrow no-break space, which code
// page 1251 cannot carry: history and peers would get a "?" there.
QString withPlainBlanks(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Separator_Space)
            c = u' ';
    }
    return text;
}

} // namespace

namespace SystemFormats {

QString longTime(const QTime &time)
{
    const QLocale locale = QLocale::system();
    return withPlainBlanks(locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat))));
}

QString shortDate(const QDate &date)
{
    return withPlainBlanks(QLocale::system().toString(date, QLocale::ShortFormat));
}

QString dateTime(const QDateTime &moment)
{
    return shortDate(moment.date()) + u' ' + longTime(moment.time());
}

} // namespace SystemFormats
