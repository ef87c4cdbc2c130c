#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>

// Hands received events to the application one at a time, in arrival order,
// always from the event loop. Running handlers from the loop rather than from
// the socket code means a handler may close sockets, stop the listener or open
// a dialog without pulling objects out from under a caller still on the stack;
// events arriving meanwhile wait in the queue instead of running inside the
// unfinished handler. Each event gets a loop pass of its own, so a backlog
// never keeps acknowledgements or signals waiting behind it; only a backlog
// past its bound (setBacklogBound) makes its owner stop taking new work.
class OrderedDelivery
{
public:
    explicit OrderedDelivery(QObject *context);

    void post(std::function<void()> event);
    // Tells `changed(true)` once `high` events wait, and `changed(false)` once
    // no more than `low` do: the owner stops taking new work meanwhile, so a
    // peer faster than the handlers cannot grow the queue without bound.
    void setBacklogBound(qsizetype high, qsizetype low, std::function<void(bool full)> changed);
    // Drops what has not been delivered yet.
    void clear();
    qsizetype pending() const { return qsizetype(m_queue.size()); }

private:
    void schedule();
    void deliverOne();
    void checkBacklog();

    QPointer<QObject> m_context;
    // A zero timer rather than a posted call: posting wakes the event loop
    // through a system call every time, a due timer costs nothing more.
    QTimer m_turn;
    std::deque<std::function<void()>> m_queue;
    qsizetype m_high = 0;
    qsizetype m_low = 0;
    std::function<void(bool)> m_backlogChanged;
    bool m_full = false;
    bool m_delivering = false;
    bool m_scheduled = false;
};
