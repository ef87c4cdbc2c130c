#include "OrderedDelivery.h"

#include <algorithm>

OrderedDelivery::OrderedDelivery(QObject *context)
    : m_context(context)
{
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    QObject::connect(&m_turn, &QTimer::timeout, context, [this] { deliverOne(); });
}

void OrderedDelivery::post(std::function<void()> event)
{
    m_queue.push_back(std::move(event));
    checkBacklog();
    schedule();
}

void OrderedDelivery::setBacklogBound(qsizetype high, qsizetype low, std::function<void(bool)> changed)
{
    m_high = high;
    m_low = std::min(low, high);
    m_backlogChanged = std::move(changed);
    checkBacklog();
}

void OrderedDelivery::clear()
{
    m_queue.clear();
    checkBacklog();
}

void OrderedDelivery::checkBacklog()
{
    if (!m_backlogChanged || m_high <= 0)
        return;
    const auto waiting = qsizetype(m_queue.size());
    if (!m_full && waiting >= m_high) {
        m_full = true;
        m_backlogChanged(true);
    } else if (m_full && waiting <= m_low) {
        m_full = false;
        m_backlogChanged(false);
    }
}

void OrderedDelivery::schedule()
{
    if (m_scheduled || m_delivering || m_queue.empty() || !m_context)
        return;
    m_scheduled = true;
    m_turn.start();
}

void OrderedDelivery::deliverOne()
{
    m_scheduled = false;
    if (m_queue.empty())
        return;
    auto next = std::move(m_queue.front());
    m_queue.pop_front();
    checkBacklog();
    m_delivering = true;
    const QPointer<QObject> owner = m_context; // a handler may destroy our owner, and us
    next();
    if (!owner)
        return;
    m_delivering = false;
    // Queued behind whatever the loop already holds: sockets and timers get their turn first.
    schedule();
}
