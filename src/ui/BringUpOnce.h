#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QWidget;

// Brings a window up (shows it, raises and activates it) once for a burst of
// requests: every received message asks for the window, and showing and
// activating it again costs a round trip to the window system each time. A
// window brought up for the previous request stays so until the user switches
// away from it (it loses the activation, is hidden or minimised) or the
// requests pause for quietMs; the next request then brings it up again.
class BringUpOnce : public QObject
{
public:
    static constexpr int kQuietMs = 1000;

    BringUpOnce(QWidget *window, std::function<void()> bringUp, int quietMs = kQuietMs);

    void request();
    bool isUp() const { return m_up; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void()> m_bringUp;
    int m_quietMs;
    bool m_up = false;
    QElapsedTimer m_lastRequest;
};
