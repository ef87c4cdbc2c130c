#include "HistoryRecord.h"

#include "Cp1251.h"
#include "LogHeader.h"

namespace {

QString shown(QByteArrayView bytes)
{
    QString text = Cp1251::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(0), QChar(0x2400));
    return text;
}

QByteArrayView withoutLineBreak(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

QString HistoryRecord::asLogText() const
{
    if (!hasHeader)
        return text;
    return Cp1251::decode(LogHeader::kRule) + u'\n' + u'[' + dateTime + QStringLiteral("] ") + from
           + QStringLiteral(" --> ") + to + u'\n' + text;
}

HistoryReader::HistoryReader(QString path)
    : m_path(std::move(path))
    , m_file(m_path)
{
}

void HistoryReader::reopen()
{
    m_file.close();
}

HistoryRecord HistoryReader::read(const HistorySnapshot &snapshot, qsizetype index)
{
    HistoryRecord record;
    if (index < 0 || index >= snapshot.entries.size())
        return record;
    const LogEntry &e = snapshot.entries.at(index);
    if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly))
        return record;
    const qint64 length = qMin<qint64>(e.end - e.start, e.textOffset + kMaxTextBytes);
    if (!m_file.seek(e.start))
        return record;
    const QByteArray bytes = m_file.read(length);
    const QByteArrayView all(bytes);
    record.stamp = e.stamp;
    if (e.hasHeader() && e.textOffset <= all.size()) {
        const QByteArrayView headerLine = withoutLineBreak(all.sliced(e.headerOffset, e.textOffset - e.headerOffset));
        if (const auto header = LogHeader::parse(headerLine)) {
            record.hasHeader = true;
            record.dateTime = shown(header->dateTime);
            record.from = shown(header->from);
            record.to = shown(header->to);
        }
    }
    const QByteArrayView text = all.sliced(qMin<qsizetype>(record.hasHeader ? e.textOffset : 0, all.size()));
    record.text = shown(withoutLineBreak(text));
    if (e.end - e.start > length)
        record.text += QStringLiteral("…");
    return record;
}
