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
    if (m_scheduled || m_delivering || !m_context)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(m_context, [this] { drain(); }, Qt::QueuedConnection);
}

void OrderedDelivery::drain()
{
    m_scheduled = false;
    m_delivering = true;
    const QPointer<QObject> owner = m_context; // a handler may destroy our owner, and us
    while (!m_queue.empty()) {
        auto next = std::move(m_queue.front());
        m_queue.pop_front();
        next();
        if (!owner)
            return;
    }
    m_delivering = false;
}
