#pragma once

#include <QTimer>

#include <chrono>
#include <functional>

// The pause between two datagrams of a join or leave sequence. The session
// waits through this interface so that tests can end a pause by hand.
class ChatPause
{
public:
    virtual ~ChatPause() = default;
    // One pause at a time; starting again replaces the one running.
    virtual void start(std::chrono::milliseconds length, std::function<void()> elapsed) = 0;
    virtual void cancel() = 0;
};

// A precise single-shot timer: it never fires before the length has passed,
// which a coarse timer may do by a few per cent.
class TimerPause : public ChatPause
{
public:
    TimerPause();
    void start(std::chrono::milliseconds length, std::function<void()> elapsed) override;
    void cancel() override;

private:
    QTimer m_timer;
    std::function<void()> m_elapsed;
};
