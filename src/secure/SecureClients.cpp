#include "SecureClients.h"

#include "Fingerprint.h"

QString keyRefusal(const QTcpSocket *socket, const QString &expected, QString *offered, QString *offeredAt)
{
    const auto *tls = qobject_cast<const QSslSocket *>(socket);
    if (!tls || !tls->isEncrypted())
        return QStringLiteral("Not encrypted");
    *offered = Fingerprint::ofCertificate(tls->peerCertificate());
    *offeredAt = tls->peerAddress().toString();
    if (offered->isEmpty())
        return QStringLiteral("No server certificate");
    if (!Fingerprint::same(*offered, expected))
        return QStringLiteral("Server key differs from the pinned one");
    return QString();
}
