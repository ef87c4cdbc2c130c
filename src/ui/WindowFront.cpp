#include "WindowFront.h"

#include <QGuiApplication>
#include <QWidget>

void bringToFront(QWidget *window)
{
    const QString platform = QGuiApplication::platformName();
    if (platform == u"offscreen" || platform == u"minimal")
        return;
    window->raise();
    window->activateWindow();
}
