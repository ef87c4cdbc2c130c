#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

class HistoryLog;

// Received messages between their acknowledgement and their fate. Each is
// appended here before its sender is told it arrived, and settled once
// receiving has written it to the history or decided that it goes nowhere.
// The appends are in the system's cache when the acknowledgement leaves, so
// killing the process loses nothing; the journal and the history are synced
// on a worker kSyncIntervalMs after an append, so a power cut loses at most
// that last fraction of a second. A run that ended without settling leaves
// its messages to the next one (unsettled()).
//
// "Log.journal" takes the appends. Once all it holds is settled and synced it
// is emptied; a file past kRotateBytes that still waits for some of its
// messages becomes "Log.journal.old", removed once they are settled and
// synced. Both are deleted at a clean end. One instance at a time: the data
// folder is locked while the journal is open.
class ReceiveJournal : public QObject
{
    Q_OBJECT

public:
    struct Message
    {
        quint64 ticket = 0;
        QDateTime arrived;
        QString fromName;
        QString text;
        QHostAddress peer;
        QString peerKey;
        qint64 historyFrom = 0; // its history entry, if one was written, starts here or later
    };

    static constexpr int kSyncIntervalMs = 200;
    static constexpr qint64 kRotateBytes = 1024 * 1024;
    // Past this, messages are refused until receiving catches up.
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    ReceiveJournal(const QString &folder, const HistoryLog &history, QObject *parent = nullptr);
    ~ReceiveJournal() override;

    // False when another instance holds the folder; nothing is recorded then.
    bool isAvailable() const { return m_folderFd >= 0; }
    // The messages an earlier run acknowledged and did not settle, or whose
    // history entry a power cut may have taken; in arrival order. Each stays
    // in the journal until settled.
    QList<Message> takeUnsettled() { return std::exchange(m_leftOver, {}); }

    bool isFull() const { return m_active.size + m_old.size >= kMaxBytes; }
    // Before the acknowledgement; its ticket, or 0 when it could not be
    // written (errorString() says why).
    quint64 record(QByteArrayView fromName, QByteArrayView text, const QHostAddress &peer, const QString &peerKey);
    // The message's fate is decided; unknown tickets (0 among them) are ignored.
    void settle(quint64 ticket);
    // Several at once, in one write.
    void settle(const QList<quint64> &tickets);
    const QString &errorString() const { return m_error; }

    QString activePath() const;
    QString oldPath() const;

Q_SIGNALS:
    // A sync ended and what it made safe was compacted (for tests).
    void synced();

private:
    struct File
    {
        int fd = -1;
        qint64 size = 0;
        int waiting = 0;         // its messages not settled yet
        quint64 lastSettled = 0; // the append count when the last of them was settled
    };

    void load();
    bool append(const QByteArray &bytes);
    bool openActive();
    void startSync();
    void finishSync(bool ok, quint64 appendedBefore);
    void compact(quint64 syncedAppends);

    QString m_folder;
    const HistoryLog &m_history;
    int m_folderFd = -1; // locked while open
    File m_active;
    File m_old;
    quint64 m_nextTicket = 1;
    quint64 m_firstActiveTicket = 1; // lower tickets live in the old file
    QSet<quint64> m_waiting;         // unsettled tickets
    QList<Message> m_leftOver;
    quint64 m_appended = 0;
    bool m_folderChanged = false; // a file was made, renamed or removed since the last sync
    bool m_syncing = false;
    bool m_syncFailed = false;
    QString m_error;
    QTimer m_syncTimer;
    QThreadPool m_syncer;
};
