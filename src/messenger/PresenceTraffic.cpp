#include "PresenceTraffic.h"

PresenceTraffic::PresenceTraffic(Send send, QObject *parent)
    : QObject(parent)
    , m_send(std::move(send))
{
    m_clock.start();
    m_repeatTimer.setSingleShot(true);
    connect(&m_repeatTimer, &QTimer::timeout, this, &PresenceTraffic::repeat);
    m_replyTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this, &PresenceTraffic::flushReplies);
    m_paceTimer.setInterval(kPaceMs);
    connect(&m_paceTimer, &QTimer::timeout, this, &PresenceTraffic::announceSome);
}

void PresenceTraffic::startRepeats(std::function<QList<QByteArray>()> datagrams)
{
    m_repeated = std::move(datagrams);
    m_repeats = 0;
    m_repeatTimer.start(int(kRepeatGapsMs[0] * m_repeatScale));
}

void PresenceTraffic::repeat()
{
    if (!m_repeated)
        return;
    m_send(m_repeated(), kBroadcast);
    Q_EMIT repeated();
    if (++m_repeats < int(std::size(kRepeatGapsMs)))
        m_repeatTimer.start(int(kRepeatGapsMs[m_repeats] * m_repeatScale));
}

void PresenceTraffic::replyLater(quint32 to, const QList<QByteArray> &datagrams)
{
    if (const auto waiting = m_replies.find(to); waiting != m_replies.end()) {
        // Many newcomers behind one address (a flood of names) get our answer once.
        for (const QByteArray &datagram : datagrams)
            if (!waiting->contains(datagram))
                waiting->append(datagram);
        return;
    }
    if (m_replies.size() >= kMostPendingReplies) {
        m_send(datagrams, to); // at the bound, at once rather than never
        return;
    }
    std::uniform_int_distribution<int> delay(kReplyDelayMinMs, kReplyDelayMaxMs);
    qint64 due = m_clock.elapsed() + delay(m_random);
    while (m_dueReplies.contains(due))
        ++due;
    m_dueReplies.insert(due, to);
    m_replies.insert(to, datagrams);
    m_replyTimer.start(int(std::max<qint64>(0, m_dueReplies.firstKey() - m_clock.elapsed())));
}

void PresenceTraffic::flushReplies()
{
    const qint64 now = m_clock.elapsed();
    while (!m_dueReplies.isEmpty() && m_dueReplies.firstKey() <= now) {
        const quint32 to = m_dueReplies.take(m_dueReplies.firstKey());
        m_send(m_replies.take(to), to);
    }
    if (!m_dueReplies.isEmpty())
        m_replyTimer.start(int(std::max<qint64>(0, m_dueReplies.firstKey() - now)));
}

void PresenceTraffic::announceTo(const QList<quint32> &addresses, const QByteArray &datagram)
{
    m_announce = addresses;
    m_announced = 0;
    m_announcement = datagram;
    announceSome();
    if (waitingAnnouncements() > 0)
        m_paceTimer.start();
}

void PresenceTraffic::announceSome()
{
    for (int i = 0; i < kPerTick && m_announced < m_announce.size(); ++i)
        m_send({m_announcement}, m_announce.at(m_announced++));
    if (waitingAnnouncements() <= 0) {
        m_paceTimer.stop();
        m_announce.clear();
        m_announced = 0;
    }
}

void PresenceTraffic::stop()
{
    m_repeatTimer.stop();
    m_replyTimer.stop();
    m_paceTimer.stop();
    m_repeated = nullptr;
    m_dueReplies.clear();
    m_replies.clear();
    m_announce.clear();
    m_announced = 0;
}
