#pragma once

#include "FreedMemory.h"
#include "OrderedDelivery.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class GatedTcpServer;
class QSocketNotifier;
class QTcpSocket;

// One accepted connection: owns its socket, closes itself when the peer has
// been silent for too long or has not sent its request header in time, and
// deletes itself once the connection is gone.
class ServeConnection : public QObject
{
    Q_OBJECT

public:
    ServeConnection(QTcpSocket *socket, int idleTimeoutMs, QObject *parent);
    // On an accepted descriptor of its own, without a socket object: for a
    // request that is read once and answered with a few bytes, the socket
    // object's set-up and its signals cost more than the exchange.
    ServeConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs, QObject *parent);
    ~ServeConnection() override;

    QHostAddress peerAddress() const { return m_peer; }
    // The fingerprint of the key the peer proved over TLS; empty in the open.
    const QString &peerKey() const { return m_peerKey; }
    void setPeerKey(const QString &key) { m_peerKey = key; }
    // Milliseconds since the peer last sent anything.
    qint64 idleFor() const { return m_lastActivity.elapsed(); }
    // Closes the connection if the peer has been silent for longer than its
    // bound, or its header is still incomplete past the header deadline.
    void dropIfOverdue();
    // Milliseconds from the accept within which the header must be whole; 0 = none.
    void setHeaderDeadline(int milliseconds) { m_headerDeadlineMs = milliseconds; }
    // Called by the server once the connection object is fully built.
    void start();

Q_SIGNALS:
    // The connection was closed without a complete request (reason for diagnostics).
    void dropped(const QString &reason);

protected:
    // Called whenever bytes are waiting; read them from socket(), or with
    // takeReceived() on a descriptor of its own.
    virtual void received() = 0;
    QTcpSocket *socket() const { return m_socket; }
    QByteArray takeReceived();
    // Sends the acknowledgement now, so that the sender has it before the
    // application starts handling the request.
    void acknowledge(const QByteArray &ack);
    // Closes without acknowledgement; the sender sees the connection end.
    void drop(const QString &reason);
    // The request header is whole: the header deadline no longer applies.
    void headerComplete() { m_headerDeadlineMs = 0; }
    // Called once as the connection ends, whether the peer closed it or it was
    // dropped, before the object goes; bytes may still be waiting in socket().
    virtual void ending() {}

private:
    void onReadyRead();
    void onDisconnected();
    void onReadable();
    void onWritable();
    // The descriptor's connection is over: closed, and the object goes soon.
    void finish();

    QTcpSocket *m_socket = nullptr;
    int m_fd = -1;
    QSocketNotifier *m_reading = nullptr;
    QSocketNotifier *m_writing = nullptr;
    QByteArray m_in;
    QByteArray m_unsent;
    QHostAddress m_peer;
    QString m_peerKey;
    int m_idleTimeoutMs;
    int m_headerDeadlineMs = 0;
    QElapsedTimer m_lastActivity;
    QElapsedTimer m_accepted;
    bool m_ended = false;
};

// Listening side shared by the message and stream servers.
class TTcpServerBase : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleBoundMs = 60000;
    // A sender that trickles its header a byte at a time would otherwise hold
    // its connection for ever, however short the idle bound.
    static constexpr int kHeaderBoundMs = 60000;
    // One computer cannot take all our sockets.
    static constexpr int kMaxConnectionsPerAddress = 64;
    // Received events waiting for the application beyond which no new
    // connection is accepted until the backlog is down to kBacklogResume:
    // senders then wait in the system's queue, and memory stays bounded
    // however fast they come.
    static constexpr int kBacklogPause = 256;
    static constexpr int kBacklogResume = 32;

    TTcpServerBase(quint16 defaultPort, QObject *parent = nullptr);
    ~TTcpServerBase() override;

    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    void setHeaderDeadline(int milliseconds) { m_headerDeadlineMs = milliseconds; }
    void setMaxConnectionsPerAddress(int count) { m_maxPerAddress = count; }
    void setBacklogBound(int pause, int resume);
    // Held for a backlog, or because the process is near its descriptor limit.
    bool isAcceptingPaused() const;

    // Starts listening on all IPv4 addresses; false with errorString() when the
    // port cannot be had (another instance, or a privileged port).
    bool listen(const QHostAddress &address = QHostAddress(QHostAddress::AnyIPv4));
    bool isListening() const;
    // The bound port (differs from port() when 0 asked the system to choose).
    quint16 serverPort() const;
    QString errorString() const { return m_error; }
    // Why listen() failed: SocketAccessError for a privileged port, AddressInUseError...
    QAbstractSocket::SocketError serverError() const { return m_serverError; }
    void close();
    int connectionCount() const;
    // Serves a connection accepted elsewhere (a TLS listener, once the
    // handshake is done), under the same per-address bound; takes the socket.
    void adopt(QTcpSocket *socket, const QString &peerKey = QString());

Q_SIGNALS:
    void clientContact();
    // A connection was closed at once because its address holds too many.
    void connectionRefused(const QHostAddress &peer);

protected:
    virtual ServeConnection *createConnection(QTcpSocket *socket, int idleTimeoutMs) = 0;
    // Accepted connections come as descriptors to this; adopted sockets
    // still go to the one above.
    virtual ServeConnection *createDescriptorConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs);
    void serveDescriptors();
    OrderedDelivery &delivery() { return m_delivery; }

private:
    friend class ServeConnection;
    void onNewConnection(QTcpSocket *socket);
    void onNewDescriptor(qintptr descriptor);
    void serve(QTcpSocket *socket, const QString &peerKey);
    // Counts the connection against its address's bound; false when that is full.
    bool admit(const QHostAddress &peer);
    void started(ServeConnection *connection, const QHostAddress &peer, const QString &peerKey);
    // Deleted on the next turn, together: a posted deletion per connection
    // would wake the event loop once more for each.
    void reap(ServeConnection *connection);
    void sweepConnections();
    void startSweep();

    quint16 m_port;
    int m_idleTimeoutMs = kIdleBoundMs;
    int m_headerDeadlineMs = kHeaderBoundMs;
    int m_maxPerAddress = kMaxConnectionsPerAddress;
    QHash<QHostAddress, int> m_perAddress; // live connections per peer address
    int m_live = 0;
    CrowdWatch m_crowd;
    GatedTcpServer *m_server;
    // One timer for all connections: a timer per connection would cost more
    // than the exchange itself. It stops once a sweep finds nothing to watch.
    QTimer m_sweep;
    QTimer m_reaper;
    QList<ServeConnection *> m_ended;
    QString m_error;
    QAbstractSocket::SocketError m_serverError = QAbstractSocket::UnknownSocketError;
    OrderedDelivery m_delivery{this};
};
