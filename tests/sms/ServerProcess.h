#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A loopback test server written in Python (tests/sms/*.py), started for one
// test and killed with it. It prints its port first; later lines are kept.
class ServerProcess
{
public:
    ServerProcess() = default;
    ~ServerProcess();

    // False with reason() when it did not come up (aiosmtpd missing, for one).
    bool start(const QString &script, const QStringList &arguments);
    const QString &reason() const { return m_reason; }
    quint16 port() const { return m_port; }
    // Lines printed after the port, waiting up to a bound for `count` of them.
    QStringList lines(int count);

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_reason;
    QByteArray m_pending;
};
