#include "SecureClients.h"

#include "Fingerprint.h"

QString keyRefusal(const QTcpSocket *socket, const QString &expected, QString *offered)
{
    const auto *tls = qobject_cast<const QSslSocket *>(socket);
    if (!tls || !tls->isEncrypted())
        return QStringLiteral("Not encrypted");
    *offered = Fingerprint::ofCertificate(tls->peerCertificate());
    if (offered->isEmpty())
        return QStringLiteral("No server certificate");
    if (expected.isEmpty() || offered->compare(expected, Qt::CaseInsensitive) != 0)
        return QStringLiteral("Server key differs from the pinned one");
    return QString();
}
