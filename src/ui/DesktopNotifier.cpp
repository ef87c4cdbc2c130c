#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Remembered ids are forgotten when closed; a server that never says so cannot grow this without bound.
constexpr qsizetype kMaxRemembered = 64;

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    subscribe();
}

void DesktopNotifier::subscribe()
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

bool DesktopNotifier::windowsCanBePlaced(const QString &platformName)
{
    return !platformName.startsWith(QLatin1String("wayland"));
}

void DesktopNotifier::notify(const QString &text, int timeOutSeconds)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Входящие сообщения")};
    const int expireMs = timeOutSeconds > 0 ? qMin(timeOutSeconds, INT_MAX / 1000) * 1000 : -1;
    call << QStringLiteral("Zavolin") << uint(0) << QStringLiteral("zavolin") << QStringLiteral("Zavolin") << text
         << actions << QVariantMap() << expireMs;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid()) {
            if (m_shown.size() >= kMaxRemembered)
                m_shown.clear();
            m_shown.insert(reply.value());
        }
        w->deleteLater();
    });
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (m_shown.contains(id) && action == QLatin1String("default"))
        Q_EMIT activated();
}

void DesktopNotifier::onClosed(uint id, uint)
{
    m_shown.remove(id);
}
