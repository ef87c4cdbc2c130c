#include "BroadcastCopies.h"

#include <algorithm>

BroadcastCopies::BroadcastCopies(OwnAddress isOwn)
    : m_isOwn(std::move(isOwn))
{
}

bool BroadcastCopies::sameSender(quint32 a, quint32 b) const
{
    return a == b || (m_isOwn && m_isOwn(a) && m_isOwn(b));
}

bool BroadcastCopies::isCopy(const QByteArray &data, quint32 sender, quint64 path, qint64 nowMs)
{
    if (m_isOwn && m_isOwn(quint32(path)))
        return false;
    while (!m_seen.empty() && nowMs - m_seen.front().at > kWindowMs)
        m_seen.pop_front();
    const auto seen = std::find_if(m_seen.begin(), m_seen.end(), [&](const Seen &s) {
        return s.data == data && sameSender(s.sender, sender);
    });
    if (seen != m_seen.end()) {
        if (!seen->paths.contains(path)) {
            seen->paths.append(path);
            return true;
        }
        m_seen.erase(seen);
    }
    m_seen.push_back({data, sender, {path}, nowMs});
    if (m_seen.size() > kRemembered)
        m_seen.pop_front();
    return false;
}
