#include "PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

// One entry of BindShortcuts' list: an id and its properties, a(sa{sv}) on the wire.
struct PortalShortcutEntry
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcutEntry)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutEntry &entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

QString pathOf(const QVariant &value)
{
    // Portals differ in whether they send the session as a string or an object path.
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalShortcuts::PortalShortcuts(QObject *parent)
    : PortalShortcuts(QDBusConnection::sessionBus(), parent)
{
}

PortalShortcuts::PortalShortcuts(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    qDBusRegisterMetaType<PortalShortcutEntry>();
    qDBusRegisterMetaType<QList<PortalShortcutEntry>>();
}

PortalShortcuts::~PortalShortcuts()
{
    stop();
}

bool PortalShortcuts::isNeededOn(const QString &platformName)
{
    return platformName.startsWith(QLatin1String("wayland"));
}

bool PortalShortcuts::start()
{
    if (!m_bus.isConnected())
        return false;
    if (m_started)
        return true;
    m_started = true;
    // Older portals lack the interface; its version property tells without a dialog on screen.
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (m_started && reply.isValid() && reply.value().variant().toUInt() >= 1)
            createSession();
    });
    return true;
}

void PortalShortcuts::stop()
{
    if (!m_pendingRequest.isEmpty()) {
        m_bus.disconnect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                         SLOT(onSessionResponse(uint, QVariantMap)));
        m_bus.disconnect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                         SLOT(onBindResponse(uint, QVariantMap)));
        m_pendingRequest.clear();
    }
    if (!m_session.isEmpty()) {
        m_bus.disconnect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                         SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        // Closing the session releases the keys for other programs.
        m_bus.call(QDBusMessage::createMethodCall(kService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
        m_session.clear();
    }
    m_started = false;
    m_bound = false;
}

QString PortalShortcuts::nextToken()
{
    return QStringLiteral("zavolin%1").arg(++m_tokenCounter);
}

QString PortalShortcuts::requestPath(const QString &token) const
{
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void PortalShortcuts::createSession()
{
    const QString token = nextToken();
    // Listening before asking: the answer may come before the call returns.
    m_pendingRequest = requestPath(token);
    m_bus.connect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                  SLOT(onSessionResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), nextToken()}};
    m_bus.call(call, QDBus::NoBlock);
}

void PortalShortcuts::onSessionResponse(uint response, const QVariantMap &results)
{
    m_bus.disconnect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                     SLOT(onSessionResponse(uint, QVariantMap)));
    m_pendingRequest.clear();
    const QString session = pathOf(results.value(QStringLiteral("session_handle")));
    if (response != 0 || session.isEmpty())
        return; // refused by the user or the portal: the keys stay absent
    m_session = session;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bindShortcuts();
}

void PortalShortcuts::bindShortcuts()
{
    const QString token = nextToken();
    m_pendingRequest = requestPath(token);
    m_bus.connect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                  SLOT(onBindResponse(uint, QVariantMap)));
    const QList<PortalShortcutEntry> shortcuts{
        {QString::fromLatin1(kIdQ),
         {{QStringLiteral("description"), QStringLiteral("Zavolin: Ctrl+Q")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+q")}}},
        {QString::fromLatin1(kIdR),
         {{QStringLiteral("description"), QStringLiteral("Zavolin: Ctrl+R")},
          {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+r")}}},
    };
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    m_bus.call(call, QDBus::NoBlock);
}

void PortalShortcuts::onBindResponse(uint response, const QVariantMap &)
{
    m_bus.disconnect(kService, m_pendingRequest, kRequest, QStringLiteral("Response"), this,
                     SLOT(onBindResponse(uint, QVariantMap)));
    m_pendingRequest.clear();
    if (response != 0)
        return;
    m_bound = true;
    Q_EMIT bound();
}

void PortalShortcuts::onActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                  const QVariantMap &)
{
    if (m_session.isEmpty() || session.path() != m_session)
        return; // another program's session on the same portal
    if (id == QLatin1String(kIdQ))
        Q_EMIT pressed('Q');
    else if (id == QLatin1String(kIdR))
        Q_EMIT pressed('R');
}
