#include "SecureChannel.h"

#include "AsciiCase.h"
#include "Fingerprint.h"
#include "KeyProbe.h"
#include "SecurityLog.h"
#include "TlsListener.h"
#include "TlsSetup.h"

#include <QDir>
#include <QSslSocket>

SecureChannel::SecureChannel(const QString &dataFolder, quint16 port, QObject *parent)
    : QObject(parent)
    , m_identity(Identity::loadOrCreate(dataFolder, &m_identityNotice))
    , m_pins(QDir(dataFolder).filePath(QString::fromLatin1(PinStore::kFileName)))
    , m_port(port)
    , m_msgServer(std::make_unique<TMsgServer>())
    , m_strmServer(std::make_unique<TStrmServer>())
{
    m_trust = std::make_unique<KeyTrust>(m_pins);
    m_trust->setDefaultPort(kDefaultPort);
    // Every stream is offered on: one whose key is not pinned to the name it
    // claims is taken as an open one would be, and the trust asks about the name.
    m_strmServer->setAdmission([this](const StreamOffer &offer) {
        m_trust->judge(offer.fromName, offer.peerKey, offer.peer.toString());
        return m_streamAdmission ? m_streamAdmission(offer) : StreamAdmission::spoolIn(QString(), false);
    });
    if (!m_identity.isValid())
        return;
    m_msgClient = std::make_unique<SecureMsgClient>(
        TlsSetup::client(m_identity, QByteArray(TlsSetup::kMessageProtocol)));
    m_strmClient = std::make_unique<SecureStrmClient>(
        TlsSetup::client(m_identity, QByteArray(TlsSetup::kStreamProtocol)));
    m_replyClient = std::make_unique<SecureMsgClient>(
        TlsSetup::client(m_identity, QByteArray(TlsSetup::kMessageProtocol)));
    // Each message client serves one host at a time, the one it was last readied for.
    for (SecureMsgClient *client : {m_msgClient.get(), m_replyClient.get()}) {
        QString *host = client == m_msgClient.get() ? &m_msgClientHost : &m_replyClientHost;
        connect(client, &TMsgClient::failed, this, [this, client, host] { noteClient(*host, *client); });
        connect(client, &TMsgClient::finished, this, [this, client, host] { noteClient(*host, *client); });
    }
    m_probe = new KeyProbe(TlsSetup::client(m_identity, QByteArray(TlsSetup::kMessageProtocol)), this);
    connect(m_trust.get(), &KeyTrust::verificationWanted, this, &SecureChannel::checkWith);
    connect(m_probe, &KeyProbe::checked, m_trust.get(), &KeyTrust::noteHandshake);
}

SecureChannel::~SecureChannel()
{
    close();
}

bool SecureChannel::listen(const QHostAddress &address)
{
    if (!m_identity.isValid())
        return false;
    if (!m_listener) {
        m_listener = new TlsListener(TlsSetup::server(m_identity), this);
        connect(m_listener, &TlsListener::connectionReady, this,
                [this](QSslSocket *socket, const QByteArray &protocol, const QString &peerKey) {
                    if (protocol == TlsSetup::kMessageProtocol)
                        m_msgServer->adopt(socket, peerKey);
                    else
                        m_strmServer->adopt(socket, peerKey);
                });
    }
    return m_listener->isListening() || m_listener->listen(address, m_port);
}

quint16 SecureChannel::serverPort() const
{
    return m_listener && m_listener->isListening() ? m_listener->serverPort() : 0;
}

QString SecureChannel::errorString() const
{
    if (!m_identity.isValid())
        return m_identityNotice;
    return m_listener ? m_listener->errorString() : QString();
}

void SecureChannel::close()
{
    delete m_listener;
    m_listener = nullptr;
    m_msgServer->close();
    m_strmServer->close();
}

void SecureChannel::setHandshakeBound(int milliseconds)
{
    if (m_listener)
        m_listener->setHandshakeBound(milliseconds);
}

QByteArray SecureChannel::announcement(const QString &ownName) const
{
    if (!m_identity.isValid() || serverPort() == 0)
        return QByteArray();
    return KeyAnnouncement{ownName, serverPort(), m_identity.fingerprint()}.encode();
}

std::optional<QString> SecureChannel::takeAnnouncement(QByteArrayView datagram, const QHostAddress &sender,
                                                       const QString &ownName)
{
    QString error;
    const std::optional<KeyAnnouncement> announcement = KeyAnnouncement::parse(datagram, &error);
    if (!announcement) {
        qCDebug(lcSecurity, "key announcement from %s dropped: %s", qPrintable(sender.toString()),
                qPrintable(error));
        return std::nullopt;
    }
    m_trust->setOwnName(ownName);
    m_trust->noteAnnouncement(*announcement, sender.toString());
    return AsciiCase::upper(announcement->name);
}

void SecureChannel::notePresence(const QString &name, const QHostAddress &sender)
{
    m_trust->notePresence(name, sender.toString());
}

void SecureChannel::checkWith(const QString &name, const QString &address, quint16 port)
{
    if (!m_probe || !m_probe->check(name, address, port))
        m_trust->checkDropped(name, address);
}

template <typename Client>
void SecureChannel::noteClient(const QString &host, const TlsClient<Client> &client)
{
    // A handshake of ours is proof of the key its host holds, good or bad news.
    const KeyTrust::Route route = m_trust->routeTo(host);
    if (route.secure && !client.offeredKey().isEmpty())
        m_trust->noteHandshake(route.name, client.offeredAt(), client.offeredKey());
}

template <typename Client>
bool SecureChannel::prepare(Client *client, const QString &host)
{
    const KeyTrust::Route route = m_trust->routeTo(host);
    if (!route.secure)
        return false;
    if (!client)
        return true; // pinned, and no identity of ours to prove: the caller fails the send
    client->setHost(route.host);
    client->setFallbackHost(route.fallbackHost);
    client->setPort(route.port);
    client->setExpectedKey(route.fingerprint);
    return true;
}

bool SecureChannel::prepareMessageClient(const QString &host)
{
    m_msgClientHost = host;
    return prepare(m_msgClient.get(), host);
}

bool SecureChannel::prepareReplyClient(const QString &host)
{
    m_replyClientHost = host;
    return prepare(m_replyClient.get(), host);
}

bool SecureChannel::prepareStreamClient(const QString &host)
{
    return prepare(m_strmClient.get(), host);
}

std::unique_ptr<TStrmClient> SecureChannel::makeStreamClient(const QString &host)
{
    if (!m_strmClient || !m_trust->routeTo(host).secure)
        return nullptr;
    auto client = std::make_unique<SecureStrmClient>(TlsSetup::client(m_identity, QByteArray(TlsSetup::kStreamProtocol)));
    prepare(client.get(), host);
    SecureStrmClient *raw = client.get();
    connect(raw, &TStrmClient::failed, this, [this, raw, host] { noteClient(host, *raw); });
    return client;
}
