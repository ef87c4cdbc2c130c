#include "HistoryTail.h"

#include "LogHeader.h"

#include <QFile>
#include <QFileInfo>

namespace {

// "[" date and time: far shorter than this in every system format.
constexpr qsizetype kMaxStamp = 64;

} // namespace

HistoryTail::HistoryTail(const QString &path, qint64 from)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return; // nothing there, or a pipe or device that keeps nothing

    const qint64 size = file.size();
    // An offset past the end: the file was replaced or lost its end; its end is read.
    if (from < 0 || from > size)
        from = 0;
    m_start = std::max(from, size - kMaxBytes);
    if (file.seek(m_start))
        m_bytes = file.read(size - m_start);
}

bool HistoryTail::take(const QByteArray &body, qint64 from)
{
    qsizetype at = from > m_start && from - m_start <= m_bytes.size() ? qsizetype(from - m_start) : 0;
    while ((at = m_bytes.indexOf(body, at)) >= 0) {
        if (!m_taken.contains(at) && isEntry(at, body.size())) {
            m_taken.insert(at);
            return true;
        }
        ++at;
    }
    return false;
}

qsizetype HistoryTail::stampBefore(qsizetype at) const
{
    const QByteArrayView bytes(m_bytes);
    const qsizetype window = std::min(at, kMaxStamp);
    const QByteArrayView stamp = bytes.sliced(at - window, window);
    const qsizetype open = stamp.lastIndexOf('[');
    if (open < 0 || stamp.sliced(open).contains('\r') || stamp.sliced(open).contains('\n'))
        return -1;
    // The rule line is a line of its own: one inside a text is indented.
    const qsizetype bracket = at - window + open;
    const QByteArray ruleLine = LogHeader::kRule.toByteArray() + "\r\n";
    const qsizetype rule = bracket - ruleLine.size();
    if (rule < 0 || !bytes.sliced(rule).startsWith(ruleLine) || (rule > 0 && bytes[rule - 1] != '\n'))
        return -1;
    return bracket;
}

bool HistoryTail::isEntry(qsizetype at, qsizetype bodySize) const
{
    const qsizetype end = at + bodySize;
    if (end != m_bytes.size() && !QByteArrayView(m_bytes).sliced(end).startsWith(LogHeader::kRule.toByteArray() + "\r\n"))
        return false;
    return stampBefore(at) >= 0;
}

QByteArray HistoryTail::missingEnd(const QByteArray &body, qint64 from)
{
    if (m_completed)
        return {};
    // The last entry's header: a rule line of its own, "[", the date and "] ".
    const QByteArray ruleLine = LogHeader::kRule.toByteArray() + "\r\n";
    qsizetype rule = m_bytes.lastIndexOf(ruleLine);
    while (rule > 0 && m_bytes[rule - 1] != '\n')
        rule = m_bytes.lastIndexOf(ruleLine, rule - 1);
    if (rule < 0 || m_start + rule < from)
        return {};
    const qsizetype names = m_bytes.indexOf("] ", rule + ruleLine.size());
    if (names < 0 || stampBefore(names) != rule + ruleLine.size())
        return {};
    const QByteArrayView written = QByteArrayView(m_bytes).sliced(names);
    if (written.size() >= body.size() || !QByteArrayView(body).startsWith(written))
        return {};
    m_completed = true;
    return body.sliced(written.size());
}
