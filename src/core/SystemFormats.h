#pragma once

#include <QDateTime>
#include <QString>

// Dates and times as the desktop shows them: the system locale's short date
// and long time. The long time is hours, minutes and seconds, without the
// time zone that Qt's long format adds.
namespace SystemFormats {

QString longTime(const QTime &time);
QString shortDate(const QDate &date);
// Short date, a blank, long time.
QString dateTime(const QDateTime &moment);

} // namespace SystemFormats
