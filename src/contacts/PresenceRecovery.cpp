#include "PresenceRecovery.h"

PresenceRecovery::Peer &PresenceRecovery::peer(quint32 address)
{
    if (m_peers.size() >= kMostPeers && !m_peers.contains(address)) {
        settle(*m_peers.begin());
        m_peers.erase(m_peers.begin()); // a flood of addresses forgets someone, never grows
    }
    return m_peers[address];
}

void PresenceRecovery::answered(quint32 address, qint64 nowMs)
{
    peer(address).answeredAt = nowMs;
}

bool PresenceRecovery::shouldAnswer(quint32 address, bool broadcast, qint64 nowMs)
{
    Peer &p = peer(address);
    if (!broadcast) {
        // Sent to us alone: the peer knows us. The first such `%` is its
        // answer; another one is a resend, so ours never reached it, unless
        // the two crossed. Each side answers those once per span at most, or
        // two of us could answer each other for ever.
        const bool resent = p.heardUsAt >= 0;
        p.heardUsAt = nowMs;
        settle(p);
        if (!resent || (p.answeredAt >= 0 && nowMs - p.answeredAt < kRetryGapsMs[0])
            || (p.resentToAt >= 0 && nowMs - p.resentToAt < kRepeatSpanMs))
            return false;
        p.resentToAt = nowMs;
        answered(address, nowMs);
        return true;
    }
    // Its answer is being sent again anyway.
    if (p.awaitedSince >= 0)
        return false;
    if (p.answeredAt >= 0 && nowMs - p.answeredAt < kMinGapMs)
        return false;
    if (p.heardUsAt >= 0 && nowMs - p.heardUsAt < kRepeatSpanMs)
        return false;
    answered(address, nowMs);
    return true;
}

void PresenceRecovery::settle(Peer &peer)
{
    if (peer.awaitedSince >= 0)
        --m_awaiting;
    peer.awaitedSince = -1;
}

bool PresenceRecovery::answeredNewcomer(quint32 address, bool broadcast, qint64 nowMs)
{
    answered(address, nowMs);
    Peer &p = m_peers[address];
    if (!broadcast) {
        p.heardUsAt = nowMs;
        settle(p);
    } else {
        if (p.awaitedSince < 0)
            ++m_awaiting;
        p.awaitedSince = nowMs;
        p.tries = 0;
    }
    return isAwaiting();
}

QList<quint32> PresenceRecovery::overdue(qint64 nowMs, bool behind)
{
    // A busy computer (or a busy peer) answers late: its answer may wait unread.
    if (behind)
        return {};
    QList<quint32> due;
    for (auto it = m_peers.begin(); m_awaiting > 0 && it != m_peers.end(); ++it) {
        Peer &peer = it.value();
        if (peer.awaitedSince < 0 || nowMs - peer.awaitedSince < kRetryGapsMs[peer.tries])
            continue;
        due.append(it.key());
        peer.answeredAt = nowMs;
        if (++peer.tries >= int(std::size(kRetryGapsMs)))
            settle(peer);
        else
            peer.awaitedSince = nowMs;
    }
    return due;
}
