#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>

// Turns a burst of changes into one: settled() comes once the changes have
// paused for `quiet`, and no later than `longest` after the first of them, so
// a link that keeps flapping still gets its announcement. Idle, it arms no timer.
class ChangeSettler : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kQuiet{500};
    static constexpr std::chrono::milliseconds kLongest{2000};

    explicit ChangeSettler(std::chrono::milliseconds quiet = kQuiet, std::chrono::milliseconds longest = kLongest,
                           QObject *parent = nullptr);

    void noteChange();
    bool isSettling() const { return m_timer.isActive(); }

Q_SIGNALS:
    void settled();

private:
    std::chrono::milliseconds m_quiet;
    std::chrono::milliseconds m_longest;
    QTimer m_timer;
    QElapsedTimer m_sinceFirst;
};
