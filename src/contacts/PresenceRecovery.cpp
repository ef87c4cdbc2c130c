#include "PresenceRecovery.h"

void PresenceRecovery::answered(quint32 address, qint64 nowMs)
{
    if (m_peers.size() >= kMostPeers && !m_peers.contains(address))
        m_peers.erase(m_peers.begin()); // a flood of addresses forgets someone, never grows
    m_peers[address].answeredAt = nowMs;
}

bool PresenceRecovery::shouldAnswer(quint32 address, bool broadcast, qint64 nowMs)
{
    const auto it = m_peers.find(address);
    if (!broadcast) {
        // Sent to us alone: the peer knows us. Never answered, or two of us
        // would answer each other for ever.
        if (it != m_peers.end())
            it->heardUsAt = nowMs;
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
