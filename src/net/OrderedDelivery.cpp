#include "OrderedDelivery.h"

OrderedDelivery::OrderedDelivery(QObject *context)
    : m_context(context)
{
}

void OrderedDelivery::post(std::function<void()> event)
{
    m_queue.push_back(std::move(event));
    schedule();
}

void OrderedDelivery::clear()
{
    m_queue.clear();
}

void OrderedDelivery::schedule()
{
    if (m_scheduled || m_delivering || m_queue.empty() || !m_context)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(m_context, [this] { deliverOne(); }, Qt::QueuedConnection);
}

void OrderedDelivery::deliverOne()
{
    m_scheduled = false;
    if (m_queue.empty())
        return;
    auto next = std::move(m_queue.front());
    m_queue.pop_front();
    m_delivering = true;
    const QPointer<QObject> owner = m_context; // a handler may destroy our owner, and us
    next();
    if (!owner)
        return;
    m_delivering = false;
    // Queued behind whatever the loop already holds: sockets and timers get their turn first.
    schedule();
}
