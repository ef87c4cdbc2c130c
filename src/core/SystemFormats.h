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

// The same for what windows show: in the interface's language (the default
// locale), which is the system's until another language is chosen. Files and
// datagrams keep the system's formats.
namespace ShownFormats {

QString longTime(const QTime &time);
QString dateTime(const QDateTime &moment);

} // namespace ShownFormats
