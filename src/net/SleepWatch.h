#pragma once

#include <QDBusConnection>
#include <QObject>

// Tells when the computer has woken from suspend or hibernation: logind says
// PrepareForSleep(false) on the system bus. Without a system bus or logind it
// stays silent; the network watch still sees the links come back.
class SleepWatch : public QObject
{
    Q_OBJECT

public:
    explicit SleepWatch(QObject *parent = nullptr);
    // On the given bus instead of the system bus (tests run a private one).
    explicit SleepWatch(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    void resumed();

private Q_SLOTS:
    void onPrepareForSleep(bool goingToSleep);

private:
    bool m_watching = false;
};
