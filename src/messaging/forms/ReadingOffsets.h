#pragma once

#include <QList>
#include <QObject>

class QTextDocument;

// Where a document position lies in the view's text as a screen reader gets
// it (IncomingText: each picture as its code, which may be longer than the
// one character the picture takes), and back. Pictures are found lazily and
// only behind the last change, so a view that only grows at its end costs a
// look at the new part; the offsets of the old part stay known.
// Lives as a child of its document, made before anything else connects to it
// (see of()), so it has heard of every change before others are told.
class ReadingOffsets : public QObject
{
    Q_OBJECT

public:
    explicit ReadingOffsets(QTextDocument *document);

    // The document's offsets, made on the first call.
    static ReadingOffsets *of(QTextDocument *document);

    int toReading(int position);
    // The position of the character the offset falls in; *into says how far
    // into that character's text (a picture's code) it lies.
    int toDocument(int offset, int *into = nullptr);
    // Of the last change: how long the removed text was as read.
    int lastRemovedLength() const { return m_lastRemoved; }

private:
    struct Picture
    {
        int position;
        int start; // where its code starts in the text as read
        int extra; // what this picture and all before it add to the text's length
    };

    void changed(int from, int removed);
    void scanTo(int position);
    int extraBefore(int position) const;

    QTextDocument *m_document;
    QList<Picture> m_pictures; // in document order, all those before m_scanned
    int m_scanned = 0;
    int m_lastRemoved = 0;
};
