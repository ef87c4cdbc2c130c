#include "SecureChannel.h"

#include "AsciiCase.h"
#include "Fingerprint.h"
#include "SecurityLog.h"
#include "TlsListener.h"
#include "TlsSetup.h"

#include <QDir>
#include <QSslSocket>

namespace {

// As the announcements give it: an IPv4 address in dotted form.
QString addressText(const QHostAddress &peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    if (peer.isNull())
        return QString();
    return isV4 ? QHostAddress(v4).toString() : peer.toString();
}

} // namespace

SecureChannel::SecureChannel(const QString &dataFolder, quint16 port, QObject *parent)
    : QObject(parent)
    , m_identity(Identity::loadOrCreate(dataFolder, &m_identityNotice))
    , m_pins(QDir(dataFolder).filePath(QString::fromLatin1(PinStore::kFileName)))
    , m_port(port)
    , m_msgServer(std::make_unique<TMsgServer>())
    , m_strmServer(std::make_unique<TStrmServer>())
{
    m_msgServer->setSenderCheck(
        [this](const QString &fromName, const QString &peerKey, const QHostAddress &peer) {
            return checkSender(fromName, peerKey, peer);
        });
    m_strmServer->setAdmission([this](const StreamOffer &offer) {
        const QString name = nameForKey(offer.peerKey);
        if (name.isEmpty() || m_mismatches.contains(key(name)))
            return StreamAdmission::refuse(QStringLiteral("stream from a key pinned to no name"), QString());
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
    // Each message client serves one name at a time, the one it was last readied for.
    connect(m_msgClient.get(), &TMsgClient::failed, this,
            [this] { warnOfOfferedKey(m_msgClientName, *m_msgClient); });
    connect(m_replyClient.get(), &TMsgClient::failed, this,
            [this] { warnOfOfferedKey(m_replyClientName, *m_replyClient); });
}

SecureChannel::~SecureChannel()
{
    close();
}

QString SecureChannel::key(const QString &name)
{
    return AsciiCase::upper(name);
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

void SecureChannel::takeAnnouncement(QByteArrayView datagram, const QHostAddress &sender, const QString &ownName)
{
    QString error;
    const std::optional<KeyAnnouncement> announcement = KeyAnnouncement::parse(datagram, &error);
    if (!announcement) {
        qCDebug(lcSecurity, "key announcement from %s dropped: %s", qPrintable(sender.toString()),
                qPrintable(error));
        return;
    }
    if (key(announcement->name) == key(ownName))
        return; // our own, come back; or someone claiming our name, which nothing here trusts
    const QString address = sender.toString();
    switch (m_pins.check(announcement->name, announcement->fingerprint)) {
    case PinStore::Check::Unknown:
        if (!m_pins.pinFirst(announcement->name, announcement->fingerprint))
            return;
        Q_EMIT keyPinned(announcement->name, announcement->fingerprint);
        break;
    case PinStore::Check::Match:
        m_mismatches.remove(key(announcement->name));
        break;
    case PinStore::Check::Mismatch:
        noteMismatch(announcement->name, announcement->fingerprint, address);
        return; // where it listens is of no use: nothing goes to that key
    }
    m_peers.insert(key(announcement->name), {address, announcement->port});
}

void SecureChannel::noteMismatch(const QString &name, const QString &offered, const QString &address)
{
    const auto pin = m_pins.pin(name);
    if (!pin)
        return;
    const auto known = m_mismatches.constFind(key(name));
    const bool news = known == m_mismatches.cend() || known->offered != offered;
    m_mismatches.insert(key(name), {offered, address});
    if (!news)
        return; // said once per offered key, not on every announcement
    qCWarning(lcSecurity, "computer %s at %s offers key %s, but key %s is pinned to that name",
              qPrintable(name), qPrintable(address.isEmpty() ? QStringLiteral("?") : address), qPrintable(offered),
              qPrintable(pin->fingerprint));
    Q_EMIT keyMismatch(name, address, pin->fingerprint, offered);
}

QString SecureChannel::checkSender(const QString &fromName, const QString &peerKey, const QHostAddress &peer)
{
    switch (m_pins.check(fromName, peerKey)) {
    case PinStore::Check::Match:
        return QString();
    case PinStore::Check::Unknown:
        // First contact before any announcement: the key is pinned as an announcement would pin it.
        if (!KeyAnnouncement::parse(KeyAnnouncement{fromName, 1, peerKey}.encode()))
            return QStringLiteral("name that cannot be pinned");
        if (!m_pins.pinFirst(fromName, peerKey))
            return QStringLiteral("key cannot be pinned");
        Q_EMIT keyPinned(fromName, peerKey);
        return QString();
    case PinStore::Check::Mismatch:
        noteMismatch(fromName, peerKey, addressText(peer));
        return QStringLiteral("key differs from the one pinned to the name");
    }
    return QStringLiteral("unknown");
}

template <typename Client>
void SecureChannel::warnOfOfferedKey(const QString &name, const TlsClient<Client> &client)
{
    // A computer that answers under the name with another key is news for the
    // user, as it would be in an announcement.
    const auto pin = m_pins.pin(name);
    if (client.keyMismatch() && pin && pin->fingerprint.compare(client.offeredKey(), Qt::CaseInsensitive) != 0)
        noteMismatch(name, client.offeredKey(), client.host());
}

bool SecureChannel::hasPinnedKey(const QString &name) const
{
    return m_pins.pin(name).has_value();
}

bool SecureChannel::acceptOfferedKey(const QString &name)
{
    const auto it = m_mismatches.find(key(name));
    if (it == m_mismatches.end())
        return false;
    const Mismatch accepted = *it;
    m_mismatches.erase(it);
    m_pins.replace(name, accepted.offered);
    qCWarning(lcSecurity, "the user accepted key %s for computer %s", qPrintable(accepted.offered), qPrintable(name));
    return true;
}

QString SecureChannel::nameForKey(const QString &fingerprint) const
{
    if (fingerprint.isEmpty())
        return QString();
    for (const PinStore::Pin &pin : m_pins.pins()) {
        if (pin.fingerprint.compare(fingerprint, Qt::CaseInsensitive) == 0)
            return pin.name;
    }
    return QString();
}

std::optional<std::pair<SecureChannel::Peer, QString>> SecureChannel::targetFor(const QString &name) const
{
    const auto pin = m_pins.pin(name);
    if (!pin || m_mismatches.contains(key(name)))
        return std::nullopt;
    Peer peer = m_peers.value(key(name));
    if (peer.port == 0)
        peer.port = m_peerPort;
    return std::pair(peer, pin->fingerprint);
}

namespace {

// A name whose key changed keeps its client expecting no key at all: the
// connection then ends after the handshake, before a byte of the frame goes out.
template <typename Client>
bool prepareClient(Client *client, const std::optional<std::pair<SecureChannel::Peer, QString>> &target,
                   bool pinned, quint16 fallbackPort)
{
    if (!client || !pinned)
        return false;
    client->setPort(target ? target->first.port : fallbackPort);
    client->setExpectedKey(target ? target->second : QString());
    return true;
}

} // namespace

bool SecureChannel::prepareMessageClient(const QString &name)
{
    m_msgClientName = name;
    return prepareClient(m_msgClient.get(), targetFor(name), hasPinnedKey(name), m_peerPort);
}

bool SecureChannel::prepareReplyClient(const QString &name)
{
    m_replyClientName = name;
    return prepareClient(m_replyClient.get(), targetFor(name), hasPinnedKey(name), m_peerPort);
}

bool SecureChannel::prepareStreamClient(const QString &name)
{
    return prepareClient(m_strmClient.get(), targetFor(name), hasPinnedKey(name), m_peerPort);
}

std::unique_ptr<TStrmClient> SecureChannel::makeStreamClient(const QString &name)
{
    if (!m_strmClient || !hasPinnedKey(name))
        return nullptr;
    auto client = std::make_unique<SecureStrmClient>(TlsSetup::client(m_identity, QByteArray(TlsSetup::kStreamProtocol)));
    if (!prepareClient(client.get(), targetFor(name), true, m_peerPort))
        return nullptr;
    SecureStrmClient *raw = client.get();
    connect(raw, &TStrmClient::failed, this, [this, raw, name] { warnOfOfferedKey(name, *raw); });
    return client;
}
