#pragma once

#include "Identity.h"
#include "KeyAnnouncement.h"
#include "KeyTrust.h"
#include "MsgChannel.h"
#include "PinStore.h"
#include "SecureClients.h"
#include "StrmChannel.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class KeyProbe;
class TlsListener;

// The secure channel of one instance: its identity, the keys pinned to
// computer names, the TLS listener that carries the message and stream frames
// to servers of their own, the clients that send over it, and the checks of
// which key a host holds. Who is who is decided by its KeyTrust; nothing here
// talks to the user: what needs the user's eye comes out of the trust's signals.
class SecureChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 6712;

    SecureChannel(const QString &dataFolder, quint16 port, QObject *parent = nullptr);
    ~SecureChannel() override;

    const Identity &identity() const { return m_identity; }
    // Said once at start: the identity was replaced or could not be made.
    const QString &identityNotice() const { return m_identityNotice; }
    bool isAvailable() const { return m_identity.isValid(); }
    PinStore &pins() { return m_pins; }
    const PinStore &pins() const { return m_pins; }

    bool listen(const QHostAddress &address);
    quint16 serverPort() const;
    QString errorString() const;
    void close();

    // The datagram that tells peers our key and port; empty without an identity.
    QByteArray announcement(const QString &ownName) const;
    // Datagrams, which prove nothing: at most they ask for a check of the name.
    // The announcing computer's name, upper-cased; nothing when the datagram is no announcement.
    std::optional<QString> takeAnnouncement(QByteArrayView datagram, const QHostAddress &sender, const QString &ownName);
    void notePresence(const QString &name, const QHostAddress &sender);

    // Every decision of who is who, and which way a send goes.
    KeyTrust &trust() { return *m_trust; }
    const KeyTrust &trust() const { return *m_trust; }
    bool hasPinnedKey(const QString &name) const { return m_pins.pin(name).has_value(); }
    // Whether what goes to `host` (a name or an address) must go over the secure channel.
    bool isSecureRoute(const QString &host) const { return m_trust->routeTo(host).secure; }

    // Ready the message client for `host` (a name or an address) and say true
    // when a key is pinned for it; false: it goes the open way. Without an
    // identity of ours a pinned host is claimed all the same, and its send fails.
    bool prepareMessageClient(const QString &host);
    SecureMsgClient *messageClient() const { return m_msgClient.get(); }
    // The client of automatic replies, apart so that they never find the user's sends busy.
    bool prepareReplyClient(const QString &host);
    SecureMsgClient *replyClient() const { return m_replyClient.get(); }
    bool prepareStreamClient(const QString &host);
    // A stream client of its own for a host with a pinned key (files go to
    // several contacts at once); nullptr for a host without one.
    std::unique_ptr<TStrmClient> makeStreamClient(const QString &host);
    SecureStrmClient *streamClient() const { return m_strmClient.get(); }
    // Where to connect when no announcement told a port (tests; a name known only from the pins).
    void setPeerPort(quint16 port) { m_trust->setDefaultPort(port); }

    TMsgServer &messageServer() { return *m_msgServer; }
    TStrmServer &streamServer() { return *m_strmServer; }
    // Asked for streams whose sender's key is pinned; the others are refused first.
    void setStreamAdmission(std::function<StreamAdmission(const StreamOffer &offer)> admission)
    {
        m_streamAdmission = std::move(admission);
    }
    // For tests: the handshake bound of the listener.
    void setHandshakeBound(int milliseconds);

private:
    void checkWith(const QString &name, const QString &address, quint16 port);
    // After a connection of `client` made for `host`: what its server proved.
    template <typename Client>
    void noteClient(const QString &host, const TlsClient<Client> &client);
    template <typename Client>
    bool prepare(Client *client, const QString &host);

    QString m_identityNotice; // before m_identity: making the identity fills it in
    Identity m_identity;
    PinStore m_pins;
    std::unique_ptr<KeyTrust> m_trust;
    KeyProbe *m_probe = nullptr;
    quint16 m_port;
    std::unique_ptr<TMsgServer> m_msgServer;
    std::unique_ptr<TStrmServer> m_strmServer;
    std::function<StreamAdmission(const StreamOffer &offer)> m_streamAdmission;
    TlsListener *m_listener = nullptr;
    std::unique_ptr<SecureMsgClient> m_msgClient;
    std::unique_ptr<SecureStrmClient> m_strmClient;
    std::unique_ptr<SecureMsgClient> m_replyClient;
    QString m_msgClientHost;   // what each message client was last readied for
    QString m_replyClientHost;
};
