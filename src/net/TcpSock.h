#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

#include <QTcpSocket>

class QIODevice;

// Base of every outgoing TCP endpoint. An operation (a message post, a file
// post, a mail dialogue) is a chain of asynchronous steps on the event loop:
// the caller never waits, and each step ends in a continuation or in fail().
// One operation at a time per object; starting a second one fails with
// "Already connected".
class TTcpSock : public QObject
{
    Q_OBJECT

public:
    // Bounds of our own where the protocol leaves the wait open: Linux retries a
    // connect for over two minutes, Windows peers give up after about 21 s.
    static constexpr int kConnectBoundMs = 20000;
    static constexpr int kReplyBoundMs = 30000;

    explicit TTcpSock(quint16 defaultPort, QObject *parent = nullptr);
    ~TTcpSock() override;

    const QString &host() const { return m_host; }
    void setHost(const QString &host) { m_host = host; }
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    // 0 keeps the built-in bounds; otherwise the limit for every wait, in ms.
    int timeOut() const { return m_timeOut; }
    void setTimeOut(int milliseconds) { m_timeOut = milliseconds; }

    // Where to connect when the system cannot resolve host(): Windows computer
    // names often do not resolve on Linux networks, while the address the
    // peer announced itself from is known.
    const QString &fallbackHost() const { return m_fallbackHost; }
    void setFallbackHost(const QString &host) { m_fallbackHost = host; }

    bool isBusy() const { return m_phase != Phase::Idle; }
    // How long a connection kept for the next operation stays open unused.
    static constexpr int kKeepBoundMs = 2000;
    // Whether finishKeeping() may keep the connection for the next operation
    // to the same host and port (a channel whose server takes one request
    // after another on a connection).
    void setKeepConnection(bool keep) { m_keepConnection = keep; }
    // Ends the running operation with its cancel error.
    void cancel();
    // What the system said behind the last failure (refused, unreachable, a
    // time-out...), which its text may not tell; UnknownSocketError when the
    // failure was not the socket's.
    QAbstractSocket::SocketError lastSocketError() const { return m_lastSocketError; }

Q_SIGNALS:
    void connected();
    void connectionFailed();
    void disconnected();
    // A stream being sent: bytes handed to the system so far, of the total.
    void packetSent(qint64 sent, qint64 total);

protected:
    using Next = std::function<void()>;
    using Received = std::function<void(const QByteArray &data)>;

    // Claims the object for an operation; when it is busy, the operation fails
    // with "Already connected" and false is returned.
    bool begin();
    void connectThen(Next next);
    void write(const QByteArray &bytes);
    // Sends `count` bytes of `source` from its current position in chunks of
    // at most 64 KiB, reading the next only as the previous ones go out, so
    // memory stays small whatever the size. Continues once every byte has been
    // handed to the system; a source that ends early fails the operation.
    // A peer that takes nothing for the wait bound ends it with "Socket send aborted".
    void sendStream(std::unique_ptr<QIODevice> source, qint64 count, Next next);
    // Continues with exactly `count` bytes, or with an empty array if the peer
    // closed before they all arrived.
    void readLength(qint64 count, Received next);
    // Continues with one line including its CR LF; empty if the peer closed.
    void readLine(Received next);
    // Closes the connection; the operation is over.
    void finish();
    // The operation is over; the connection stays open for the next one when
    // keeping is on, closed otherwise.
    void finishKeeping();
    // Closes the connection and reports the error asynchronously through
    // operationFailed(), so callers never see a failure inside their own call.
    void fail(const QString &error);
    virtual void operationFailed(const QString &error) = 0;

    QTcpSocket *socket() const { return m_socket; }
    // The socket for the next connection; a descendant that may speak TLS
    // hands out a QSslSocket here.
    virtual QTcpSocket *createSocket() { return new QTcpSocket(this); }
    // Whether createSocket()'s QSslSocket starts its handshake as it connects.
    virtual bool encryptsFromTheStart() const { return false; }
    // Asked once the connection stands (over TLS: once the handshake is
    // done), before anything is written: non-empty ends the operation with it.
    virtual QString peerRefusal() const { return QString(); }
    // Whether a kept connection still suits the next operation (a TLS client:
    // its server proved the key now expected).
    virtual bool mayReuseConnection() const { return true; }
    // Peers on the LAN are reached directly: asking the system's proxy
    // settings costs a thread hop and a lookup on every connection.
    virtual bool goesThroughSystemProxy() const { return false; }

private:
    enum class Phase { Idle, Connecting, Connected, Sending, ReadingLength, ReadingLine };

    void startConnecting(const QString &host);
    void onConnected();
    void onSocketError();
    void onReadyRead();
    void onDisconnected();
    void onWaitCheck();
    void onBytesWritten();
    // Bytes given to the socket and not yet to the system, encrypted ones included.
    qint64 queuedBytes() const;
    void pumpStream();
    void startWaitTimer(int builtInBound);
    void deliverRead(const QByteArray &data);
    void flushWrites();
    void closeSocket();
    bool takeKeptConnection();
    // A kept connection that the peer closed before answering: once, a fresh one.
    bool retryOnFreshConnection();
    QString abortTextForPhase() const;

    QString m_host;
    QString m_fallbackHost;
    bool m_triedFallback = false;
    quint16 m_port;
    int m_timeOut = 0;
    Phase m_phase = Phase::Idle;
    QPointer<QTcpSocket> m_socket;
    QTimer m_waitTimer;
    QDeadlineTimer m_deadline;
    bool m_waiting = false;
    Next m_afterConnect;
    Received m_afterRead;
    qint64 m_wanted = 0;
    std::unique_ptr<QIODevice> m_source;
    qint64 m_streamTotal = 0;
    qint64 m_streamQueued = 0; // read from the source and given to the socket
    QByteArray m_chunk;
    Next m_afterSend;
    bool m_keepConnection = false;
    bool m_kept = false;        // the socket outlived its operation
    bool m_onKept = false;      // the running operation goes over a kept connection
    Next m_keptStart;           // its start, for a fresh connection if the kept one is gone
    QString m_keptHost;
    quint16 m_keptPort = 0;
    QTimer m_keepTimer;
    QAbstractSocket::SocketError m_lastSocketError = QAbstractSocket::UnknownSocketError;
};
