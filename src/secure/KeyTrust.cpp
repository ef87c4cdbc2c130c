#include "KeyTrust.h"

#include "AsciiCase.h"
#include "Fingerprint.h"
#include "KeyAnnouncement.h"
#include "SecurityLog.h"

#include <QHostAddress>

#include <algorithm>

namespace {

template <typename T, typename Match>
void putFirst(QList<T> &list, T value, Match match, int bound)
{
    list.removeIf(match);
    list.prepend(std::move(value));
    while (list.size() > bound)
        list.removeLast();
}

bool isAddress(const QString &host)
{
    return !QHostAddress(host).isNull();
}

} // namespace

KeyTrust::KeyTrust(PinStore &pins, QObject *parent)
    : QObject(parent)
    , m_pins(pins)
{
    m_monotonic.start();
    m_clock = [this] { return m_monotonic.elapsed(); };
}

QString KeyTrust::key(const QString &name)
{
    return AsciiCase::upper(name);
}

KeyTrust::Seen &KeyTrust::seen(const QString &name)
{
    const QString k = key(name);
    auto it = m_seen.find(k);
    if (it == m_seen.end()) {
        if (m_seen.size() >= kMaxNames) {
            // A flood of names forgets the one heard of longest ago; a name with
            // keys the user is to choose among goes last, so a flood cannot undo a conflict.
            auto oldest = std::find_if(m_byAge.begin(), m_byAge.end(), [&](const auto &aged) {
                const Seen &x = *m_seen.constFind(aged.second);
                return x.offered.isEmpty() && !x.conflictSaid;
            });
            if (oldest == m_byAge.end())
                oldest = m_byAge.begin();
            m_seen.remove(oldest->second);
            m_byAge.erase(oldest);
        }
        it = m_seen.insert(k, Seen{});
    } else {
        m_byAge.erase(it->touched);
    }
    it->touched = {now(), ++m_touches};
    m_byAge.emplace(it->touched, k);
    return *it;
}

const KeyTrust::Seen *KeyTrust::find(const QString &name) const
{
    const auto it = m_seen.constFind(key(name));
    return it == m_seen.cend() ? nullptr : &*it;
}

void KeyTrust::notePresence(const QString &name, const QString &address)
{
    if (name.isEmpty() || address.isEmpty() || key(name) == key(m_ownName))
        return;
    Seen &s = seen(name);
    putFirst(s.presence, address, [&](const QString &a) { return a == address; }, kMaxAddressesPerName);
    // An announcement that came before the presence it goes with is looked at now.
    for (const Candidate &claim : std::as_const(s.claims)) {
        if (claim.address == address) {
            if (!m_pins.pin(name))
                pinIfUncontested(name, s);
            break;
        }
    }
}

void KeyTrust::noteAnnouncement(const KeyAnnouncement &announcement, const QString &address)
{
    const QString &name = announcement.name;
    if (address.isEmpty() || key(name) == key(m_ownName))
        return; // our own, come back; or someone claiming our name, which nothing here trusts
    Seen &s = seen(name);
    Candidate claim{announcement.fingerprint, address, announcement.port, false};
    for (const Candidate &known : std::as_const(s.claims)) {
        if (known.address == address && Fingerprint::same(known.fingerprint, claim.fingerprint))
            claim.proven = known.proven;
    }
    putFirst(s.claims, claim,
             [&](const Candidate &c) { return c.address == address && Fingerprint::same(c.fingerprint, claim.fingerprint); },
             kMaxAddressesPerName);

    const std::optional<PinStore::Pin> pin = m_pins.pin(name);
    if (!pin) {
        pinIfUncontested(name, s);
        return;
    }
    if (Fingerprint::same(pin->fingerprint, claim.fingerprint) && pin->address == address)
        return; // the pinned key where it last proved itself: nothing to check
    // The pinned key from a new address, or another key: only a handshake says which is true.
    const bool anotherKey = !Fingerprint::same(pin->fingerprint, claim.fingerprint);
    if (s.presence.contains(address) || !anotherKey)
        requestCheck(name, address, claim.port, anotherKey);
}

void KeyTrust::pinIfUncontested(const QString &name, Seen &s)
{
    // Only the latest announcement from each address whose presence carries the name counts.
    QList<const Candidate *> backed;
    QList<QString> addresses;
    for (const Candidate &claim : std::as_const(s.claims)) {
        if (s.presence.contains(claim.address) && !addresses.contains(claim.address)) {
            addresses.append(claim.address);
            backed.append(&claim);
        }
    }
    if (backed.isEmpty())
        return;
    const bool conflict = std::any_of(backed.cbegin(), backed.cend(), [&](const Candidate *c) {
        return !Fingerprint::same(c->fingerprint, backed.first()->fingerprint);
    });
    if (conflict) {
        if (!std::exchange(s.conflictSaid, true)) {
            qCWarning(lcSecurity, "computer %s is announced with different keys from several addresses; "
                                  "no key is pinned until the user chooses", qPrintable(name));
            Q_EMIT keysConflict(name);
        }
        // Each address is asked, so the user chooses among keys that proved themselves.
        for (const Candidate *c : std::as_const(backed)) {
            if (!c->proven)
                requestCheck(name, c->address, c->port);
        }
        Q_EMIT changed(name);
        return;
    }
    const auto proven = std::find_if(backed.cbegin(), backed.cend(), [](const Candidate *c) { return c->proven; });
    const Candidate *claim = proven != backed.cend() ? *proven : backed.first();
    if (claim->proven) {
        // A key proves one computer: a key already pinned to another name, or
        // an address already holding many names, pins nothing more by itself.
        const QString holder = m_pins.nameForKey(claim->fingerprint);
        if (!holder.isEmpty() && key(holder) != key(name)) {
            qCWarning(lcSecurity, "the key of computer %s is announced for %s too; not pinned", qPrintable(holder),
                      qPrintable(name));
            return;
        }
        if (m_pins.countAt(claim->address) >= kMaxPinsPerAddress) {
            qCWarning(lcSecurity, "%s already holds %d pinned names; %s not pinned", qPrintable(claim->address),
                      kMaxPinsPerAddress, qPrintable(name));
            return;
        }
        if (m_pins.pinFirst(name, claim->fingerprint, claim->address)) {
            qCInfo(lcSecurity, "key %s pinned to computer %s, proven at %s", qPrintable(claim->fingerprint),
                   qPrintable(name), qPrintable(claim->address));
            Q_EMIT keyPinned(name, claim->fingerprint);
            Q_EMIT changed(name);
        }
        return;
    }
    requestCheck(name, claim->address, claim->port);
}

void KeyTrust::requestCheck(const QString &name, const QString &address, quint16 port, bool oncePerName)
{
    Seen &s = seen(name);
    const qint64 t = now();
    const auto last = s.asked.constFind(address);
    if (last != s.asked.cend() && t - *last < kVerifyIntervalMs)
        return;
    // Another key for a pinned name is checked once a minute, whatever the
    // addresses and keys a flood names. Otherwise each address the name's
    // presence came from is asked once a minute: a host that moved, with its
    // key, is found at once, and a conflict shows every key.
    for (auto it = s.asked.cbegin(); it != s.asked.cend(); ++it) {
        if (t - it.value() < kVerifyIntervalMs && (oncePerName || !s.presence.contains(address)))
            return;
    }
    if (s.asked.size() >= kMaxAddressesPerName)
        s.asked.erase(std::min_element(s.asked.begin(), s.asked.end()));
    s.asked.insert(address, t);
    Q_EMIT verificationWanted(name, address, port ? port : m_defaultPort);
}

void KeyTrust::checkDropped(const QString &name, const QString &address)
{
    if (auto it = m_seen.find(key(name)); it != m_seen.end())
        it->asked.remove(address); // not asked after all: the next announcement may ask again
}

void KeyTrust::noteHandshake(const QString &name, const QString &address, const QString &provenKey)
{
    if (provenKey.isEmpty() || address.isEmpty() || key(name) == key(m_ownName))
        return;
    Seen &s = seen(name);
    for (Candidate &claim : s.claims) {
        if (claim.address == address) {
            claim.proven = Fingerprint::same(claim.fingerprint, provenKey);
            claim.refuted = !claim.proven;
        }
    }
    if (m_pins.pin(name) && std::none_of(s.claims.cbegin(), s.claims.cend(), [&](const Candidate &c) {
            return c.address == address && Fingerprint::same(c.fingerprint, provenKey);
        })) {
        // The host's own key at its address, though no announcement of it was heard.
        putFirst(s.claims, Candidate{provenKey.toUpper(), address, m_defaultPort, true},
                 [](const Candidate &) { return false; }, kMaxAddressesPerName);
    }
    const std::optional<PinStore::Pin> pin = m_pins.pin(name);
    if (!pin) {
        const bool claimed = std::any_of(s.claims.cbegin(), s.claims.cend(),
                                         [&](const Candidate &c) { return c.address == address; });
        if (claimed && std::none_of(s.claims.cbegin(), s.claims.cend(),
                                    [&](const Candidate &c) { return c.address == address && c.proven; }))
            qCInfo(lcSecurity, "the host at %s, announced as %s, holds another key than announced",
                   qPrintable(address), qPrintable(name));
        pinIfUncontested(name, s);
        return;
    }
    if (Fingerprint::same(pin->fingerprint, provenKey)) {
        m_pins.setAddress(name, address);
        return;
    }
    const bool news = std::none_of(s.offered.cbegin(), s.offered.cend(),
                                   [&](const Candidate &c) { return Fingerprint::same(c.fingerprint, provenKey); });
    putFirst(s.offered, Candidate{provenKey.toUpper(), address, portAt(&s, address, provenKey), true},
             [&](const Candidate &c) { return Fingerprint::same(c.fingerprint, provenKey); }, kMaxAddressesPerName);
    if (!news)
        return; // said once per offered key
    qCWarning(lcSecurity, "computer %s at %s presented key %s, but key %s is pinned to that name", qPrintable(name),
              qPrintable(address), qPrintable(provenKey.toUpper()), qPrintable(pin->fingerprint));
    Q_EMIT keyChanged(name, address, pin->fingerprint, provenKey.toUpper());
    Q_EMIT changed(name);
}

TrustLevel KeyTrust::levelOf(const QString &name) const
{
    const std::optional<PinStore::Pin> pin = m_pins.pin(name);
    if (!pin)
        return TrustLevel::Open;
    return pin->verified ? TrustLevel::Compared : TrustLevel::FirstUse;
}

quint16 KeyTrust::portAt(const Seen *s, const QString &address, const QString &fingerprint) const
{
    if (!s)
        return m_defaultPort;
    // Where the host said the key listens; an announcement of another key
    // moves it only when nothing better is known.
    const Candidate *best = nullptr;
    for (const Candidate &claim : s->claims) {
        if (claim.address != address || !claim.port)
            continue;
        if (Fingerprint::same(claim.fingerprint, fingerprint))
            return claim.port;
        if (!best || (claim.proven && !best->proven))
            best = &claim;
    }
    return best ? best->port : m_defaultPort;
}

QString KeyTrust::nameAt(const QString &address) const
{
    const QString proven = m_pins.nameAt(address);
    if (!proven.isEmpty())
        return proven;
    // A contact added by address whose pinned name announces itself from there.
    for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it) {
        if (!it->presence.isEmpty() && it->presence.first() == address) {
            if (const auto pin = m_pins.pin(it.key()))
                return pin->name;
        }
    }
    return QString();
}

KeyTrust::Route KeyTrust::routeTo(const QString &host) const
{
    Route route;
    const bool byAddress = isAddress(host);
    // A name pinned as it is written, an address among them, before the name last proven at an address.
    const QString name = m_pins.pin(host) ? host : byAddress ? nameAt(host) : QString();
    const std::optional<PinStore::Pin> pin = name.isEmpty() ? std::nullopt : m_pins.pin(name);
    if (!pin)
        return route;
    const Seen *s = find(name);
    route.secure = true;
    route.name = pin->name;
    route.fingerprint = pin->fingerprint;
    route.host = host;
    if (!byAddress) {
        // Where the name's presence last came from with the pinned key
        // announced, unless a handshake there showed another: a host that
        // moved is reached at once, and the handshake still demands the key.
        QString announced;
        for (const QString &address : s ? s->presence : QList<QString>()) {
            const bool withKey = std::any_of(s->claims.cbegin(), s->claims.cend(), [&](const Candidate &c) {
                return c.address == address && !c.refuted && Fingerprint::same(c.fingerprint, pin->fingerprint);
            });
            if (withKey) {
                announced = address;
                break;
            }
        }
        route.fallbackHost = !announced.isEmpty()        ? announced
                             : !pin->address.isEmpty()    ? pin->address
                             : s && !s->presence.isEmpty() ? s->presence.first()
                                                          : QString();
    }
    route.port = portAt(s, byAddress ? host : route.fallbackHost, pin->fingerprint);
    return route;
}

KeyTrust::Sender KeyTrust::classify(const QString &claimedName, const QString &peerKey) const
{
    Sender sender{claimedName, Origin::Open, TrustLevel::Open};
    const std::optional<PinStore::Pin> pin = m_pins.pin(claimedName);
    if (pin && Fingerprint::same(pin->fingerprint, peerKey)) {
        sender.name = pin->name;
        sender.origin = Origin::Secure;
        sender.level = pin->verified ? TrustLevel::Compared : TrustLevel::FirstUse;
    } else if (pin || (!peerKey.isEmpty() && key(claimedName) == key(m_ownName))) {
        sender.origin = Origin::Unverified;
    }
    return sender;
}

KeyTrust::Sender KeyTrust::judge(const QString &claimedName, const QString &peerKey, const QString &address)
{
    const Sender sender = classify(claimedName, peerKey);
    if (sender.origin == Origin::Secure)
        return sender;
    const std::optional<PinStore::Pin> pin = m_pins.pin(claimedName);
    const bool ours = key(claimedName) == key(m_ownName);
    if (sender.origin == Origin::Unverified) {
        qCWarning(lcSecurity, "a message %s claims the name %s, %s; sent from %s",
                  peerKey.isEmpty() ? "in the open" : "over TLS with another key", qPrintable(claimedName),
                  ours ? "which is this computer's own" : "which has a pinned key", qPrintable(address));
    }
    if (!peerKey.isEmpty() && !ours) {
        // The name's own host is asked which key it holds.
        const Seen *s = find(claimedName);
        // A pinned name is asked where its key last proved itself, not where anyone last claimed it.
        const QString at = pin && !pin->address.isEmpty() ? pin->address
                           : s && !s->presence.isEmpty() ? s->presence.first()
                                                         : QString();
        quint16 port = m_defaultPort;
        if (s) {
            for (const Candidate &claim : s->claims) {
                if (claim.address == at && claim.port) {
                    port = claim.port;
                    break;
                }
            }
        }
        if (!at.isEmpty())
            requestCheck(claimedName, at, port, pin.has_value());
    }
    return sender;
}

QList<KeyTrust::Candidate> KeyTrust::candidates(const QString &name) const
{
    QList<Candidate> all;
    const Seen *s = find(name);
    if (!s)
        return all;
    const std::optional<PinStore::Pin> pin = m_pins.pin(name);
    if (pin)
        return s->offered;
    if (hasConflict(name)) {
        for (const Candidate &claim : s->claims) {
            if (s->presence.contains(claim.address))
                all.append(claim);
        }
    }
    return all;
}

bool KeyTrust::hasConflict(const QString &name) const
{
    const Seen *s = find(name);
    return s && s->conflictSaid && !m_pins.pin(name);
}

bool KeyTrust::accept(const QString &name, const QString &fingerprint)
{
    const QList<Candidate> offered = candidates(name);
    const auto chosen = std::find_if(offered.cbegin(), offered.cend(),
                                     [&](const Candidate &c) { return Fingerprint::same(c.fingerprint, fingerprint); });
    if (chosen == offered.cend())
        return false;
    m_pins.replace(name, chosen->fingerprint, chosen->address);
    if (auto it = m_seen.find(key(name)); it != m_seen.end()) {
        it->offered.clear();
        it->conflictSaid = false;
    }
    qCWarning(lcSecurity, "the user accepted key %s for computer %s", qPrintable(chosen->fingerprint),
              qPrintable(name));
    Q_EMIT keyPinned(name, chosen->fingerprint);
    Q_EMIT changed(name);
    return true;
}

void KeyTrust::forget(const QString &name)
{
    if (!m_pins.forget(name))
        return;
    // What was proved before counts no more: its next announcement is checked afresh.
    if (auto it = m_seen.find(key(name)); it != m_seen.end()) {
        for (Candidate &claim : it->claims)
            claim.proven = false;
        it->offered.clear();
        it->asked.clear();
        it->conflictSaid = false;
    }
    qCWarning(lcSecurity, "the user forgot the key of computer %s", qPrintable(name));
    Q_EMIT changed(name);
}

void KeyTrust::setCompared(const QString &name, bool compared)
{
    if (!m_pins.pin(name))
        return;
    m_pins.setVerified(name, compared);
    Q_EMIT changed(name);
}
