#include "ChatPause.h"

TimerPause::TimerPause()
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // Taken first: the callback may start the next pause.
        if (auto elapsed = std::exchange(m_elapsed, nullptr))
            elapsed();
    });
}

void TimerPause::start(std::chrono::milliseconds length, std::function<void()> elapsed)
{
    m_elapsed = std::move(elapsed);
    m_timer.start(length);
}

void TimerPause::cancel()
{
    m_timer.stop();
    m_elapsed = nullptr;
}
