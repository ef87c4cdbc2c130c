#pragma once

#include "PinStore.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <utility>

struct KeyAnnouncement;

// How far a contact's key can be trusted, as the user is shown it.
enum class TrustLevel {
    Open,     // no key: messages go and come unencrypted
    FirstUse, // pinned when it first proved itself, never compared by the users
    Compared, // the users compared fingerprints and marked it "проверен"
};

// Every decision about who is who on the secure channel, in one place.
// Datagrams (presence, key announcements) and names written inside messages
// prove nothing: they only ask for a check. A key is pinned to a name only
// when our own TLS connection to the address the name's presence comes from
// shows that the host there holds the key it announced; a key changes only
// when a real handshake presents another and the user accepts exactly that
// one. Nothing here talks to the network or to the user: checks go out as
// verificationWanted(), news as signals.
class KeyTrust : public QObject
{
    Q_OBJECT

public:
    // A check of one name at one address is asked for at most this often.
    static constexpr qint64 kVerifyIntervalMs = 60 * 1000;
    // Bounds on what unauthenticated datagrams can make us remember.
    static constexpr int kMaxNames = 1024;
    static constexpr int kMaxAddressesPerName = 4;
    // Computers sharing one address (a terminal server) are few; a flood from one is not.
    static constexpr int kMaxPinsPerAddress = 16;

    // A key some host offered for a name: announced, or presented in a handshake.
    struct Candidate
    {
        QString fingerprint;
        QString address;
        quint16 port = 0;
        bool proven = false; // a handshake of ours showed the host holds it
        bool refuted = false; // a handshake of ours showed the host holds another
    };
    // Where and how a message or file for a contact goes.
    struct Route
    {
        bool secure = false;
        QString name;         // the pinned name the key belongs to
        QString fingerprint;  // the key the host must prove
        QString host;         // what to connect to first
        QString fallbackHost; // where the name's key last proved itself, if the host does not resolve
        quint16 port = 0;
    };
    // Who sent what arrived, and how far that can be trusted.
    enum class Origin {
        Open,       // no key spoke for the name
        Secure,     // the key pinned to the name spoke
        Unverified, // the name has a pinned key, and another key (or none) spoke
    };
    struct Sender
    {
        QString name;
        Origin origin = Origin::Open;
        TrustLevel level = TrustLevel::Open;
    };

    KeyTrust(PinStore &pins, QObject *parent = nullptr);

    void setOwnName(const QString &name) { m_ownName = name; }
    // Where secure listeners are when no announcement said (tests; the command line).
    void setDefaultPort(quint16 port) { m_defaultPort = port; }
    // A monotonic clock in milliseconds; tests step it.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // What the network says, unauthenticated.
    void notePresence(const QString &name, const QString &address);
    void noteAnnouncement(const KeyAnnouncement &announcement, const QString &address);
    // What our own handshake with `address`, made for `name`, showed: the
    // key its host proved (empty: the connection or handshake failed).
    void noteHandshake(const QString &name, const QString &address, const QString &provenKey);
    // A check asked for could not be made (too many waiting).
    void checkDropped(const QString &name, const QString &address);

    TrustLevel levelOf(const QString &name) const;
    // The way to `host`, a computer name or an address: secure when a key is
    // pinned to it (to the name, or to the name last proven at the address).
    Route routeTo(const QString &host) const;
    // Who sent a message or file that claims `claimedName`, over TLS with
    // `peerKey` or in the open (empty key), from `address`. A claim the key
    // does not back asks for a check of the name.
    Sender judge(const QString &claimedName, const QString &peerKey, const QString &address);
    // The same verdict, without logging or asking: for showing what already arrived.
    Sender classify(const QString &claimedName, const QString &peerKey) const;

    // Keys offered for the name besides the pinned one: a changed key a real
    // handshake presented, or the keys of a conflict between addresses.
    QList<Candidate> candidates(const QString &name) const;
    bool hasConflict(const QString &name) const;
    // The user's choices. accept() pins exactly `fingerprint`, which must be one of the candidates.
    bool accept(const QString &name, const QString &fingerprint);
    void forget(const QString &name);
    void setCompared(const QString &name, bool compared);

    const PinStore &pins() const { return m_pins; }

Q_SIGNALS:
    // Check which key the host at address:port holds, for `name`; answer with noteHandshake().
    void verificationWanted(const QString &name, const QString &address, quint16 port);
    void keyPinned(const QString &name, const QString &fingerprint);
    // A real handshake presented another key than the pinned one; once per (name, key).
    void keyChanged(const QString &name, const QString &address, const QString &pinned, const QString &offered);
    // Two addresses announce different keys for a name with no pin: nothing is pinned; once per name.
    void keysConflict(const QString &name);
    // Anything a window shows about the name changed.
    void changed(const QString &name);

private:
    struct Seen
    {
        QList<QString> presence; // addresses whose presence named it, latest first
        QList<Candidate> claims; // one per address and key, latest first
        QList<Candidate> offered; // keys real handshakes presented against the pin
        QHash<QString, qint64> asked; // address -> when a check was last asked
        bool conflictSaid = false;
        std::pair<qint64, quint64> touched; // when, and the count of touches then
    };

    static QString key(const QString &name);
    qint64 now() const { return m_clock(); }
    Seen &seen(const QString &name);
    const Seen *find(const QString &name) const;
    void requestCheck(const QString &name, const QString &address, quint16 port, bool oncePerName = false);
    quint16 portAt(const Seen *seen, const QString &address, const QString &fingerprint) const;
    QString nameAt(const QString &address) const;
    void pinIfUncontested(const QString &name, Seen &seen);

    PinStore &m_pins;
    QString m_ownName;
    quint16 m_defaultPort = 6712;
    QElapsedTimer m_monotonic;
    std::function<qint64()> m_clock;
    QHash<QString, Seen> m_seen; // by upper-cased name
    // The names of m_seen, the one heard of longest ago first: a flood of new
    // names forgets one each without a walk through all of them.
    std::map<std::pair<qint64, quint64>, QString> m_byAge;
    quint64 m_touches = 0;
};
