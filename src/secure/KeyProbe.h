#pragma once

#include <QHash>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <deque>

class QSslSocket;

// Asks hosts which key they hold: a TLS handshake of our own to the address,
// closed as soon as the host has shown its certificate. Bounded: a few at a
// time, each within a time limit, and a short queue that drops the surplus,
// so that a flood of announcements cannot make us connect without end; and a
// few per address, so that one host's flood leaves room for the others' checks.
class KeyProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAtOnce = 4;
    static constexpr int kQueued = 32;
    static constexpr int kPerAddress = 4; // waiting and running
    static constexpr int kBoundMs = 10000;

    explicit KeyProbe(QSslConfiguration configuration, QObject *parent = nullptr);

    // False when the queue is full and the check is dropped.
    bool check(const QString &name, const QString &address, quint16 port);
    int running() const { return m_running; }
    void setBound(int milliseconds) { m_boundMs = milliseconds; }

Q_SIGNALS:
    // The key the host proved, or empty when it proved none.
    void checked(const QString &name, const QString &address, const QString &provenKey);

private:
    struct Job
    {
        QString name;
        QString address;
        quint16 port;
    };
    void startNext();
    void finish(QSslSocket *socket, const Job &job, const QString &provenKey);

    QSslConfiguration m_configuration;
    std::deque<Job> m_queue;
    QHash<QString, int> m_perAddress;
    int m_running = 0;
    int m_boundMs = kBoundMs;
};
