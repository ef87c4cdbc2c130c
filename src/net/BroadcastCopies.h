#pragma once

#include <QByteArray>
#include <QList>

#include <deque>

// A computer on two networks sends each broadcast once to each, so an
// instance that is on both (its own sender included) receives it once per
// network. Copies of one send arrive by different paths (interface and
// destination address) within moments; the same bytes again by a path that
// already brought them are a new send, and are kept.
class BroadcastCopies
{
public:
    static constexpr qint64 kWindowMs = 2000;
    static constexpr int kRemembered = 64;

    // `path` names the interface and destination the datagram came by;
    // `nowMs` is a monotonic clock.
    bool isCopy(const QByteArray &data, quint64 path, qint64 nowMs);

private:
    struct Seen
    {
        QByteArray data;
        QList<quint64> paths;
        qint64 at;
    };
    std::deque<Seen> m_seen; // oldest first
};
