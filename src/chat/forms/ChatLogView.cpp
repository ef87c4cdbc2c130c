#include "ChatLogView.h"

ChatLogView::ChatLogView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMaximumBlockCount(kMaxLines);
}

void ChatLogView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event); // selects the word
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty())
        Q_EMIT quoteRequested(selected);
}
