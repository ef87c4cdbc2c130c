#include "TcpSock.h"

#include "WinsockErrors.h"

#include <QIODevice>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

namespace {
// One socket call's worth: a stream moves in chunks of this size.
constexpr qint64 kStreamChunk = 65536;
// Kept queued in the socket so the system never waits for us between chunks.
constexpr qint64 kStreamQueued = 4 * kStreamChunk;
// Over TLS, Qt encrypts all that is queued at once into temporaries of that
// size. Kept under the allocator's mmap threshold (128 KiB at first) they are
// reused; above it each is fresh memory, faulted in page by page.
constexpr qint64 kTlsStreamQueued = kStreamChunk;
} // namespace

TTcpSock::TTcpSock(quint16 defaultPort, QObject *parent)
    : QObject(parent)
    , m_port(defaultPort)
{
    connect(&m_waitTimer, &QTimer::timeout, this, &TTcpSock::onWaitCheck);
    m_keepTimer.setSingleShot(true);
    connect(&m_keepTimer, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Idle)
            closeSocket();
    });
}

TTcpSock::~TTcpSock()
{
    closeSocket();
}

bool TTcpSock::begin()
{
    if (m_phase != Phase::Idle) {
        // Reported later, and without touching the operation that runs.
        QTimer::singleShot(0, this, [this] { operationFailed(QStringLiteral("Already connected")); });
        return false;
    }
    m_phase = Phase::Connected; // claimed; connectThen() moves on
    m_lastSocketError = QAbstractSocket::UnknownSocketError;
    return true;
}

void TTcpSock::connectThen(Next next)
{
    m_afterConnect = std::move(next);
    m_phase = Phase::Connecting;
    m_triedFallback = false;
    if (m_host.trimmed().isEmpty()) {
        fail(QStringLiteral("Null Remote Address"));
        return;
    }
    if (takeKeptConnection()) {
        m_phase = Phase::Connected;
        m_keptStart = m_afterConnect;
        std::exchange(m_afterConnect, nullptr)();
        return;
    }
    startConnecting(m_host);
}

bool TTcpSock::takeKeptConnection()
{
    const bool kept = std::exchange(m_kept, false);
    m_keepTimer.stop();
    m_onKept = false;
    if (!kept || !m_socket)
        return false;
    // Anything the peer sent unasked would be taken for the next answer.
    if (m_socket->state() != QAbstractSocket::ConnectedState || m_socket->bytesAvailable() > 0
        || m_keptHost != m_host || m_keptPort != m_port || !mayReuseConnection()) {
        closeSocket();
        return false;
    }
    m_onKept = true;
    return true;
}

bool TTcpSock::retryOnFreshConnection()
{
    if (!m_onKept || !m_keptStart || (m_socket && m_socket->bytesAvailable() > 0))
        return false;
    m_onKept = false;
    m_afterConnect = std::exchange(m_keptStart, nullptr);
    m_afterRead = nullptr;
    m_phase = Phase::Connecting;
    m_triedFallback = false;
    startConnecting(m_host);
    return true;
}

void TTcpSock::startConnecting(const QString &host)
{
    closeSocket();
    m_socket = createSocket();
    if (!goesThroughSystemProxy())
        m_socket->setProxy(QNetworkProxy::NoProxy);
    // A channel that is TLS from the first byte goes on only once the handshake
    // is done; others (mail's STARTTLS) encrypt later by themselves.
    auto *tls = encryptsFromTheStart() ? qobject_cast<QSslSocket *>(m_socket.data()) : nullptr;
    if (tls)
        connect(tls, &QSslSocket::encrypted, this, &TTcpSock::onConnected);
    else
        connect(m_socket, &QTcpSocket::connected, this, &TTcpSock::onConnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TTcpSock::onSocketError);
    connect(m_socket, &QTcpSocket::readyRead, this, &TTcpSock::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &TTcpSock::onDisconnected);
    startWaitTimer(kConnectBoundMs);
    if (tls) {
        // Each write is a TLS record of its own: without this the second waits
        // for the first's ACK. Only a connected socket takes the option.
        connect(tls, &QSslSocket::connected, tls, [tls] { tls->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
        tls->connectToHostEncrypted(host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    } else {
        m_socket->connectToHost(host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    }
}

void TTcpSock::write(const QByteArray &bytes)
{
    if (m_socket)
        m_socket->write(bytes);
}

void TTcpSock::sendStream(std::unique_ptr<QIODevice> source, qint64 count, Next next)
{
    m_source = std::move(source);
    m_streamTotal = count;
    m_streamQueued = 0;
    m_afterSend = std::move(next);
    m_phase = Phase::Sending;
    // Only streams listen for written bytes: messages need not pay for it.
    if (m_socket) {
        connect(m_socket, &QTcpSocket::bytesWritten, this, &TTcpSock::onBytesWritten, Qt::UniqueConnection);
        // Over TLS the encrypted bytes wait in a buffer of their own; the stream goes on as it drains.
        if (auto *tls = qobject_cast<QSslSocket *>(m_socket.data()))
            connect(tls, &QSslSocket::encryptedBytesWritten, this, &TTcpSock::onBytesWritten, Qt::UniqueConnection);
    }
    startWaitTimer(kReplyBoundMs);
    pumpStream();
}

void TTcpSock::pumpStream()
{
    if (m_phase != Phase::Sending || !m_socket)
        return;
    if (m_chunk.size() != kStreamChunk)
        m_chunk.resize(kStreamChunk);
    const qint64 bound = qobject_cast<QSslSocket *>(m_socket.data()) ? kTlsStreamQueued : kStreamQueued;
    while (m_streamQueued < m_streamTotal && queuedBytes() < bound) {
        const qint64 wanted = std::min(kStreamChunk, m_streamTotal - m_streamQueued);
        const qint64 got = m_source->read(m_chunk.data(), wanted);
        if (got <= 0) {
            fail(got < 0 ? QStringLiteral("Stream read error: ") + m_source->errorString()
                         : QStringLiteral("Stream ended before its size"));
            return;
        }
        m_socket->write(m_chunk.constData(), got);
        m_streamQueued += got;
    }
    if (m_streamQueued < m_streamTotal || queuedBytes() > 0)
        return; // bytesWritten brings us back
    m_waiting = false;
    m_phase = Phase::Connected;
    m_source.reset();
    if (auto next = std::exchange(m_afterSend, nullptr))
        next();
}

qint64 TTcpSock::queuedBytes() const
{
    const auto *tls = qobject_cast<const QSslSocket *>(m_socket.data());
    return m_socket->bytesToWrite() + (tls ? tls->encryptedBytesToWrite() : 0);
}

void TTcpSock::onBytesWritten()
{
    if (m_phase != Phase::Sending || !m_socket)
        return;
    startWaitTimer(kReplyBoundMs); // the bound counts from the last progress
    Q_EMIT packetSent(std::max<qint64>(0, m_streamQueued - queuedBytes()), m_streamTotal);
    pumpStream();
}

void TTcpSock::readLength(qint64 count, Received next)
{
    m_afterRead = std::move(next);
    m_wanted = count;
    m_phase = Phase::ReadingLength;
    flushWrites();
    startWaitTimer(kReplyBoundMs);
    onReadyRead();
}

void TTcpSock::readLine(Received next)
{
    m_afterRead = std::move(next);
    m_phase = Phase::ReadingLine;
    flushWrites();
    startWaitTimer(kReplyBoundMs);
    onReadyRead();
}

void TTcpSock::flushWrites()
{
    // The request goes out now rather than on the next pass of the event loop:
    // a round trip saved on every exchange.
    if (m_socket)
        m_socket->flush();
}

void TTcpSock::finishKeeping()
{
    if (!m_keepConnection || !m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        finish();
        return;
    }
    m_waiting = false;
    m_phase = Phase::Idle;
    m_afterConnect = nullptr;
    m_afterRead = nullptr;
    m_afterSend = nullptr;
    m_keptStart = nullptr;
    m_onKept = false;
    m_source.reset();
    m_kept = true;
    m_keptHost = m_host;
    m_keptPort = m_port;
    m_keepTimer.start(kKeepBoundMs);
    Q_EMIT disconnected();
}

void TTcpSock::finish()
{
    m_kept = false;
    m_onKept = false;
    m_keptStart = nullptr;
    m_keepTimer.stop();
    m_waiting = false;
    m_phase = Phase::Idle;
    m_afterConnect = nullptr;
    m_afterRead = nullptr;
    m_afterSend = nullptr;
    m_source.reset();
    closeSocket();
    Q_EMIT disconnected();
}

void TTcpSock::fail(const QString &error)
{
    finish();
    QTimer::singleShot(0, this, [this, error] { operationFailed(error); });
}

void TTcpSock::cancel()
{
    if (m_phase == Phase::Idle)
        return;
    if (m_phase == Phase::Connecting) {
        Q_EMIT connectionFailed();
        fail(QStringLiteral("Connection Canceled"));
        return;
    }
    fail(abortTextForPhase());
}

void TTcpSock::onConnected()
{
    if (m_phase != Phase::Connecting)
        return;
    m_waiting = false;
    const QString refusal = peerRefusal();
    if (!refusal.isEmpty()) {
        fail(refusal);
        return;
    }
    m_phase = Phase::Connected;
    Q_EMIT connected();
    if (auto next = std::exchange(m_afterConnect, nullptr))
        next();
}

void TTcpSock::onSocketError()
{
    if (!m_socket)
        return;
    const auto error = m_socket->error();
    if (m_phase != Phase::Idle)
        m_lastSocketError = error;
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::Connecting:
        if (error == QAbstractSocket::HostNotFoundError && !m_triedFallback && !m_fallbackHost.isEmpty()) {
            m_triedFallback = true;
            startConnecting(m_fallbackHost);
        } else if (error == QAbstractSocket::HostNotFoundError) {
            fail(QStringLiteral("Null Remote Address"));
        } else {
            Q_EMIT connectionFailed();
            fail(QStringLiteral("Connection Failed"));
        }
        return;
    case Phase::ReadingLength:
    case Phase::ReadingLine:
        if (retryOnFreshConnection())
            return;
        // A peer that closes instead of answering gives an empty reply, not an error.
        if (error == QAbstractSocket::RemoteHostClosedError) {
            onDisconnected();
            return;
        }
        break;
    case Phase::Connected:
    case Phase::Sending:
        break;
    }
    fail(WinsockErrors::text(WinsockErrors::codeFromSocketError(error)));
}

void TTcpSock::onReadyRead()
{
    if (!m_socket)
        return;
    if (m_phase == Phase::ReadingLength) {
        if (m_socket->bytesAvailable() >= m_wanted)
            deliverRead(m_socket->read(m_wanted));
        else
            startWaitTimer(kReplyBoundMs); // the bound counts from the last byte
    } else if (m_phase == Phase::ReadingLine) {
        if (m_socket->canReadLine())
            deliverRead(m_socket->readLine());
        else
            startWaitTimer(kReplyBoundMs);
    }
}

void TTcpSock::onDisconnected()
{
    if (m_phase == Phase::Sending) {
        fail(WinsockErrors::text(WinsockErrors::codeFromSocketError(QAbstractSocket::RemoteHostClosedError)));
        return;
    }
    if (m_phase != Phase::ReadingLength && m_phase != Phase::ReadingLine)
        return;
    if (retryOnFreshConnection())
        return;
    if (m_socket && m_socket->bytesAvailable() > 0) {
        onReadyRead();
        if (m_phase != Phase::ReadingLength && m_phase != Phase::ReadingLine)
            return;
    }
    deliverRead(QByteArray());
}

void TTcpSock::onWaitCheck()
{
    if (!m_waiting) {
        if (m_phase == Phase::Idle)
            m_waitTimer.stop(); // stopped lazily, so back-to-back operations reuse it
        return;
    }
    if (!m_deadline.hasExpired())
        return;
    m_waiting = false;
    if (m_phase == Phase::Connecting) {
        m_lastSocketError = QAbstractSocket::SocketTimeoutError;
        Q_EMIT connectionFailed();
        fail(QStringLiteral("Connection Timed out"));
    } else if (m_phase != Phase::Idle) {
        fail(abortTextForPhase());
    }
}

void TTcpSock::startWaitTimer(int builtInBound)
{
    // A deadline checked by one running timer: restarting a timer for every
    // step of every exchange would cost more than the exchange itself.
    const int bound = m_timeOut > 0 ? m_timeOut : builtInBound;
    m_deadline.setRemainingTime(bound);
    m_waiting = true;
    if (!m_waitTimer.isActive())
        m_waitTimer.start(std::clamp(bound / 8, 5, 500));
}

void TTcpSock::deliverRead(const QByteArray &data)
{
    m_waiting = false;
    m_phase = Phase::Connected;
    if (auto next = std::exchange(m_afterRead, nullptr))
        next(data);
}

void TTcpSock::closeSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

QString TTcpSock::abortTextForPhase() const
{
    // The texts Windows instances use: a cancelled line read says "readln", every other wait "send".
    return m_phase == Phase::ReadingLine ? QStringLiteral("Socket readln aborted")
                                         : QStringLiteral("Socket send aborted");
}
