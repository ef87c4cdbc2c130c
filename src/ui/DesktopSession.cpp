#include "DesktopSession.h"

#include <QGuiApplication>
#include <QSessionManager>

DesktopSession::DesktopSession(QObject *parent)
    : QObject(parent)
{
#if QT_CONFIG(sessionmanager)
    if (qGuiApp)
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { notifyEnding(); });
#endif
}

void DesktopSession::notifyEnding()
{
    if (m_ending)
        return;
    m_ending = true;
    Q_EMIT sessionEnding();
}

bool DesktopSession::isEnding() const
{
    return m_ending;
}
