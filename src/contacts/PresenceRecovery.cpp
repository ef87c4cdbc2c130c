#include "PresenceRecovery.h"

void PresenceRecovery::answered(quint32 address, qint64 nowMs)
{
    if (m_peers.size() >= kMostPeers && !m_peers.contains(address)) {
        settle(*m_peers.begin());
        m_peers.erase(m_peers.begin()); // a flood of addresses forgets someone, never grows
    }
    m_peers[address].answeredAt = nowMs;
}

bool PresenceRecovery::shouldAnswer(quint32 address, bool broadcast, qint64 nowMs)
{
    const auto it = m_peers.find(address);
    if (!broadcast) {
        // Sent to us alone: the peer knows us. Never answered, or two of us
        // would answer each other for ever.
        if (it != m_peers.end()) {
            it->heardUsAt = nowMs;
            settle(*it);
        }
        else if (m_peers.size() < kMostPeers)
            m_peers.insert(address, {nowMs, -1});
        return false;
    }
    const Peer peer = it == m_peers.end() ? Peer{} : *it;
    if (peer.answeredAt >= 0 && nowMs - peer.answeredAt < kMinGapMs)
        return false;
    if (peer.heardUsAt >= 0 && nowMs - peer.heardUsAt < kRepeatSpanMs)
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

void PresenceRecovery::awaitReply(quint32 address, qint64 nowMs)
{
    answered(address, nowMs);
    Peer &peer = m_peers[address];
    if (peer.awaitedSince < 0)
        ++m_awaiting;
    peer.awaitedSince = nowMs;
    peer.tries = 0;
}

QList<quint32> PresenceRecovery::overdue(qint64 nowMs)
{
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
