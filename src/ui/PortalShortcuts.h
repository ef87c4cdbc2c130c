#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

// Ctrl+Q and Ctrl+R through the desktop portal's global shortcuts, for
// Wayland sessions where no program may grab keys itself. Every call is
// asynchronous; a bus without the portal, or a portal without the
// interface, leaves the keys silently absent.
class PortalShortcuts : public QObject
{
    Q_OBJECT

public:
    // Shortcut ids we bind; the portal reports them back on activation.
    static constexpr const char *kIdQ = "zavolin-ctrl-q";
    static constexpr const char *kIdR = "zavolin-ctrl-r";

    explicit PortalShortcuts(QObject *parent = nullptr);
    // Tests use a bus of their own.
    PortalShortcuts(const QDBusConnection &bus, QObject *parent = nullptr);
    ~PortalShortcuts() override;

    // Asks the portal for a session and binds both keys; false without a bus.
    bool start();
    // Closes the session; presses are no longer reported.
    void stop();
    bool isBound() const { return m_bound; }

    // Whether the platform needs the portal rather than an X11 key grab.
    static bool isNeededOn(const QString &platformName);

Q_SIGNALS:
    // virtualKey is 'Q' or 'R'.
    void pressed(int virtualKey);
    // Both keys are bound (the portal may still have changed their triggers).
    void bound();

private Q_SLOTS:
    void onSessionResponse(uint response, const QVariantMap &results);
    void onBindResponse(uint response, const QVariantMap &results);
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);

private:
    void createSession();
    void bindShortcuts();
    QString requestPath(const QString &token) const;
    QString nextToken();

    QDBusConnection m_bus;
    QString m_session;       // the portal's session object, once created
    QString m_pendingRequest; // the request whose Response we wait for
    bool m_started = false;
    bool m_bound = false;
    int m_tokenCounter = 0;
};
