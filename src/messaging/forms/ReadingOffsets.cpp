#include "ReadingOffsets.h"

#include "IncomingView.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>

ReadingOffsets::ReadingOffsets(QTextDocument *document)
    : QObject(document)
    , m_document(document)
{
    connect(document, &QTextDocument::contentsChange, this,
            [this](int from, int removed, int) { changed(from, removed); });
}

ReadingOffsets *ReadingOffsets::of(QTextDocument *document)
{
    auto *offsets = document->findChild<ReadingOffsets *>(QString(), Qt::FindDirectChildrenOnly);
    return offsets ? offsets : new ReadingOffsets(document);
}

void ReadingOffsets::changed(int from, int removed)
{
    // The removed part is still in the list when it was looked at.
    m_lastRemoved = removed;
    if (m_scanned >= from + removed)
        m_lastRemoved += extraBefore(from + removed) - extraBefore(from);
    const auto stale = std::lower_bound(m_pictures.begin(), m_pictures.end(), from,
                                        [](const Picture &p, int at) { return p.position < at; });
    m_pictures.erase(stale, m_pictures.end());
    m_scanned = std::min(m_scanned, from);
}

int ReadingOffsets::extraBefore(int position) const
{
    const auto after = std::lower_bound(m_pictures.begin(), m_pictures.end(), position,
                                        [](const Picture &p, int at) { return p.position < at; });
    return after == m_pictures.begin() ? 0 : std::prev(after)->extra;
}

void ReadingOffsets::scanTo(int position)
{
    position = std::min(position, m_document->characterCount());
    int extra = m_pictures.isEmpty() ? 0 : m_pictures.last().extra;
    QTextBlock block = m_document->findBlock(m_scanned);
    for (; block.isValid() && m_scanned < position; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int end = fragment.position() + fragment.length();
            if (end <= m_scanned || !fragment.charFormat().isImageFormat())
                continue;
            const int length = int(fragment.charFormat().stringProperty(IncomingView::kPictureTextProperty).size());
            for (int at = std::max(m_scanned, fragment.position()); at < end; ++at) {
                m_pictures.append({at, at + extra, extra + length - 1});
                extra += length - 1;
            }
        }
        m_scanned = block.position() + block.length();
    }
}

int ReadingOffsets::toReading(int position)
{
    scanTo(position);
    return position + extraBefore(position);
}

int ReadingOffsets::toDocument(int offset, int *into)
{
    scanTo(m_document->characterCount());
    if (into)
        *into = 0;
    // The last picture whose code starts at or before the offset.
    const auto after = std::upper_bound(m_pictures.begin(), m_pictures.end(), offset,
                                        [](int at, const Picture &p) { return at < p.start; });
    if (after == m_pictures.begin())
        return offset;
    const Picture &picture = *std::prev(after);
    const int length = picture.extra - (picture.start - picture.position) + 1;
    if (offset < picture.start + length) {
        if (into)
            *into = offset - picture.start;
        return picture.position;
    }
    return offset - picture.extra;
}
