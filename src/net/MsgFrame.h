#pragma once

#include <QByteArray>
#include <QString>

// The message exchange: "%.4d" from-name length, from-name, "%.4d" text length,
// text; the receiver answers with the 16-byte acknowledgement.
namespace MsgFrame {

inline constexpr int kMaxField = 9999;
inline constexpr qsizetype kAckSize = 16;
QByteArray acknowledgement(); // "OK" and 14 blanks

// One length-prefixed field; the caller has checked size() <= kMaxField.
QByteArray encodeField(QByteArrayView field);

// Parses exactly four ASCII digits; -1 for anything else (signs, blanks, letters).
int parseLength(QByteArrayView fourBytes);

} // namespace MsgFrame

// Incremental reader of one request, independent of how TCP segments it.
class MsgFrameParser
{
public:
    enum class Status { NeedMore, Complete, Malformed };

    Status feed(QByteArrayView data);
    Status status() const { return m_status; }
    const QByteArray &fromName() const { return m_fields[0]; }
    const QByteArray &text() const { return m_fields[1]; }
    const QString &error() const { return m_error; }

private:
    Status advance();

    QByteArray m_buffer;
    QByteArray m_fields[2];
    int m_field = 0;
    int m_wanted = -1; // -1 while the length of the current field is unknown
    Status m_status = Status::NeedMore;
    QString m_error;
};
