#pragma once

#include "TcpServerBase.h"
#include "TcpSock.h"

#include <QHostAddress>
#include <QMetaType>

#include <functional>
#include <memory>

class QFile;
class QIODevice;

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
    void postStream(std::unique_ptr<QIODevice> stream);

Q_SIGNALS:
    void messageSent();
    // The 16-byte acknowledgement, or empty when the server closed without one.
    void finished(const QByteArray &reply);
    void failed(const QString &error);

protected:
    void operationFailed(const QString &error) override;

private:
    QString m_fromName;
    std::unique_ptr<QIODevice> m_stream; // held until the connection stands
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
        NotStored,  // no room for it; refused without acknowledgement
    };

    ReceivedStream() = default;
    static ReceivedStream complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                   const QString &spoolPath);
    static ReceivedStream incomplete(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                     qint64 received);
    static ReceivedStream notStored(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                    const QString &error);

    Status status() const { return m_status; }
    const QString &fromName() const { return m_fromName; }
    const QHostAddress &peer() const { return m_peer; }
    qint64 announcedSize() const { return m_announced; }
    qint64 receivedSize() const { return m_received; }
    const QString &error() const { return m_error; }
    QString spoolPath() const;
    // The spool file is no longer ours to remove.
    void release() const;

private:
    class Spool;

    Status m_status = Status::Incomplete;
    QString m_fromName;
    QHostAddress m_peer;
    qint64 m_announced = 0;
    qint64 m_received = 0;
    QString m_error;
    std::shared_ptr<Spool> m_spool;
};
Q_DECLARE_METATYPE(ReceivedStream)

// Receives streams, each spooled to a file as it arrives so that memory stays
// small whatever the size. A stream is acknowledged once all its bytes are in
// the spool file, then handed on.
class TStrmServer : public TTcpServerBase
{
    Q_OBJECT

public:
    explicit TStrmServer(QObject *parent = nullptr);

    // Asked once per stream, when its header has arrived: the folder for its
    // spool file. Best on the file system where the file will end up, so that
    // saving it is a rename. The system's temporary folder serves otherwise.
    void setSpoolFolder(std::function<QString()> folder) { m_spoolFolder = std::move(folder); }

    // Hidden files ".zavolin-*.part" in the spool folder while streams arrive.
    static bool isSpoolFileName(const QString &fileName);

Q_SIGNALS:
    // In arrival order, one at a time; complete, incomplete or not stored.
    void streamReceived(const ReceivedStream &stream);
    void connectionDropped(const QString &reason);

protected:
    ServeConnection *createConnection(QTcpSocket *socket, int idleTimeoutMs) override;

private:
    friend class StrmServeConnection;
    void deliver(const ReceivedStream &stream);
    // An empty file opened for writing, or null with *error.
    std::unique_ptr<QFile> createSpool(qint64 size, QString *error) const;

    std::function<QString()> m_spoolFolder;
};
