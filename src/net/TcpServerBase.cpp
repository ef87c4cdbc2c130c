#include "TcpServerBase.h"

#include "FreedMemory.h"
#include "GatedTcpServer.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>

#include <sys/socket.h>

ServeConnection::ServeConnection(QTcpSocket *socket, int idleTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_peer(socket->peerAddress())
    , m_idleTimeoutMs(idleTimeoutMs)
{
    m_socket->setParent(this);
    m_lastActivity.start();
    m_accepted.start();
    connect(m_socket, &QTcpSocket::readyRead, this, &ServeConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &ServeConnection::onDisconnected);
}

void ServeConnection::start()
{
    // Bytes may have arrived with the connection itself.
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

ServeConnection::~ServeConnection() = default;

void ServeConnection::onReadyRead()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState && m_socket->bytesAvailable() == 0)
        return;
    m_lastActivity.start();
    received();
}

void ServeConnection::onDisconnected()
{
    if (!m_ended) {
        m_ended = true;
        ending();
    }
    deleteLater();
}

void ServeConnection::acknowledge(const QByteArray &ack)
{
    // The answer is a few bytes on a socket with nothing else to send, so it
    // goes out at once. Through the socket's buffer it would first create a
    // write notifier and then remove it: two more turns of the event loop for
    // every message. What the kernel does not take, and any error, goes the
    // buffered way, which reports errors like any other write.
    QByteArray rest = ack;
    const qintptr descriptor = m_socket->socketDescriptor();
    // Over TLS every byte must go through the socket's encryption.
    const bool plain = qobject_cast<QSslSocket *>(m_socket) == nullptr;
    if (plain && descriptor >= 0 && m_socket->bytesToWrite() == 0 && m_socket->state() == QAbstractSocket::ConnectedState) {
        ssize_t sent = -1;
        do
            sent = ::send(int(descriptor), ack.constData(), size_t(ack.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        while (sent < 0 && errno == EINTR);
        if (sent == ack.size())
            return;
        if (sent > 0)
            rest = ack.mid(sent);
    }
    m_socket->write(rest);
    m_socket->flush();
}

void ServeConnection::dropIfOverdue()
{
    if (m_headerDeadlineMs > 0 && m_accepted.hasExpired(m_headerDeadlineMs))
        drop(QStringLiteral("header not complete in time"));
    else if (m_lastActivity.hasExpired(m_idleTimeoutMs))
        drop(QStringLiteral("idle time-out"));
}

void ServeConnection::drop(const QString &reason)
{
    if (m_ended)
        return; // a sweep can find a dropped connection again before it is deleted
    m_ended = true;
    ending();
    Q_EMIT dropped(reason);
    m_socket->disconnect(this);
    m_socket->abort();
    deleteLater();
}

TTcpServerBase::TTcpServerBase(quint16 defaultPort, QObject *parent)
    : QObject(parent)
    , m_port(defaultPort)
    , m_server(new GatedTcpServer(this))
{
    connect(m_server, &GatedTcpServer::connectionTaken, this, &TTcpServerBase::onNewConnection);
    connect(&m_sweep, &QTimer::timeout, this, &TTcpServerBase::sweepConnections);
    setBacklogBound(kBacklogPause, kBacklogResume);
}

void TTcpServerBase::setBacklogBound(int pause, int resume)
{
    m_delivery.setBacklogBound(pause, resume, [this](bool full) {
        if (full)
            m_server->hold(GatedTcpServer::Backlog);
        else
            m_server->release(GatedTcpServer::Backlog);
    });
}

TTcpServerBase::~TTcpServerBase()
{
    // While the address counts still exist: each connection gives its slot back as it goes.
    qDeleteAll(findChildren<ServeConnection *>(Qt::FindDirectChildrenOnly));
}

bool TTcpServerBase::listen(const QHostAddress &address)
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(address, m_port)) {
        m_error = m_server->errorString();
        m_serverError = m_server->serverError();
        return false;
    }
    m_error.clear();
    m_serverError = QAbstractSocket::UnknownSocketError;
    return true;
}

bool TTcpServerBase::isListening() const
{
    return m_server->isListening();
}

quint16 TTcpServerBase::serverPort() const
{
    return m_server->serverPort();
}

void TTcpServerBase::close()
{
    m_server->close();
    m_delivery.clear();
    qDeleteAll(findChildren<ServeConnection *>(Qt::FindDirectChildrenOnly));
}

int TTcpServerBase::connectionCount() const
{
    return int(findChildren<ServeConnection *>(Qt::FindDirectChildrenOnly).size());
}

bool TTcpServerBase::isAcceptingPaused() const
{
    return m_server->isHeld();
}

void TTcpServerBase::onNewConnection(QTcpSocket *socket)
{
    serve(socket, QString());
    startSweep();
}

void TTcpServerBase::adopt(QTcpSocket *socket, const QString &peerKey)
{
    serve(socket, peerKey);
    startSweep();
}

void TTcpServerBase::serve(QTcpSocket *socket, const QString &peerKey)
{
    const QHostAddress peer = socket->peerAddress();
    int &held = m_perAddress[peer];
    if (held >= m_maxPerAddress) {
        socket->abort();
        delete socket;
        Q_EMIT connectionRefused(peer);
        return;
    }
    ++held;
    m_crowd.changed(++m_live);
    ServeConnection *connection = createConnection(socket, m_idleTimeoutMs);
    connect(connection, &QObject::destroyed, this, [this, peer] {
        const auto it = m_perAddress.find(peer);
        if (it != m_perAddress.end() && --*it <= 0)
            m_perAddress.erase(it);
        m_crowd.changed(--m_live);
    });
    connection->setPeerKey(peerKey);
    connection->setHeaderDeadline(m_headerDeadlineMs);
    connection->start();
    Q_EMIT clientContact();
}

void TTcpServerBase::startSweep()
{
    if (m_sweep.isActive())
        return;
    const int bound = m_headerDeadlineMs > 0 ? std::min(m_idleTimeoutMs, m_headerDeadlineMs) : m_idleTimeoutMs;
    m_sweep.start(std::clamp(bound / 4, 10, 1000));
}

void TTcpServerBase::sweepConnections()
{
    const auto connections = findChildren<ServeConnection *>(Qt::FindDirectChildrenOnly);
    if (connections.isEmpty()) {
        m_sweep.stop(); // nothing to watch: an idle program wakes for nothing
        return;
    }
    for (ServeConnection *connection : connections)
        connection->dropIfOverdue();
}
