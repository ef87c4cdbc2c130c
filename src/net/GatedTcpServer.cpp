#include "GatedTcpServer.h"

#include "Logging.h"
#include "SocketLimits.h"

#include <QTcpSocket>

#include <unistd.h>

namespace {
// Peers cannot see the backlog; a deep one lets a burst of senders in, or
// waiting out a hold, without SYN retries.
constexpr int kListenBacklog = 128;
// QTcpServer's own default.
constexpr int kPendingDefault = 30;
// A crowd that keeps the process at its limit would otherwise say so several times a second.
constexpr qint64 kWarnEveryMs = 60000;
} // namespace

GatedTcpServer::GatedTcpServer(QObject *parent)
    : QTcpServer(parent)
{
    setListenBacklogSize(kListenBacklog);
    m_descriptorPoll.setInterval(kDescriptorPollMs);
    connect(&m_descriptorPoll, &QTimer::timeout, this, &GatedTcpServer::checkDescriptors);
}

void GatedTcpServer::hold(Reason why)
{
    const bool wasOpen = m_reasons == 0;
    m_reasons |= why;
    if (!wasOpen)
        return;
    // QTcpServer goes on accepting, within the same turn, whatever the
    // system has queued, paused or not; with no room for pending
    // connections it stops at the next one.
    setMaxPendingConnections(0);
    if (isListening())
        pauseAccepting();
}

void GatedTcpServer::release(Reason why)
{
    if ((m_reasons & why) == 0)
        return;
    m_reasons &= ~unsigned(why);
    if (m_reasons != 0)
        return;
    setMaxPendingConnections(kPendingDefault);
    if (isListening())
        resumeAccepting();
}

void GatedTcpServer::incomingConnection(qintptr descriptor)
{
    // The system hands out the lowest free number: this one at the mark
    // means every number below it is taken.
    if (descriptor >= currentAcceptMark() && !isHeldFor(Descriptors)) {
        if (!m_warned.isValid() || m_warned.hasExpired(kWarnEveryMs)) {
            m_warned.start();
            qCWarning(lcNet, "port %u stops accepting: %d descriptors open, the limit is near",
                      unsigned(serverPort()), openDescriptorCount());
        }
        hold(Descriptors);
        m_descriptorPoll.start();
    }
    if (m_acceptsPerTurn > 0) {
        if (m_takenThisTurn++ == 0)
            QTimer::singleShot(0, this, &GatedTcpServer::nextTurn);
        if (m_takenThisTurn >= m_acceptsPerTurn)
            hold(Turn);
    }
    takeConnection(descriptor);
}

int GatedTcpServer::currentAcceptMark()
{
    if (!m_markAge.isValid() || m_markAge.hasExpired(kMarkRefreshMs)) {
        m_acceptMark = acceptMark();
        m_markAge.start();
    }
    return m_acceptMark;
}

void GatedTcpServer::takeConnection(qintptr descriptor)
{
    if (m_takesDescriptors) {
        Q_EMIT descriptorTaken(descriptor);
        return;
    }
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    Q_EMIT connectionTaken(socket);
}

void GatedTcpServer::nextTurn()
{
    m_takenThisTurn = 0;
    release(Turn);
}

void GatedTcpServer::checkDescriptors()
{
    // Unknown (no /proc): the next accepted number tells again.
    const int open = openDescriptorCount();
    if (open >= 0 && open > acceptResumeMark())
        return;
    m_descriptorPoll.stop();
    qCDebug(lcNet, "port %u accepts again: %d descriptors open", unsigned(serverPort()), open);
    release(Descriptors);
}
