#include "TcpServerBase.h"

#include "FreedMemory.h"
#include "GatedTcpServer.h"

#include <QSocketNotifier>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

namespace {
// Read at most this much per wake-up: a peer that keeps sending after its
// request cannot hold the event loop.
constexpr qsizetype kReadPerTurn = 64 * 1024;
constexpr qsizetype kReadChunk = 16 * 1024;
} // namespace

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

ServeConnection::ServeConnection(qintptr descriptor, const QHostAddress &peer, int idleTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_fd(int(descriptor))
    , m_peer(peer)
    , m_idleTimeoutMs(idleTimeoutMs)
{
    m_lastActivity.start();
    m_accepted.start();
    m_reading = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(m_reading, &QSocketNotifier::activated, this, &ServeConnection::onReadable);
}

void ServeConnection::start()
{
    // A descriptor's first bytes wake its notifier, whenever they come.
    if (!m_socket)
        return;
    // Bytes may have arrived with the connection itself.
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

ServeConnection::~ServeConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray ServeConnection::takeReceived()
{
    return m_socket ? m_socket->readAll() : std::exchange(m_in, {});
}

void ServeConnection::onReadable()
{
    if (m_fd < 0)
        return;
    bool closed = false;
    qsizetype taken = 0;
    char chunk[kReadChunk];
    while (taken < kReadPerTurn) {
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got > 0) {
            m_in.append(chunk, got);
            taken += got;
            if (got < kReadChunk)
                break; // all there was: the next read would only say so
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        closed = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    if (!m_in.isEmpty()) {
        m_lastActivity.start();
        received();
    }
    if (closed && !m_ended) {
        m_ended = true;
        ending();
        finish();
    }
}

void ServeConnection::onWritable()
{
    if (m_fd < 0 || m_unsent.isEmpty())
        return;
    const ssize_t sent = ::send(m_fd, m_unsent.constData(), size_t(m_unsent.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0)
        m_unsent.remove(0, sent);
    else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    else
        m_unsent.clear(); // the peer is gone; its close ends the connection
    if (m_unsent.isEmpty())
        m_writing->setEnabled(false);
}

void ServeConnection::finish()
{
    if (m_reading)
        m_reading->setEnabled(false);
    if (m_writing)
        m_writing->setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (auto *server = qobject_cast<TTcpServerBase *>(parent()))
        server->reap(this);
    else
        deleteLater();
}

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
    if (!m_socket) {
        if (m_fd < 0)
            return;
        if (m_unsent.isEmpty()) {
            ssize_t sent = -1;
            do
                sent = ::send(m_fd, ack.constData(), size_t(ack.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
            while (sent < 0 && errno == EINTR);
            if (sent == ack.size())
                return;
            if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return; // the peer is gone; its close ends the connection
            m_unsent = ack.mid(std::max<ssize_t>(sent, 0));
        } else {
            m_unsent += ack;
        }
        if (!m_writing) {
            m_writing = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
            connect(m_writing, &QSocketNotifier::activated, this, &ServeConnection::onWritable);
        }
        m_writing->setEnabled(true);
        return;
    }
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
    if (!m_socket) {
        finish();
        return;
    }
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
    m_reaper.setSingleShot(true);
    m_reaper.setInterval(0);
    connect(&m_reaper, &QTimer::timeout, this, [this] { qDeleteAll(std::exchange(m_ended, {})); });
    setBacklogBound(kBacklogPause, kBacklogResume);
}

void TTcpServerBase::serveDescriptors()
{
    m_server->setTakesDescriptors(true);
    connect(m_server, &GatedTcpServer::descriptorTaken, this, &TTcpServerBase::onNewDescriptor);
}

ServeConnection *TTcpServerBase::createDescriptorConnection(qintptr, const QHostAddress &, int)
{
    return nullptr;
}

void TTcpServerBase::reap(ServeConnection *connection)
{
    m_ended.append(connection);
    if (!m_reaper.isActive())
        m_reaper.start();
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
    m_ended.clear(); // children all the same, deleted with the rest
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
    m_ended.clear();
    m_reaper.stop();
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

void TTcpServerBase::onNewDescriptor(qintptr descriptor)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(int(descriptor), reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(int(descriptor)); // gone before it was served
        return;
    }
    const QHostAddress peer(reinterpret_cast<const sockaddr *>(&address));
    if (!admit(peer)) {
        ::close(int(descriptor));
        Q_EMIT connectionRefused(peer);
        return;
    }
    ServeConnection *connection = createDescriptorConnection(descriptor, peer, m_idleTimeoutMs);
    if (!connection) {
        ::close(int(descriptor));
        --m_perAddress[peer];
        m_crowd.changed(--m_live);
        return;
    }
    started(connection, peer, QString());
    startSweep();
}

bool TTcpServerBase::admit(const QHostAddress &peer)
{
    int &held = m_perAddress[peer];
    if (held >= m_maxPerAddress)
        return false;
    ++held;
    m_crowd.changed(++m_live);
    return true;
}

void TTcpServerBase::serve(QTcpSocket *socket, const QString &peerKey)
{
    const QHostAddress peer = socket->peerAddress();
    if (!admit(peer)) {
        socket->abort();
        delete socket;
        Q_EMIT connectionRefused(peer);
        return;
    }
    started(createConnection(socket, m_idleTimeoutMs), peer, peerKey);
}

void TTcpServerBase::started(ServeConnection *connection, const QHostAddress &peer, const QString &peerKey)
{
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
