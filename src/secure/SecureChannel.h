#pragma once

#include "Identity.h"
#include "KeyAnnouncement.h"
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

class TlsListener;

// The secure channel of one instance: its identity, the keys pinned to
// computer names, the TLS listener that carries the message and stream frames
// to servers of their own, and the clients that send over it. Nothing here
// talks to the user: what needs the user's eye comes out as signals.
class SecureChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 6712;

    // Where a peer's secure listener is, as its announcement said.
    struct Peer
    {
        QString address;
        quint16 port = 0;
    };
    // A key offered for a name that has another pinned.
    struct Mismatch
    {
        QString offered;
        QString address;
    };

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
    // A key announcement from `sender`: pins a new name, warns of a changed key.
    void takeAnnouncement(QByteArrayView datagram, const QHostAddress &sender, const QString &ownName);

    // Whether a message to `name` must go over the secure channel: a key is pinned.
    bool hasPinnedKey(const QString &name) const;
    // A key other than the pinned one was offered for `name` and not yet accepted.
    std::optional<Mismatch> mismatch(const QString &name) const { return m_mismatches.contains(key(name)) ? std::optional(m_mismatches.value(key(name))) : std::nullopt; }
    // The user accepted the key last offered for `name`.
    bool acceptOfferedKey(const QString &name);
    void setVerified(const QString &name, bool verified) { m_pins.setVerified(name, verified); }

    // Readies the message client for `name`; false when it has no pinned key and goes
    // the open way. A name whose key changed is claimed all the same, and its send fails.
    bool prepareMessageClient(const QString &name);
    SecureMsgClient *messageClient() const { return m_msgClient.get(); }
    // The client of automatic replies, apart so that they never find the user's sends busy.
    bool prepareReplyClient(const QString &name);
    SecureMsgClient *replyClient() const { return m_replyClient.get(); }
    bool prepareStreamClient(const QString &name);
    // A stream client of its own for a contact with a pinned key (files go
    // to several contacts at once); nullptr for a contact without one.
    std::unique_ptr<TStrmClient> makeStreamClient(const QString &name);
    SecureStrmClient *streamClient() const { return m_strmClient.get(); }
    // Where to connect when no announcement told a port (tests; a name known only from the pins).
    void setPeerPort(quint16 port) { m_peerPort = port; }

    TMsgServer &messageServer() { return *m_msgServer; }
    TStrmServer &streamServer() { return *m_strmServer; }
    // Asked for streams whose sender's key is pinned; the others are refused first.
    void setStreamAdmission(std::function<StreamAdmission(const StreamOffer &offer)> admission)
    {
        m_streamAdmission = std::move(admission);
    }
    // The name a key is pinned to, or empty.
    QString nameForKey(const QString &fingerprint) const;

    // For tests: the handshake bound of the listener.
    void setHandshakeBound(int milliseconds);

Q_SIGNALS:
    void keyPinned(const QString &name, const QString &fingerprint);
    // A computer offered a key other than the one pinned to its name; nothing
    // goes to it securely and nothing from it is taken as that name until the user accepts.
    void keyMismatch(const QString &name, const QString &address, const QString &pinned, const QString &offered);

private:
    static QString key(const QString &name);
    QString checkSender(const QString &fromName, const QString &peerKey, const QHostAddress &peer);
    void noteMismatch(const QString &name, const QString &offered, const QString &address);
    // After a failed connection of `client` to `name`: the key its server proved, if another than the pinned one.
    template <typename Client>
    void warnOfOfferedKey(const QString &name, const TlsClient<Client> &client);
    std::optional<std::pair<Peer, QString>> targetFor(const QString &name) const;

    QString m_identityNotice; // before m_identity: making the identity fills it in
    Identity m_identity;
    PinStore m_pins;
    quint16 m_port;
    quint16 m_peerPort = kDefaultPort;
    QHash<QString, Peer> m_peers;           // by upper-cased name
    QHash<QString, Mismatch> m_mismatches;  // by upper-cased name
    std::unique_ptr<TMsgServer> m_msgServer;
    std::unique_ptr<TStrmServer> m_strmServer;
    std::function<StreamAdmission(const StreamOffer &offer)> m_streamAdmission;
    TlsListener *m_listener = nullptr;
    std::unique_ptr<SecureMsgClient> m_msgClient;
    std::unique_ptr<SecureStrmClient> m_strmClient;
    std::unique_ptr<SecureMsgClient> m_replyClient;
    QString m_msgClientName;   // what each message client was last readied for
    QString m_replyClientName;
};
