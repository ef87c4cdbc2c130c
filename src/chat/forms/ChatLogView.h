#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

// The chat log (Memo1): read-only, its scroll bar always there, and a
// double-click that, after selecting the word under the pointer, offers it
// for quoting.
//
// A peer may flood the chat with long lines full of line breaks. What a line
// costs is its laying out, so the log is bounded by characters and by lines
// (line breaks inside a datagram count), and the lines that arrive within
// one frame go in as one append: the window never lays itself out per
// datagram, and the oldest lines leave from the top.
class ChatLogView : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int kMaxLines = 2000;
    static constexpr int kMaxCharacters = 256 * 1024;
    // When the characters overflow, this share more goes with them, so that
    // the top is cut once per many batches, not for each.
    static constexpr int kTrimShare = 8;
    static constexpr int kFrameMs = 16;

    explicit ChatLogView(QWidget *parent = nullptr);

    // Shown at the next frame, after the lines that came before it.
    void appendLine(const QString &line);
    // Everything shown and everything still waiting for its frame goes.
    void clearLog();
    int pendingLines() const { return int(m_pending.size()); }

Q_SIGNALS:
    void quoteRequested(const QString &selected);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void flush();
    void trimTop();

    QStringList m_pending;
    qsizetype m_pendingCharacters = 0;
    qsizetype m_pendingBlocks = 0; // the log lines they make
    QTimer m_frame;
};
