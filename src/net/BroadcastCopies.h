#pragma once

#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>

// A computer on two networks sends each broadcast once to each, so an
// instance that is on both (its own sender included) receives it once per
// network. Copies of one send come from one sender by different paths
// (interface and destination address) within moments; the same bytes again by
// a path that already brought them are a new send, and are kept. The same
// bytes from another address are another computer's datagram, never a copy,
// except that this computer's own addresses are one sender: its own sends
// come back once per network, each from its address there. A datagram sent to
// one of our addresses was sent to us alone, once: never a copy, even of the
// same bytes broadcast a moment earlier (a presence answer repeats the
// sender's announcement word for word).
class BroadcastCopies
{
public:
    static constexpr qint64 kWindowMs = 2000;
    static constexpr int kRemembered = 64;

    // Whether an IPv4 address (host order) is one of this computer's own.
    using OwnAddress = std::function<bool(quint32 address)>;
    explicit BroadcastCopies(OwnAddress isOwn = {});

    // `sender` is the source address (host order); `path` names the interface
    // and destination the datagram came by (see path()); `nowMs` is a monotonic clock.
    bool isCopy(const QByteArray &data, quint32 sender, quint64 path, qint64 nowMs);
    static constexpr quint64 path(quint32 interfaceIndex, quint32 destination)
    {
        return quint64(interfaceIndex) << 32 | destination;
    }
    // Forgets everything, for a clock that starts again.
    void clear() { m_seen.clear(); }

private:
    struct Seen
    {
        QByteArray data;
        quint32 sender;
        QList<quint64> paths;
        qint64 at;
    };
    bool sameSender(quint32 a, quint32 b) const;

    OwnAddress m_isOwn;
    std::deque<Seen> m_seen; // oldest first
};
