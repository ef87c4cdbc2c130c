#include "LogStamp.h"

#include "CaseFold1251.h"
#include "Cp1251.h"
#include "LogEntry.h"

#include <QLocale>

namespace {

// Up to `max` runs of digits from the start of text; returns how many.
int numbers(QByteArrayView text, int *values, int *widths, int max)
{
    int count = 0;
    qsizetype i = 0;
    while (i < text.size() && count < max) {
        while (i < text.size() && (text[i] < '0' || text[i] > '9'))
            ++i;
        if (i == text.size())
            break;
        int value = 0;
        int width = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (width < 9)
                value = value * 10 + (text[i] - '0');
            ++width;
            ++i;
        }
        values[count] = value;
        widths[count] = width;
        ++count;
    }
    return count;
}

} // namespace

LogStamp::LogStamp(Order order)
    : m_order(order)
{
    for (const QLocale &locale : {QLocale::system(), QLocale::c()}) {
        for (int m = 1; m <= 12; ++m) {
            for (const QString &name : {locale.monthName(m, QLocale::ShortFormat), locale.monthName(m, QLocale::LongFormat),
                                        locale.standaloneMonthName(m, QLocale::ShortFormat),
                                        locale.standaloneMonthName(m, QLocale::LongFormat)}) {
                const QByteArray folded = CaseFold1251::folded(Cp1251::encode(name.toLower().remove(u'.')));
                if (!folded.isEmpty() && !m_monthNames[m - 1].contains(folded))
                    m_monthNames[m - 1].append(folded);
            }
        }
    }
}

int LogStamp::monthByName(QByteArrayView date) const
{
    qsizetype i = 0;
    while (i < date.size()) {
        const auto c = static_cast<unsigned char>(date[i]);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 || c == 0xA8 || c == 0xB8;
        if (!letter) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < date.size()) {
            const auto d = static_cast<unsigned char>(date[end]);
            if (!((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z') || d >= 0xC0 || d == 0xA8 || d == 0xB8))
                break;
            ++end;
        }
        const QByteArray word = CaseFold1251::folded(date.sliced(i, end - i));
        for (int m = 0; m < 12; ++m) {
            if (m_monthNames[m].contains(word))
                return m + 1;
        }
        i = end;
    }
    return 0;
}

LogStamp::Order LogStamp::orderOf(const QString &dateFormat)
{
    const qsizetype d = dateFormat.indexOf(u'd');
    const qsizetype m = dateFormat.indexOf(u'M');
    const qsizetype y = dateFormat.indexOf(u'y');
    if (y >= 0 && (m < 0 || y < m) && (d < 0 || y < d))
        return Order::YearMonthDay;
    if (m >= 0 && d >= 0 && m < d)
        return Order::MonthDayYear;
    return Order::DayMonthYear;
}

LogStamp::Order LogStamp::systemOrder()
{
    return orderOf(QLocale::system().dateFormat(QLocale::ShortFormat));
}

qint64 LogStamp::parse(QByteArrayView dateTime)
{
    // The time is where the first colon's number starts; dates may hold blanks ("3 Nov 2026").
    qsizetype split = dateTime.indexOf(':');
    if (split < 0)
        split = dateTime.size();
    while (split > 0 && dateTime[split - 1] >= '0' && dateTime[split - 1] <= '9')
        --split;
    const QByteArrayView datePart = dateTime.first(split).trimmed();
    const QByteArrayView timePart = dateTime.sliced(split);

    qint64 day = 0;
    if (datePart == QByteArrayView(m_lastDate) && !m_lastDate.isEmpty()) {
        day = m_lastDay;
    } else {
        int v[3] = {};
        int w[3] = {};
        const int count = numbers(datePart, v, w, 3);
        int year = 0, month = 0, dayOfMonth = 0;
        if (count == 2) {
            month = monthByName(datePart);
            const bool yearFirst = w[0] == 4 || (w[1] != 4 && m_order == Order::YearMonthDay);
            year = yearFirst ? v[0] : v[1];
            dayOfMonth = yearFirst ? v[1] : v[0];
        } else if (count != 3) {
            return LogEntry::kNoStamp;
        } else if (w[0] == 4 || m_order == Order::YearMonthDay) {
            year = v[0]; month = v[1]; dayOfMonth = v[2];
        } else if (m_order == Order::MonthDayYear) {
            month = v[0]; dayOfMonth = v[1]; year = v[2];
        } else {
            dayOfMonth = v[0]; month = v[1]; year = v[2];
        }
        if (year < 100)
            year += 2000;
        const QDate date(year, month, dayOfMonth);
        if (!date.isValid())
            return LogEntry::kNoStamp;
        day = date.toJulianDay();
        m_lastDate = datePart.toByteArray();
        m_lastDay = day;
    }

    int v[3] = {};
    int w[3] = {};
    const int n = numbers(timePart, v, w, 3);
    int hour = n > 0 ? v[0] : 0;
    const int minute = n > 1 ? v[1] : 0;
    const int second = n > 2 ? v[2] : 0;
    // A 12-hour clock says which half of the day.
    const bool pm = timePart.contains("PM") || timePart.contains("pm");
    const bool am = timePart.contains("AM") || timePart.contains("am");
    if (pm && hour < 12)
        hour += 12;
    else if (am && hour == 12)
        hour = 0;
    if (hour > 23 || minute > 59 || second > 60)
        return day * 86400;
    return day * 86400 + hour * 3600 + minute * 60 + second;
}
