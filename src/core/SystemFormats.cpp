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

// Whether a time format shows anything finer than seconds.
bool showsFractions(const QString &format)
{
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == u'z')
            return true;
    }
    return false;
}

// Every received message is stamped: building the format from the locale
// data each time showed in the receive profile. The locale is looked up on
// every call, so a change of the system locale still shows at once, and the
// text of the last second stamped is kept, as messages come in bursts.
struct Formats
{
    QLocale locale;
    QString timeFormat;
    bool fractions = false;
    QDate lastDate;
    QTime lastTime;
    QString lastDateTime;

    void follow(const QLocale &current)
    {
        if (!timeFormat.isNull() && current == locale)
            return;
        locale = current;
        timeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
        fractions = showsFractions(timeFormat);
        lastDate = {};
        lastDateTime.clear();
    }
};

// Formats are used from the GUI thread; a stray use from another thread gets its own.
Formats &formats()
{
    thread_local Formats instance;
    instance.follow(QLocale::system());
    return instance;
}

// The default locale: the interface's language once one is chosen.
Formats &shownFormats()
{
    thread_local Formats instance;
    instance.follow(QLocale());
    return instance;
}

QString longTime(Formats &f, const QTime &time)
{
    return withPlainBlanks(f.locale.toString(time, f.timeFormat));
}

QString shortDate(Formats &f, const QDate &date)
{
    return withPlainBlanks(f.locale.toString(date, QLocale::ShortFormat));
}

bool sameSecond(const QTime &a, const QTime &b)
{
    return a.isValid() && b.isValid() && a.hour() == b.hour() && a.minute() == b.minute() && a.second() == b.second();
}

} // namespace

namespace SystemFormats {

QString longTime(const QTime &time)
{
    return longTime(formats(), time);
}

QString shortDate(const QDate &date)
{
    return shortDate(formats(), date);
}

QString dateTime(Formats &f, const QDateTime &moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    if (!f.lastDateTime.isNull() && date.isValid() && date == f.lastDate
        && (f.fractions ? time == f.lastTime : sameSecond(time, f.lastTime)))
        return f.lastDateTime;
    f.lastDateTime = shortDate(f, date) + u' ' + longTime(f, time);
    f.lastDate = date;
    f.lastTime = time;
    return f.lastDateTime;
}

QString dateTime(const QDateTime &moment)
{
    return dateTime(formats(), moment);
}

} // namespace SystemFormats

namespace ShownFormats {

QString longTime(const QTime &time)
{
    return longTime(shownFormats(), time);
}

QString dateTime(const QDateTime &moment)
{
    return SystemFormats::dateTime(shownFormats(), moment);
}

} // namespace ShownFormats
