#pragma once

#include <QString>
#include <QTextCursor>
#include <QTextFormat>

class QTextDocument;

// The incoming view's content: lines and texts are only ever appended at the
// end. Every appended line ends with a line break, so after each entry the
// view ends in an empty line where inserted text continues. A message is one
// paragraph: the line breaks within it are line separators. Links (web, mail and file
// addresses) are marked as they are inserted.
//
// The inserts of one message, or of several received together, belong
// between beginEntry() and endEntry(): the document is then laid out once for
// all of them instead of once per piece, which grows with the square of the
// pieces in a paragraph. Within one message (from beginMessage()) or one
// entry at most kMaxLinks links and kMaxPictures pictures are drawn; the rest
// stays plain text. A call outside an entry is an entry of its own.
//
// The view holds the newest maxMessages messages: a peer that keeps sending
// must not grow the program without bound (the history file keeps them all).
// beginMessage() marks where a message starts; once the entry that holds it
// ends with more messages than the view may hold, the oldest leave from the
// top in one edit, a tenth of maxMessages more than needed: every removal
// moves the whole view, and a view on screen is then laid out along its whole
// length, so it is made once per many messages, not for each.
class IncomingView
{
public:
    static constexpr int kMaxLinks = 64;
    static constexpr int kMaxPictures = 64;
    // On a picture's format: the text it stands for, which a plain-text copy writes.
    static constexpr int kPictureTextProperty = 0x100000 + 1; // QTextFormat::UserProperty + 1
    static constexpr int kMaxMessages = 10000;
    static constexpr int kDropShare = 10;

    explicit IncomingView(QTextDocument *document, int maxMessages = kMaxMessages);

    void beginEntry();
    void endEntry();

    // The next line starts a message (its header); call it before inserting it.
    void beginMessage();
    int messageCount() const { return m_messages; }

    void appendLine(const QString &line);
    // A text as one entry; its own line breaks (CR LF or LF) stay.
    void appendText(const QString &text);
    // Inserts at the very end without starting a new line first.
    void insertText(const QString &text);
    // `text` is inserted instead once the entry has all the pictures it may hold.
    void insertPicture(const QString &resource, const QString &text);
    void insertLineBreak();
    void clear();
    bool isEmpty() const;
    QString toPlainText() const;

    // Groups the inserts of one message for as long as it lives.
    class Entry
    {
    public:
        explicit Entry(IncomingView &view) : m_view(view) { m_view.beginEntry(); }
        ~Entry() { m_view.endEntry(); }
        Entry(const Entry &) = delete;
        Entry &operator=(const Entry &) = delete;

    private:
        IncomingView &m_view;
    };

private:
    void insertWithLinks(const QString &text);
    QString pendingBreak();
    void endParagraph();
    void dropOldest(int count);
    void toEnd();

    QTextDocument *m_document;
    int m_maxMessages;
    int m_messages = 0; // blocks marked as a message's first line
    QTextCursor m_cursor; // kept at the end while an entry is open
    int m_depth = 0;
    int m_linksLeft = 0;
    int m_picturesLeft = 0;
    // The last line break asked for, not yet in the document.
    bool m_breakPending = false;
    const QTextCharFormat m_plain;
};
