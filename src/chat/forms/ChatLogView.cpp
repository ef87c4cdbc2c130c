#include "ChatLogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

ChatLogView::ChatLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // No maximumBlockCount: the document would lay out every block it cuts
    // from the top. trimTop() keeps the bounds instead.
    document()->setUndoRedoEnabled(false);
    m_frame.setSingleShot(true);
    m_frame.setInterval(kFrameMs);
    connect(&m_frame, &QTimer::timeout, this, &ChatLogView::flush);
}

qsizetype ChatLogView::blocksIn(const QString &line)
{
    // The characters QTextCursor::insertText starts a block at; CR LF is one.
    qsizetype blocks = 1;
    const qsizetype size = line.size();
    const QChar *chars = line.constData();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i].unicode();
        if (c > u'\r' && c < 0x2029)
            continue; // nearly every character: one comparison
        switch (c) {
        case u'\r':
            if (i + 1 < size && chars[i + 1] == u'\n')
                ++i;
            ++blocks;
            break;
        case u'\n':
        case 0x2029: // paragraph separator
        case 0xfdd0: // frame start
        case 0xfdd1: // frame end
            ++blocks;
            break;
        default:
            break;
        }
    }
    return blocks;
}

void ChatLogView::appendLine(const QString &line)
{
    m_pending.append({line, blocksIn(line)});
    m_pendingCharacters += line.size() + 1;
    m_pendingBlocks += m_pending.last().blocks;
    // Lines the log could not keep anyway are dropped before they cost a layout.
    while ((m_pendingCharacters > kMaxCharacters || m_pendingBlocks > kMaxLines) && m_pending.size() > 1) {
        m_pendingCharacters -= m_pending.first().text.size() + 1;
        m_pendingBlocks -= m_pending.first().blocks;
        m_pending.removeFirst();
    }
    if (!m_frame.isActive())
        m_frame.start();
}

void ChatLogView::clearLog()
{
    m_frame.stop();
    m_pending.clear();
    m_pendingCharacters = 0;
    m_pendingBlocks = 0;
    clear();
}

void ChatLogView::flush()
{
    if (m_pending.isEmpty())
        return;
    qsizetype taken = 0;
    qsizetype characters = 0;
    qsizetype blocks = 0;
    do {
        characters += m_pending.at(taken).text.size() + 1;
        blocks += m_pending.at(taken).blocks;
        ++taken;
    } while (taken < m_pending.size() && characters + m_pending.at(taken).text.size() + 1 <= kFrameCharacters);
    QString batch;
    batch.reserve(characters);
    for (qsizetype i = 0; i < taken; ++i) {
        if (i > 0)
            batch += u'\n';
        batch += m_pending.at(i).text;
    }
    m_pending.remove(0, taken);
    m_pendingCharacters -= characters;
    m_pendingBlocks -= blocks;
    // The scroll bar counts visual lines. With the viewport's updates off,
    // scrolling lays out only what is then shown; with them on, every line
    // between the old top and the new one.
    QScrollBar *bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    const int top = bar->value();
    viewport()->setUpdatesEnabled(false);
    if (const int removed = trimTop(characters, blocks); removed > 0 && !atBottom)
        bar->setValue(std::max(0, top - removed)); // the same text stays in view while it is kept
    appendPlainText(batch);
    if (atBottom)
        bar->setValue(bar->maximum());
    viewport()->setUpdatesEnabled(true);
    if (!m_pending.isEmpty())
        m_frame.start();
}

int ChatLogView::trimTop(qsizetype characters, qsizetype blocks)
{
    QTextDocument *log = document();
    if (log->isEmpty())
        return 0;
    // What the log holds once the batch is appended after a line break.
    const qsizetype excess = log->characterCount() + characters - kMaxCharacters;
    const qsizetype excessBlocks = log->blockCount() + blocks - kMaxLines;
    if (excess <= 0 && excessBlocks <= 0)
        return 0;
    const int end = log->characterCount() - 1;
    // Whole blocks only, from the top.
    int cut = 0;
    if (excess > 0) {
        const QTextBlock block = log->findBlock(int(std::min<qsizetype>(excess + kMaxCharacters / kTrimShare, end)));
        cut = block.position() >= excess || !block.next().isValid() ? block.position() : block.next().position();
        if (cut < excess)
            cut = end; // the batch replaces everything
    }
    if (excessBlocks > 0) {
        const QTextBlock block = log->findBlockByNumber(int(excessBlocks));
        cut = std::max(cut, block.isValid() ? block.position() : end);
    }
    if (cut <= 0)
        return 0;
    const QTextBlock kept = log->findBlock(cut);
    const int removedLines = cut < end ? kept.firstLineNumber() : kept.firstLineNumber() + kept.lineCount();
    // In an edit block the cursor lays nothing out.
    QTextCursor cursor(log);
    cursor.beginEditBlock();
    cursor.setPosition(cut, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    return removedLines;
}

void ChatLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event); // selects the word
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty())
        Q_EMIT quoteRequested(selected);
}
