#include "WindowFront.h"

#include <QGuiApplication>
#include <QWidget>

void bringToFront(QWidget *window)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return;
    window->raise();
    // Activating waits for a round trip to the X server (and wakes its reader
    // thread) on every call: a window that has the focus already skips it,
    // which matters when every received message brings the window up.
    if (!window->isActiveWindow())
        window->activateWindow();
}
