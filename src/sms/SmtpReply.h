#pragma once

#include <QByteArray>
#include <QByteArrayList>

namespace SmtpReply {

// The value of the line's leading decimal digits (at most ten); 0 without any.
qint64 number(QByteArrayView line);

// Three digits, the first 1 to 5, then the end of the line, a blank or "-".
bool isWellFormed(QByteArrayView line);

// A line that another line of the same reply follows: "250-..." or one that
// begins with a blank.
bool continues(QByteArrayView line);

// Keywords a server lists in its EHLO reply ("STARTTLS", "AUTH PLAIN LOGIN"),
// one per line after the first, upper-cased, without the code and CR LF.
QByteArrayList extensions(const QByteArrayList &lines);

} // namespace SmtpReply
