#include "BringUpOnce.h"

#include <QEvent>
#include <QWidget>

BringUpOnce::BringUpOnce(QWidget *window, std::function<void()> bringUp, int quietMs)
    : QObject(window)
    , m_window(window)
    , m_bringUp(std::move(bringUp))
    , m_quietMs(quietMs)
{
    window->installEventFilter(this);
}

void BringUpOnce::request()
{
    // Hidden or minimised by any way at all, the window needs bringing up.
    const bool stillUp = m_up && m_window->isVisible() && !m_window->isMinimized() && m_lastRequest.isValid()
                         && m_lastRequest.elapsed() < m_quietMs;
    m_lastRequest.start();
    if (stillUp)
        return;
    m_bringUp();
    m_up = true;
}

bool BringUpOnce::eventFilter(QObject *watched, QEvent *event)
{
    // The user went to another window: the next request calls them back.
    if (watched == m_window && (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide))
        m_up = false;
    return QObject::eventFilter(watched, event);
}
