#include "BroadcastCopies.h"

#include <algorithm>

bool BroadcastCopies::isCopy(const QByteArray &data, quint64 path, qint64 nowMs)
{
    while (!m_seen.empty() && nowMs - m_seen.front().at > kWindowMs)
        m_seen.pop_front();
    const auto seen = std::find_if(m_seen.begin(), m_seen.end(), [&data](const Seen &s) { return s.data == data; });
    if (seen != m_seen.end()) {
        if (!seen->paths.contains(path)) {
            seen->paths.append(path);
            return true;
        }
        m_seen.erase(seen);
    }
    m_seen.push_back({data, {path}, nowMs});
    if (m_seen.size() > kRemembered)
        m_seen.pop_front();
    return false;
}
