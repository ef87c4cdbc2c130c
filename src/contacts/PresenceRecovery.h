#pragma once

#include <QHash>
#include <QList>

// Which `%` from an already listed computer gets our `%` back, to its
// address only. A computer that missed our answer keeps announcing itself
// for a while after its start; answering each of those from everyone would
// cost a reply from every instance per repeat, so a peer is answered only
// while it has not shown that it heard us (a `%` sent to us alone), or when
// it announces itself long after it did (it restarted, or refreshes).
class PresenceRecovery
{
public:
    // The repeats of one start-up fall within this span, early timers included.
    static constexpr qint64 kRepeatSpanMs = 20000;
    // A peer is answered at most this often.
    static constexpr qint64 kMinGapMs = 1000;
    static constexpr int kMostPeers = 8192;

    // We sent our `%` to `address` (host order): its next `%` to us alone says it heard us.
    void answered(quint32 address, qint64 nowMs);
    // A `%` came from `address`, whose name we list; `broadcast`: not sent to us alone.
    // Returns whether to send it our `%`.
    bool shouldAnswer(quint32 address, bool broadcast, qint64 nowMs);
    void forget(quint32 address) { m_peers.remove(address); }

    // We answered a newcomer. One that broadcast may not know us: its `%`
    // to us alone is awaited, and our answer sent again while it is not. One
    // that wrote to us alone has heard us already. Returns isAwaiting().
    bool answeredNewcomer(quint32 address, bool broadcast, qint64 nowMs);
    // Addresses whose reply is overdue (gaps of kRetryGapsMs); each is due again later, until the tries run out.
    // `behind`: datagrams wait unhandled, the reply perhaps among them; nothing is
    // due then (a peer that lost our answer still hears our start-up repeats).
    QList<quint32> overdue(qint64 nowMs, bool behind = false);
    bool isAwaiting() const { return m_awaiting > 0; }
    static constexpr qint64 kRetryGapsMs[] = {2000, 4000, 8000};

private:
    struct Peer
    {
        qint64 heardUsAt = -1; // -1: not yet
        qint64 answeredAt = -1;
        qint64 awaitedSince = -1; // -1: no reply awaited
        qint64 resentToAt = -1;   // when a `%` to us alone last got an answer
        int tries = 0;
    };
    Peer &peer(quint32 address);
    void settle(Peer &peer);
    QHash<quint32, Peer> m_peers;
    int m_awaiting = 0;
};
