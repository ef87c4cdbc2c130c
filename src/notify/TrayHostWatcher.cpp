#include "TrayHostWatcher.h"

#include <QDBusServiceWatcher>

TrayHostWatcher::TrayHostWatcher(QObject *parent)
    : TrayHostWatcher(QDBusConnection::sessionBus(), parent)
{
}

TrayHostWatcher::TrayHostWatcher(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_watcher(new QDBusServiceWatcher(QString::fromLatin1(kService), bus,
                                        QDBusServiceWatcher::WatchForRegistration, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatcher::hostStarted);
}
