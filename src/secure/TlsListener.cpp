#include "TlsListener.h"

#include "Fingerprint.h"
#include "SecurityLog.h"
#include "TlsSetup.h"

#include <QSslSocket>
#include <QTimer>

namespace {
// Mark on a socket whose handshake is still ours to finish.
constexpr char kPendingProperty[] = "zavolinHandshakePending";
} // namespace

TlsListener::TlsListener(QSslConfiguration configuration, QObject *parent)
    : QTcpServer(parent)
    , m_configuration(std::move(configuration))
{
}

void TlsListener::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
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
    ++m_inProgress;
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
    socket->setProperty(kPendingProperty, false);
    release(socket->peerAddress());
    for (QTimer *bound : socket->findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        delete bound;
    socket->disconnect(this);
    socket->setParent(nullptr);
    Q_EMIT connectionReady(socket, protocol, key);
}

void TlsListener::refuse(QSslSocket *socket, const QString &reason)
{
    if (!socket->property(kPendingProperty).toBool())
        return;
    socket->setProperty(kPendingProperty, false);
    release(socket->peerAddress());
    qCInfo(lcSecurity, "secure connection from %s refused: %s", qPrintable(socket->peerAddress().toString()),
           qPrintable(reason));
    Q_EMIT connectionRefused(socket->peerAddress(), reason);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TlsListener::release(const QHostAddress &peer)
{
    --m_inProgress;
    const auto it = m_perAddress.find(peer);
    if (it != m_perAddress.end() && --*it <= 0)
        m_perAddress.erase(it);
}
