#include "TlsSetup.h"

#include "Identity.h"

namespace {

QSslConfiguration common(const Identity &identity)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_3OrLater);
    config.setLocalCertificate(identity.certificate());
    config.setPrivateKey(identity.privateKey());
    config.setCaCertificates({}); // no authority vouches for a LAN computer
    // Session tickets would let a peer resume without proving its key again.
    config.setSslOption(QSsl::SslOptionDisableSessionTickets, true);
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, true);
    return config;
}

} // namespace

QSslConfiguration TlsSetup::server(const Identity &identity)
{
    QSslConfiguration config = common(identity);
    config.setPeerVerifyMode(QSslSocket::QueryPeer);
    config.setAllowedNextProtocols({QByteArray(kMessageProtocol), QByteArray(kStreamProtocol)});
    return config;
}

QSslConfiguration TlsSetup::client(const Identity &identity, const QByteArray &protocol)
{
    QSslConfiguration config = common(identity);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    config.setAllowedNextProtocols({protocol});
    return config;
}
