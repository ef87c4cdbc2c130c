#include "ChatLogView.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

ChatLogView::ChatLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMaximumBlockCount(kMaxLines); // also keeps no undo history
    m_frame.setSingleShot(true);
    m_frame.setInterval(kFrameMs);
    connect(&m_frame, &QTimer::timeout, this, &ChatLogView::flush);
}

namespace {

// The log's lines a chat line becomes: each of these characters starts another.
qsizetype linesIn(const QString &line)
{
    return 1 + line.count(u'\n') + line.count(u'\r') + line.count(QChar::ParagraphSeparator);
}

} // namespace

void ChatLogView::appendLine(const QString &line)
{
    m_pending.append(line);
    m_pendingCharacters += line.size() + 1;
    m_pendingBlocks += linesIn(line);
    // Lines the log could not keep anyway are dropped before they cost a layout.
    while ((m_pendingCharacters > kMaxCharacters || m_pendingBlocks > kMaxLines) && m_pending.size() > 1) {
        const QString dropped = m_pending.takeFirst();
        m_pendingCharacters -= dropped.size() + 1;
        m_pendingBlocks -= linesIn(dropped);
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
    const QString batch = m_pending.join(u'\n');
    m_pending.clear();
    m_pendingCharacters = 0;
    m_pendingBlocks = 0;
    appendPlainText(batch);
    trimTop();
}

void ChatLogView::trimTop()
{
    QTextDocument *log = document();
    const int excess = log->characterCount() - kMaxCharacters;
    if (excess <= 0)
        return;
    // Whole lines only: up to the start of the line that holds the cut.
    const QTextBlock cut = log->findBlock(excess + kMaxCharacters / kTrimShare);
    const int end = cut.isValid() && cut != log->lastBlock() ? cut.position() : log->lastBlock().position();
    if (end <= 0)
        return;
    QTextCursor cursor(log);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void ChatLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event); // selects the word
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty())
        Q_EMIT quoteRequested(selected);
}
