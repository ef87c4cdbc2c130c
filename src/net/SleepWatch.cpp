#include "SleepWatch.h"

#include "Logging.h"

SleepWatch::SleepWatch(QObject *parent)
    : SleepWatch(QDBusConnection::systemBus(), parent)
{
}

SleepWatch::SleepWatch(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
{
    if (!bus.isConnected())
        return;
    // Copied: connect() is not const, and the connection is shared anyway.
    QDBusConnection connection(bus);
    m_watching = connection.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                    QStringLiteral("org.freedesktop.login1.Manager"),
                                    QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
}

void SleepWatch::onPrepareForSleep(bool goingToSleep)
{
    if (goingToSleep)
        return;
    qCInfo(lcNet, "resumed from sleep");
    Q_EMIT resumed();
}
