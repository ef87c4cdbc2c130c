#pragma once

#include <QList>

// This computer's IPv4 addresses. Interfaces come and go, so the list is
// looked up again when asked about, at most once per kFreshMs.
class OwnAddresses
{
public:
    static constexpr qint64 kFreshMs = 1000;

    // `address` in host order; `nowMs` is a monotonic clock.
    bool contains(quint32 address, qint64 nowMs);

private:
    QList<quint32> m_addresses;
    qint64 m_lookedUpAt = 0;
    bool m_known = false;
};
