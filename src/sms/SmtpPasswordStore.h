#pragma once

#include <QObject>
#include <QString>

// The SMTP password in the desktop's keyring (Secret Service and the like),
// under service "Zavolin", key "smtp/<server>/<login>". Every call is
// asynchronous; the answer comes as a signal. Where the program was built
// without qtkeychain, or the session has no keyring, the answers say
// "no keyring" and the caller keeps the password in the settings file.
class SmtpPasswordStore : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Done,        // read: found; write: stored
        NotFound,    // read only: the keyring works but holds no entry
        NoKeyring,   // no keyring in this session (or none built in)
        Failed,      // a keyring is there but refused or failed
    };
    Q_ENUM(Outcome)

    explicit SmtpPasswordStore(QObject *parent = nullptr);

    static QString key(const QString &server, const QString &login);
    // Whether the program was built with keyring support at all.
    static bool builtIn();

    void read(const QString &server, const QString &login);
    void write(const QString &server, const QString &login, const QString &password);

Q_SIGNALS:
    void readDone(SmtpPasswordStore::Outcome outcome, const QString &password);
    void writeDone(SmtpPasswordStore::Outcome outcome);
};
