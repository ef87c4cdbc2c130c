#include "StreamFrame.h"

#include "MsgFrame.h"

#include <algorithm>

namespace StreamFrame {

QByteArray encodeHeader(QByteArrayView fromName, qint64 count)
{
    Q_ASSERT(count >= 0 && count <= kMaxCount);
    return MsgFrame::encodeField(fromName) + QByteArray::number(count).rightJustified(kCountWidth, ' ');
}

qint64 parseCount(QByteArrayView tenBytes)
{
    if (tenBytes.size() != kCountWidth)
        return -1;
    qsizetype i = 0;
    while (i < tenBytes.size() && tenBytes.at(i) == ' ')
        ++i;
    if (i == tenBytes.size())
        return -1;
    qint64 value = 0;
    for (; i < tenBytes.size(); ++i) {
        const char c = tenBytes.at(i);
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value <= kMaxCount ? value : -1;
}

} // namespace StreamFrame

qsizetype StreamHeaderParser::fieldSize() const
{
    switch (m_field) {
    case Field::NameLength:
        return 4;
    case Field::Name:
        return m_nameLength;
    case Field::Count:
        return StreamFrame::kCountWidth;
    }
    return 0;
}

qsizetype StreamHeaderParser::wanted() const
{
    if (m_status != Status::NeedMore)
        return 0;
    const qsizetype rest = fieldSize() - m_buffer.size();
    return m_field == Field::Count ? rest : rest + StreamFrame::kCountWidth;
}

StreamHeaderParser::Status StreamHeaderParser::feed(QByteArrayView data, qsizetype *used)
{
    qsizetype taken = 0;
    while (m_status == Status::NeedMore) {
        const qsizetype take = std::min(fieldSize() - m_buffer.size(), data.size() - taken);
        m_buffer.append(data.sliced(taken, take));
        taken += take;
        if (m_buffer.size() < fieldSize())
            break;
        m_status = endField();
    }
    if (used)
        *used = taken;
    return m_status;
}

StreamHeaderParser::Status StreamHeaderParser::endField()
{
    switch (m_field) {
    case Field::NameLength:
        m_nameLength = MsgFrame::parseLength(m_buffer);
        if (m_nameLength < 0) {
            m_error = QStringLiteral("name length is not four decimal digits");
            return Status::Malformed;
        }
        m_field = Field::Name;
        break;
    case Field::Name:
        m_fromName = m_buffer;
        m_field = Field::Count;
        break;
    case Field::Count:
        m_count = StreamFrame::parseCount(m_buffer);
        if (m_count < 0) {
            m_error = QStringLiteral("byte count is not a number below 2^31");
            return Status::Malformed;
        }
        m_buffer.clear();
        return Status::Complete;
    }
    m_buffer.clear();
    return Status::NeedMore;
}
