#include "TlsListener.h"

#include "Fingerprint.h"
#include "SecurityLog.h"
#include "TlsSetup.h"

#include <QSslSocket>
#include <QTimer>

#include <unistd.h>

namespace {
// Mark on a socket whose handshake is still ours to finish.
constexpr char kPendingProperty[] = "zavolinHandshakePending";
} // namespace

TlsListener::TlsListener(QSslConfiguration configuration, QObject *parent)
    : GatedTcpServer(parent)
    , m_configuration(std::move(configuration))
{
    setAcceptsPerTurn(kAcceptsPerTurn);
}

void TlsListener::setConnectionBounds(int overall, int perAddress, int idleAfterMs)
{
    m_maxConnections = overall;
    m_maxPerAddress = perAddress;
    m_idleAfterMs = idleAfterMs;
}

void TlsListener::takeConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    const QHostAddress peer = socket->peerAddress();
    int &held = m_perAddress[peer];
    if (held >= kMaxHandshakesPerAddress) {
        socket->abort();
        delete socket;
        Q_EMIT connectionRefused(peer, QStringLiteral("too many handshakes from one address"));
        return;
    }
    ++held;
    if (++m_inProgress >= kMaxHandshakes)
        hold(Handshakes);
    m_crowd.changed(m_inProgress);
    // Handshake flights and answers are small writes that must not wait for Nagle.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setProperty(kPendingProperty, true);
    socket->setSslConfiguration(m_configuration);
    // A handshake is small; a peer that buffers more than this before it ends is not doing one.
    socket->setReadBufferSize(256 * 1024);
    auto *bound = new QTimer(socket);
    bound->setSingleShot(true);
    connect(bound, &QTimer::timeout, this, [this, socket] {
        refuse(socket, QStringLiteral("handshake not complete in time"));
    });
    bound->start(m_boundMs);
    connect(socket, &QSslSocket::encrypted, this, [this, socket] { finishHandshake(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] {
        refuse(socket, QStringLiteral("handshake failed: ") + socket->errorString());
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
        refuse(socket, QStringLiteral("closed during the handshake"));
    });
    socket->startServerEncryption();
}

void TlsListener::finishHandshake(QSslSocket *socket)
{
    if (!socket->property(kPendingProperty).toBool())
        return;
    const QString key = Fingerprint::ofCertificate(socket->peerCertificate());
    if (key.isEmpty()) {
        refuse(socket, QStringLiteral("peer presented no certificate"));
        return;
    }
    const QByteArray protocol = socket->sslConfiguration().nextNegotiatedProtocol();
    if (protocol != TlsSetup::kMessageProtocol && protocol != TlsSetup::kStreamProtocol) {
        refuse(socket, QStringLiteral("no channel agreed"));
        return;
    }
    if (!makeRoom(socket->peerAddress())) {
        refuse(socket, QStringLiteral("too many secure connections"));
        return;
    }
    socket->setProperty(kPendingProperty, false);
    handshakeEnded(socket->peerAddress());
    for (QTimer *bound : socket->findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        delete bound;
    socket->disconnect(this);
    socket->setParent(nullptr);
    keep(socket);
    Q_EMIT connectionReady(socket, protocol, key);
}

void TlsListener::refuse(QSslSocket *socket, const QString &reason)
{
    if (!socket->property(kPendingProperty).toBool())
        return;
    socket->setProperty(kPendingProperty, false);
    handshakeEnded(socket->peerAddress());
    qCInfo(lcSecurity, "secure connection from %s refused: %s", qPrintable(socket->peerAddress().toString()),
           qPrintable(reason));
    Q_EMIT connectionRefused(socket->peerAddress(), reason);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TlsListener::handshakeEnded(const QHostAddress &peer)
{
    if (--m_inProgress < kMaxHandshakes)
        release(Handshakes);
    m_crowd.changed(m_inProgress);
    const auto it = m_perAddress.find(peer);
    if (it != m_perAddress.end() && --*it <= 0)
        m_perAddress.erase(it);
}

// When every place is taken, the connection idle the longest is closed
// rather than the newcomer refused: idle connections cost whoever opens
// them nothing, and would otherwise lock genuine senders out for as long
// as the idle bound allows, again and again. A sender's idle connection is
// only kept for reuse, so closing it costs that sender one handshake. A
// connection in the middle of a request is never closed: with every place
// busy, the newcomer is refused.
bool TlsListener::makeRoom(const QHostAddress &peer)
{
    if (m_heldPerAddress.value(peer) >= m_maxPerAddress && !closeLongestIdle(&peer))
        return false;
    return m_held.size() < m_maxConnections || closeLongestIdle(nullptr);
}

bool TlsListener::closeLongestIdle(const QHostAddress *peer)
{
    QSslSocket *idlest = nullptr;
    qint64 longest = m_idleAfterMs - 1;
    for (auto it = m_held.cbegin(); it != m_held.cend(); ++it) {
        if (peer && it->peer != *peer)
            continue;
        const qint64 silent = it->silent.elapsed();
        if (silent > longest) {
            longest = silent;
            idlest = it.key();
        }
    }
    if (!idlest)
        return false;
    qCDebug(lcSecurity, "idle secure connection from %s closed to make room",
            qPrintable(m_held.value(idlest).peer.toString()));
    forget(idlest);
    idlest->abort(); // its server sees it end as if the peer had closed it
    return true;
}

void TlsListener::keep(QSslSocket *socket)
{
    Held &held = m_held[socket];
    held.peer = socket->peerAddress();
    held.silent.start();
    ++m_heldPerAddress[held.peer];
    connect(socket, &QIODevice::readyRead, this, [this, socket] {
        const auto it = m_held.find(socket);
        if (it != m_held.end())
            it->silent.start();
    });
    connect(socket, &QObject::destroyed, this, [this, socket] { forget(socket); });
}

void TlsListener::forget(QSslSocket *socket)
{
    const auto it = m_held.find(socket);
    if (it == m_held.end())
        return;
    const auto count = m_heldPerAddress.find(it->peer);
    if (count != m_heldPerAddress.end() && --*count <= 0)
        m_heldPerAddress.erase(count);
    m_held.erase(it);
}
