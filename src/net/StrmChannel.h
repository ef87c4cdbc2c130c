#pragma once

#include "TcpServerBase.h"
#include "TcpSock.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QMetaType>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QFile;
class QIODevice;
class StreamSpool;

inline constexpr quint16 kStreamPort = 711;

// Sends one named stream (a file) per connection and waits for the acknowledgement.
class TStrmClient : public TTcpSock
{
    Q_OBJECT

public:
    explicit TStrmClient(QObject *parent = nullptr);

    const QString &fromName() const { return m_fromName; }
    void setFromName(const QString &fromName) { m_fromName = fromName; }

    // Sends all of `stream` (open for reading, of known size) from position 0
    // under fromName(); progress comes through packetSent(). Exactly one of
    // finished() or failed() follows, always after this returns. A from-name
    // over 9,999 bytes or a stream of 2 GiB or more is refused before connecting.
    // The wait for the acknowledgement starts once the peer has taken every
    // byte: on a slow link the system may hold megabytes after the last write.
    // While they drain, each bound of no progress ends the send.
    void postStream(std::unique_ptr<QIODevice> stream);

Q_SIGNALS:
    void messageSent();
    // The 16-byte acknowledgement, or empty when the server closed without one.
    void finished(const QByteArray &reply);
    void failed(const QString &error);

protected:
    void operationFailed(const QString &error) override;

private:
    void waitUntilTaken(std::function<void()> next);
    void checkTaken();

    QString m_fromName;
    std::unique_ptr<QIODevice> m_stream; // held until the connection stands
    QTimer m_takenPoll;
    QPointer<QTcpSocket> m_draining; // the connection whose bytes are draining
    std::function<void()> m_afterTaken;
    qint64 m_unacked = -1;
    QDeadlineTimer m_drainDeadline;
};

// One stream as it reached the server. The bytes of a complete stream lie in
// a spool file, which is removed with the last copy of this value unless the
// receiver moved it away and called release().
class ReceivedStream
{
public:
    enum class Status {
        Complete,
        Incomplete, // the sender went away or fell silent before the announced count
        NotStored,  // its spool file could not be made or written; refused without acknowledgement
        Refused,    // turned away by the receiver as its header arrived, without acknowledgement
    };

    ReceivedStream() = default;
    static ReceivedStream complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                   const QString &spoolPath);
    static ReceivedStream incomplete(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                     qint64 received);
    // `folder` is where it was to be spooled; `noRoom` when that file system is full.
    static ReceivedStream notStored(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                    const QString &error, const QString &folder = QString(), bool noRoom = false);
    // `notice`: what the receiving user is to be told, or empty.
    static ReceivedStream refused(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                  const QString &notice);

    Status status() const { return m_status; }
    const QString &fromName() const { return m_fromName; }
    const QHostAddress &peer() const { return m_peer; }
    // The fingerprint the peer proved over TLS; empty in the open.
    const QString &peerKey() const { return m_peerKey; }
    qint64 announcedSize() const { return m_announced; }
    qint64 receivedSize() const { return m_received; }
    // The id its streamStarted() announced; 0 when it was not announced.
    int streamId() const { return m_streamId; }
    // NotStored: the system's reason; Refused: the notice for the user.
    const QString &error() const { return m_error; }
    const QString &folder() const { return m_folder; }
    bool noRoom() const { return m_noRoom; }
    QString spoolPath() const;
    // The spool file is no longer ours to remove.
    void release() const;

private:
    friend class StrmServeConnection;
    static ReceivedStream complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                   std::shared_ptr<StreamSpool> spool);

    Status m_status = Status::Incomplete;
    QString m_fromName;
    QHostAddress m_peer;
    QString m_peerKey;
    qint64 m_announced = 0;
    qint64 m_received = 0;
    QString m_error;
    QString m_folder;
    bool m_noRoom = false;
    int m_streamId = 0;
    std::shared_ptr<StreamSpool> m_spool;
};
Q_DECLARE_METATYPE(ReceivedStream)

// A stream announced by its header, before any of its bytes are taken.
struct StreamOffer
{
    QString fromName;
    QHostAddress peer;
    qint64 size = 0;
    QString peerKey; // the fingerprint the peer proved over TLS; empty in the open
    int id = 0; // given once its spool file stands; see TStrmServer::streamStarted()
};
Q_DECLARE_METATYPE(StreamOffer)

// What the receiving side makes of an offered stream.
struct StreamAdmission
{
    // Where its spool file goes; empty: the system's temporary folder.
    QString spoolFolder;
    // No other folder will do: the file is to be saved there, and bytes
    // acknowledged elsewhere could turn out to have no room there.
    bool spoolFolderOnly = false;
    // Non-empty: refused without acknowledgement; the reason, for the log.
    QString refusal;
    // What the receiving user is told of the refusal; empty: nothing.
    QString notice;

    static StreamAdmission spoolIn(const QString &folder, bool only)
    {
        return {folder, only, QString(), QString()};
    }
    static StreamAdmission refuse(const QString &reason, const QString &notice)
    {
        return {QString(), false, reason, notice};
    }
};

// Receives streams, each spooled to a file as it arrives so that memory stays
// small whatever the size. A stream is acknowledged once all its bytes are in
// the spool file, then handed on.
class TStrmServer : public TTcpServerBase
{
    Q_OBJECT

public:
    explicit TStrmServer(QObject *parent = nullptr);

    static constexpr int kMaxSpooledFiles = 64;
    static constexpr qint64 kMaxSpooledBytes = qint64(4) << 30;

    // Asked once per stream, when its header has arrived: the folder for its
    // spool file. Best on the file system where the file will end up, so that
    // saving it is a rename. The system's temporary folder serves otherwise.
    void setSpoolFolder(std::function<QString()> folder) { m_spoolFolder = std::move(folder); }
    // Asked instead of the spool folder when set: whether to take the stream and where to spool it.
    void setAdmission(std::function<StreamAdmission(const StreamOffer &offer)> admission)
    {
        m_admission = std::move(admission);
    }
    // What may lie in spool files at a time, streams arriving and streams
    // waiting to be saved together (counted by announced size). A stream
    // beyond either bound is refused without acknowledgement.
    void setSpoolLimits(int files, qint64 bytes);
    int spooledFiles() const;
    qint64 spooledBytes() const;

    // Hidden files ".zavolin-*.part" in the spool folder while streams arrive.
    static bool isSpoolFileName(const QString &fileName);

Q_SIGNALS:
    // In arrival order, one at a time; complete, incomplete or not stored.
    void streamReceived(const ReceivedStream &stream);
    // A stream was taken and its bytes begin to arrive; its streamReceived()
    // follows with the same id. Progress comes at most a few times a second.
    void streamStarted(const StreamOffer &offer);
    void streamProgress(int id, qint64 received);
    void connectionDropped(const QString &reason);
    // A stream was refused for the spool limits, the first since there was room.
    void spoolLimitReached(int files, qint64 bytes);

protected:
    ServeConnection *createConnection(QTcpSocket *socket, int idleTimeoutMs) override;

private:
    friend class StrmServeConnection;
    friend class StreamSpool;
    struct Ledger;

    void deliver(const ReceivedStream &stream);
    void deliverStart(const StreamOffer &offer);
    void deliverProgress(int id, qint64 received);
    StreamAdmission admit(const StreamOffer &offer) const;
    // Room in the limits for `size` more bytes; says so once when there is not.
    bool withinLimits(qint64 size);
    // An empty spool file, locked and open for writing, or null with *error
    // and *noRoom when the file system lacks the space.
    std::shared_ptr<StreamSpool> createSpool(const StreamAdmission &admission, qint64 size, QString *folder,
                                             QString *error, bool *noRoom) const;

    std::function<QString()> m_spoolFolder;
    std::function<StreamAdmission(const StreamOffer &offer)> m_admission;
    std::shared_ptr<Ledger> m_ledger;
    int m_maxFiles = kMaxSpooledFiles;
    qint64 m_maxBytes = kMaxSpooledBytes;
    bool m_overLimits = false;
    // Shared by every server of the process (open and secure feed one receiver), so ids never meet.
    static inline int s_nextStreamId = 1;
};
