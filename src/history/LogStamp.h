#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>

// Reads the date and time of a header back into a number that sorts and
// filters: julian day * 86400 + seconds of the day, local time. The header is
// written in the system's short date format, so the order of day, month and
// year comes from the locale's format; a four-digit first field is a year
// whatever the locale. Hand-parsed: a million headers must read in well under
// a second, and entries of one day share their date (kept from the last one).
class LogStamp
{
public:
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };

    explicit LogStamp(Order order = systemOrder());
    static Order orderOf(const QString &dateFormat);
    static Order systemOrder();

    // LogEntry::kNoStamp when the text holds no date.
    qint64 parse(QByteArrayView dateTime);

    static qint64 dayStart(const QDate &date) { return date.toJulianDay() * 86400; }

private:
    // The month in a date written with its name ("3 Nov 2026"), 0 if none.
    int monthByName(QByteArrayView date) const;

    Order m_order;
    QList<QByteArray> m_monthNames[12]; // folded code page 1251, each form the locales write
    QByteArray m_lastDate;
    qint64 m_lastDay = 0;
};
