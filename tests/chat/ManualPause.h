#pragma once

#include "ChatPause.h"

#include <QList>

#include <chrono>
#include <functional>

// A pause that ends only when the test says so, and remembers how long each
// one was asked to last.
class ManualPause : public ChatPause
{
public:
    struct Log
    {
        QList<std::chrono::milliseconds> asked;
        std::function<void()> running;
    };

    explicit ManualPause(Log &log) : m_log(log) {}

    void start(std::chrono::milliseconds length, std::function<void()> elapsed) override
    {
        m_log.asked.append(length);
        m_log.running = std::move(elapsed);
    }
    void cancel() override { m_log.running = nullptr; }

private:
    Log &m_log;
};

// Ends the running pause; false when none was running.
inline bool elapse(ManualPause::Log &log)
{
    if (!log.running)
        return false;
    auto elapsed = std::exchange(log.running, nullptr);
    elapsed();
    return true;
}
