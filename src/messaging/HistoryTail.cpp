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

bool HistoryTail::isEntry(qsizetype at, qsizetype bodySize) const
{
    const QByteArrayView bytes(m_bytes);
    const QByteArray ruleLine = LogHeader::kRule.toByteArray() + "\r\n";
    const qsizetype end = at + bodySize;
    if (end != bytes.size() && !bytes.sliced(end).startsWith(ruleLine))
        return false;
    // Before the body: the rule line and "[" with the date, on one line.
    const qsizetype window = std::min(at, kMaxStamp);
    const QByteArrayView stamp = bytes.sliced(at - window, window);
    const qsizetype open = stamp.lastIndexOf('[');
    if (open < 0 || stamp.sliced(open).contains('\r') || stamp.sliced(open).contains('\n'))
        return false;
    return bytes.first(at - window + open).endsWith(ruleLine);
}
