#pragma once

#include <QObject>

// Tells the program that the desktop session is ending (log-out, shut-down),
// so it can save and say goodbye as on "Выход". The session manager's request
// arrives through QGuiApplication::commitDataRequest. SIGTERM, SIGINT and
// SIGHUP are not seen here: the program watches them with UnixSignals.
class DesktopSession : public QObject
{
    Q_OBJECT

public:
    explicit DesktopSession(QObject *parent = nullptr);

    // Emits sessionEnding() the first time only: the program ends once, even
    // when the session manager asks again.
    void notifyEnding();
    bool isEnding() const;

Q_SIGNALS:
    void sessionEnding();

private:
    bool m_ending = false;
};
