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

QString DesktopNotifier::escapeMarkup(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            escaped += QLatin1String("&amp;");
        else if (c == u'<')
            escaped += QLatin1String("&lt;");
        else if (c == u'>')
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

void DesktopNotifier::notify(const QString &text, int timeOutSeconds)
{
    if (!m_bus.isConnected())
        return;
    // Names and texts come from the network: a server that reads markup in the
    // body must see them as text, a server without markup shows the body as it
    // is. Asked each time, since the server may be replaced while we run; when
    // it does not answer, escaping is the safe side.
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                            QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, text, timeOutSeconds](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<QStringList> reply = *w;
                const bool plain = reply.isValid() && !reply.value().contains(QLatin1String("body-markup"));
                send(plain ? text : escapeMarkup(text), timeOutSeconds);
                w->deleteLater();
            });
}

void DesktopNotifier::send(const QString &body, int timeOutSeconds)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QStringList actions{QStringLiteral("default"), tr("Входящие сообщения")};
    const int expireMs = timeOutSeconds > 0 ? qMin(timeOutSeconds, INT_MAX / 1000) * 1000 : -1;
    call << QStringLiteral("Zavolin") << uint(0) << QStringLiteral("zavolin") << QStringLiteral("Zavolin") << body
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
