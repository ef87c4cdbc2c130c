#pragma once

#include "MessageSender.h"
#include "MsgFrame.h"

#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>

// Messages that wait for their contact, in the order they were written, kept
// in "Outbox.txt" of the data folder and rewritten whole and atomically on
// every change, so a crash leaves either the old or the new list. The file is
// code page 1251:
//   ZAVOLIN OUTBOX 1 CR LF
//   then per message a line "#" id TAB host TAB display name TAB fallback host
//   TAB written (yyyy-MM-ddTHH:mm:ss) TAB length of the text in bytes CR LF,
//   the text's bytes and CR LF.
// The file is read a message at a time and holds at most kMaxMessages texts
// of at most kMaxTextBytes (what one message carries). A file that cannot be
// read in full, or holds more, is set aside whole as "Outbox.txt.bad"; what
// could be read and fits stays queued. The file is its owner's only.
class Outbox
{
public:
    static constexpr int kMaxMessages = 1000;
    static constexpr qint64 kMaxTextBytes = MsgFrame::kMaxField;
    // The line before each text: its names are a computer's and a contact's.
    static constexpr qint64 kMaxHeaderBytes = 8 * 1024;

    struct Message
    {
        quint64 id = 0;
        Recipient recipient;
        QString text;
        QDateTime written;
    };

    struct Reading
    {
        QList<Message> messages;
        bool damaged = false; // read up to the first thing that is no message
        int tooLong = 0;      // texts over kMaxTextBytes, left out
        bool tooMany = false; // more than kMaxMessages: the rest left out
        bool complete() const { return !damaged && tooLong == 0 && !tooMany; }
    };

    explicit Outbox(QString path);

    const QString &path() const { return m_path; }
    // false with a reason when the file was damaged or oversized (what was
    // read and fits is kept).
    bool load(QString *error = nullptr);
    const QList<Message> &messages() const { return m_messages; }
    QList<Message> waitingFor(const QString &host) const;
    int countFor(const QString &host) const;
    const Message *find(quint64 id) const;

    // Each change is saved at once; false when the file could not be written
    // (the change stands in memory, and the next save tries again).
    bool add(const Recipient &recipient, const QString &text, const QDateTime &written, quint64 *id = nullptr);
    bool remove(quint64 id);
    bool setText(quint64 id, const QString &text);

    static QByteArray serialize(const QList<Message> &messages);
    // Reads as many messages as are whole and fit, in bounded memory.
    static Reading read(QIODevice &device);
    // The same over bytes; `complete` says whether that was all.
    static QList<Message> parse(const QByteArray &bytes, bool *complete);

private:
    bool save();
    bool keepAside(const QString &kept) const;

    QString m_path;
    QList<Message> m_messages;
    quint64 m_nextId = 1;
};
