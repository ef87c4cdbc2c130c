#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTimer>

// The chat log (Memo1): read-only, its scroll bar always there, and a
// double-click that, after selecting the word under the pointer, offers it
// for quoting.
//
// A peer may flood the chat with long lines full of line breaks. What a line
// costs is its laying out, so the log is bounded by characters and by lines
// (line breaks inside a datagram count), and the lines that arrive within
// one frame go in as one append: the window never lays itself out per
// datagram, and the oldest lines leave from the top. Only lines that can
// stay in the log are ever inserted, a frame inserts at most
// kFrameCharacters (the rest waits for the next frame, so the event loop
// serves sockets in between), and what leaves the top is removed without
// being laid out.
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
    // At least one line goes in per frame, however long.
    static constexpr int kFrameCharacters = 32 * 1024;

    explicit ChatLogView(QWidget *parent = nullptr);

    // Shown at a coming frame, after the lines that came before it.
    void appendLine(const QString &line);
    // Everything shown and everything still waiting for its frame goes.
    void clearLog();
    int pendingLines() const { return int(m_pending.size()); }

    // The log lines (text blocks) a chat line becomes once inserted.
    static qsizetype blocksIn(const QString &line);

Q_SIGNALS:
    void quoteRequested(const QString &selected);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    struct Pending
    {
        QString text;
        qsizetype blocks;
    };

    void flush();
    // Makes room for a batch of that many characters and blocks; the
    // visual lines removed.
    int trimTop(qsizetype characters, qsizetype blocks);

    QList<Pending> m_pending;
    qsizetype m_pendingCharacters = 0;
    qsizetype m_pendingBlocks = 0;
    QTimer m_frame;
};
