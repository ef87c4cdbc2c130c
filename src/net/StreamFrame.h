#pragma once

#include <QByteArray>
#include <QString>

// The stream exchange: "%.4d" from-name length, from-name, the byte count
// right-aligned in 10 characters ("%10d"), the bytes; the receiver answers
// with the 16-byte acknowledgement of the message exchange.
namespace StreamFrame {

inline constexpr int kMaxName = 9999;
// The count is read back as a 32-bit signed integer.
inline constexpr qint64 kMaxCount = 2147483647;
inline constexpr int kCountWidth = 10;

// Name length, name and count; the caller has checked the limits above.
QByteArray encodeHeader(QByteArrayView fromName, qint64 count);

// Ten characters: blanks, then one or more digits. -1 for anything else,
// including signs, trailing blanks and values of 2^31 or more.
qint64 parseCount(QByteArrayView tenBytes);

} // namespace StreamFrame

// Incremental reader of the header that precedes the bytes, independent of
// how TCP segments it. It takes no byte beyond the header.
class StreamHeaderParser
{
public:
    enum class Status { NeedMore, Complete, Malformed };

    // Takes header bytes from the front of `data`; *used tells how many, the
    // rest belongs to the stream.
    Status feed(QByteArrayView data, qsizetype *used = nullptr);
    Status status() const { return m_status; }
    // How many more bytes the header needs at least (exactly, once the name length is known).
    qsizetype wanted() const;
    const QByteArray &fromName() const { return m_fromName; }
    qint64 count() const { return m_count; }
    const QString &error() const { return m_error; }

private:
    enum class Field { NameLength, Name, Count };

    qsizetype fieldSize() const;
    Status endField();

    Field m_field = Field::NameLength;
    QByteArray m_buffer; // the current field so far
    int m_nameLength = 0;
    QByteArray m_fromName;
    qint64 m_count = -1;
    Status m_status = Status::NeedMore;
    QString m_error;
};
