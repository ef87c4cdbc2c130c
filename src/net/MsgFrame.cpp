#include "MsgFrame.h"

namespace MsgFrame {

QByteArray acknowledgement()
{
    return QByteArray("OK") + QByteArray(14, ' ');
}

QByteArray encodeField(QByteArrayView field)
{
    Q_ASSERT(field.size() <= kMaxField);
    return QByteArray::number(field.size()).rightJustified(4, '0').append(field);
}

int parseLength(QByteArrayView fourBytes)
{
    if (fourBytes.size() != 4)
        return -1;
    int value = 0;
    for (char c : fourBytes) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace MsgFrame

MsgFrameParser::Status MsgFrameParser::feed(QByteArrayView data)
{
    if (m_status != Status::NeedMore)
        return m_status; // anything after a complete request is not ours to read
    m_buffer.append(data);
    m_status = advance();
    return m_status;
}

MsgFrameParser::Status MsgFrameParser::advance()
{
    while (m_field < 2) {
        if (m_wanted < 0) {
            if (m_buffer.size() < 4)
                return Status::NeedMore;
            m_wanted = MsgFrame::parseLength(QByteArrayView(m_buffer).first(4));
            if (m_wanted < 0) {
                m_error = QStringLiteral("length field is not four decimal digits");
                return Status::Malformed;
            }
            m_buffer.remove(0, 4);
        }
        if (m_buffer.size() < m_wanted)
            return Status::NeedMore;
        m_fields[m_field] = m_buffer.left(m_wanted);
        m_buffer.remove(0, m_wanted);
        m_wanted = -1;
        ++m_field;
    }
    m_buffer.clear();
    return Status::Complete;
}
