#pragma once

#include "OrderedDelivery.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

// One accepted connection: owns its socket, closes itself when the peer has
// been silent for too long, and deletes itself once the connection is gone.
class ServeConnection : public QObject
{
    Q_OBJECT

public:
    ServeConnection(QTcpSocket *socket, int idleTimeoutMs, QObject *parent);
    ~ServeConnection() override;

    QHostAddress peerAddress() const { return m_peer; }
    // Milliseconds since the peer last sent anything.
    qint64 idleFor() const { return m_lastActivity.elapsed(); }
    // Closes the connection if the peer has been silent for longer than its bound.
    void dropIfIdle();
    // Called by the server once the connection object is fully built.
    void start();

Q_SIGNALS:
    // The connection was closed without a complete request (reason for diagnostics).
    void dropped(const QString &reason);

protected:
    // Called whenever bytes are waiting; read them from socket().
    virtual void received() = 0;
    QTcpSocket *socket() const { return m_socket; }
    // Sends the acknowledgement now, so that the sender has it before the
    // application starts handling the request.
    void acknowledge(const QByteArray &ack);
    // Closes without acknowledgement; the sender sees the connection end.
    void drop(const QString &reason);
    // Called once as the connection ends, whether the peer closed it or it was
    // dropped, before the object goes; bytes may still be waiting in socket().
    virtual void ending() {}

private:
    void onReadyRead();
    void onDisconnected();

    QTcpSocket *m_socket;
    QHostAddress m_peer;
    int m_idleTimeoutMs;
    QElapsedTimer m_lastActivity;
    bool m_ended = false;
};

// Listening side shared by the message and stream servers.
class TTcpServerBase : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleBoundMs = 60000;

    TTcpServerBase(quint16 defaultPort, QObject *parent = nullptr);
    ~TTcpServerBase() override;

    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }

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

Q_SIGNALS:
    void clientContact();

protected:
    virtual ServeConnection *createConnection(QTcpSocket *socket, int idleTimeoutMs) = 0;
    OrderedDelivery &delivery() { return m_delivery; }

private:
    void onNewConnection();
    void sweepIdleConnections();

    quint16 m_port;
    int m_idleTimeoutMs = kIdleBoundMs;
    QTcpServer *m_server;
    // One timer for all connections: a timer per connection would cost more
    // than the exchange itself. It stops once a sweep finds nothing to watch.
    QTimer m_sweep;
    QString m_error;
    QAbstractSocket::SocketError m_serverError = QAbstractSocket::UnknownSocketError;
    OrderedDelivery m_delivery{this};
};
