#include "KeyProbe.h"

#include "Fingerprint.h"
#include "SecurityLog.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTimer>

KeyProbe::KeyProbe(QSslConfiguration configuration, QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
{
}

bool KeyProbe::check(const QString &name, const QString &address, quint16 port)
{
    if (QHostAddress(address).isNull() || port == 0)
        return false;
    for (const Job &job : m_queue) {
        if (job.address == address && job.port == port && job.name == name)
            return true;
    }
    if (int(m_queue.size()) >= kQueued || m_perAddress.value(address) >= kPerAddress) {
        qCInfo(lcSecurity, "key check of %s at %s dropped: too many waiting", qPrintable(name), qPrintable(address));
        return false;
    }
    ++m_perAddress[address];
    m_queue.push_back({name, address, port});
    // Never inside the caller, which may be in the middle of taking a datagram.
    QMetaObject::invokeMethod(this, &KeyProbe::startNext, Qt::QueuedConnection);
    return true;
}

void KeyProbe::startNext()
{
    while (m_running < kAtOnce && !m_queue.empty()) {
        const Job job = m_queue.front();
        m_queue.pop_front();
        ++m_running;
        auto *socket = new QSslSocket(this);
        socket->setSslConfiguration(m_configuration);
        socket->setProxy(QNetworkProxy::NoProxy); // a LAN peer, never behind the system's proxy
        auto *bound = new QTimer(socket);
        bound->setSingleShot(true);
        connect(bound, &QTimer::timeout, this, [this, socket, job] { finish(socket, job, QString()); });
        connect(socket, &QSslSocket::encrypted, this, [this, socket, job] {
            finish(socket, job, Fingerprint::ofCertificate(socket->peerCertificate()));
        });
        connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket, job] { finish(socket, job, QString()); });
        bound->start(m_boundMs);
        socket->connectToHostEncrypted(job.address, job.port);
    }
}

void KeyProbe::finish(QSslSocket *socket, const Job &job, const QString &provenKey)
{
    socket->disconnect(this);
    for (QTimer *bound : socket->findChildren<QTimer *>(Qt::FindDirectChildrenOnly)) {
        bound->stop();
        bound->disconnect(this);
    }
    if (provenKey.isEmpty()) {
        socket->abort();
        socket->deleteLater();
    } else {
        // Closed politely, so the host sees a finished handshake, not a failed one.
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kBoundMs, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
    }
    --m_running;
    if (--m_perAddress[job.address] <= 0)
        m_perAddress.remove(job.address);
    Q_EMIT checked(job.name, job.address, provenKey);
    startNext();
}
