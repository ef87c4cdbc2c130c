#pragma once

#include <QByteArrayView>

#include <optional>

// The second line of an entry: "[" date and time "] " from " --> " to.
struct LogHeader
{
    QByteArrayView dateTime;
    QByteArrayView from;
    QByteArrayView to;

    static const QByteArrayView kRule;
    // Without its line break.
    static bool isRule(QByteArrayView line);
    static std::optional<LogHeader> parse(QByteArrayView line);
};
