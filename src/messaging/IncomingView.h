#pragma once

#include <QString>

class QTextDocument;

// The incoming view's content: lines and texts are only ever appended at the
// end. Every appended line ends with a line break, so the view always ends in
// an empty line where inserted text continues. Links (web, mail and file
// addresses) are marked as they are inserted.
class IncomingView
{
public:
    explicit IncomingView(QTextDocument *document);

    void appendLine(const QString &line);
    // A text as one entry; its own line breaks (CR LF or LF) stay.
    void appendText(const QString &text);
    // Inserts at the very end without starting a new line first.
    void insertText(const QString &text);
    void insertPicture(const QString &resource);
    void insertLineBreak();
    void clear();
    bool isEmpty() const;
    QString toPlainText() const;

private:
    void insertWithLinks(const QString &text);

    QTextDocument *m_document;
};
