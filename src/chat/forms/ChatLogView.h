#pragma once

#include <QPlainTextEdit>

// The chat log (Memo1): read-only, its scroll bar always there, and a
// double-click that, after selecting the word under the pointer, offers it
// for quoting.
class ChatLogView : public QPlainTextEdit
{
    Q_OBJECT

public:
    // A peer that floods the chat must not fill the memory: the oldest lines go.
    static constexpr int kMaxLines = 2000;

    explicit ChatLogView(QWidget *parent = nullptr);

Q_SIGNALS:
    void quoteRequested(const QString &selected);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
