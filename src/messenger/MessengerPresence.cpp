// How presence travels: replies to an address, recovery of a lost answer,
// the key announcement to whoever may have missed it, the IP list, the
// firewall check and what the network window shows.
#include "Messenger.h"

#include "BroadcastTargets.h"
#include "Cp1251.h"
#include "IpListTargets.h"
#include "LineListFile.h"
#include "Logging.h"
#include "PortOwner.h"

#include <QDir>

namespace {

// Key announcements wanted by more addresses than this within one wait go as one broadcast.
constexpr int kMostKeyUnicasts = 3;
constexpr int kKeyWaitMs = 1000;
constexpr int kKeyBroadcastGapMs = 3000;
constexpr int kMostLastErrors = 10;

QString dotted(quint32 address)
{
    return QHostAddress(address).toString();
}

} // namespace

QByteArray Messenger::autoAnswerDatagram() const
{
    return Cp1251::encode(DatagramDispatcher::autoAnswerState(m_options.isOn(Option::AutoAnswer), m_ownName));
}

void Messenger::sendDatagrams(const QList<QByteArray> &datagrams, quint32 to)
{
    if (!m_udpClient)
        return;
    for (const QByteArray &datagram : datagrams) {
        if (to == PresenceTraffic::kBroadcast) {
            broadcastBytes(datagram);
            continue;
        }
        QString error;
        // One address that cannot be reached is that address's matter, not the user's.
        if (!m_udpClient->sendToAddress(to, datagram, &error)) {
            qCInfo(lcNet, "datagram to %s not sent: %s", qPrintable(dotted(to)), qPrintable(error));
            return;
        }
    }
}

void Messenger::answer(const QString &datagram, const QHostAddress &to)
{
    // With no sender known, or datagrams sent to one fixed address (tests on
    // loopback), the reply goes the way every datagram goes.
    if (to.protocol() != QAbstractSocket::IPv4Protocol || m_env.broadcastHost != u"255.255.255.255") {
        broadcast(datagram);
        // The one address hears our key with it.
        if (const QByteArray key = m_secure && datagram.startsWith(u'%') ? m_secure->announcement(m_ownName) : QByteArray();
            !key.isEmpty())
            broadcastBytes(key);
        return;
    }
    const quint32 address = to.toIPv4Address();
    // Only the newcomer needs to hear us: everyone else knows us already.
    m_traffic->replyLater(address, {Cp1251::encode(datagram)});
    if (datagram.startsWith(u'%')) {
        if (m_recovery.answeredNewcomer(address, m_dispatchingBroadcast, m_presenceClock.elapsed())
            && !m_retryTimer.isActive())
            m_retryTimer.start();
        wantKey(address);
    }
}

void Messenger::presenceRepeated(const QString &name, const QHostAddress &sender, bool broadcast)
{
    if (sender.protocol() != QAbstractSocket::IPv4Protocol)
        return;
    const quint32 address = sender.toIPv4Address();
    // Judged as of its arrival: a resend that came while we were busy
    // answering may have crossed our answer.
    if (!m_recovery.shouldAnswer(address, broadcast, m_dispatchedArrivedAt))
        return;
    qCDebug(lcNet, "%s announced itself again from %s: answering it alone", qPrintable(name),
            qPrintable(sender.toString()));
    QList<QByteArray> reply{Cp1251::encode(DatagramDispatcher::presence(m_ownName))};
    if (m_options.isOn(Option::AutoAnswer))
        reply << autoAnswerDatagram();
    m_traffic->replyLater(address, reply);
    wantKey(address);
}

void Messenger::wantKey(quint32 address)
{
    if (!m_secure || m_keyWanted.contains(address) || m_keyWanted.size() >= PresenceTraffic::kMostPendingReplies)
        return;
    m_keyWanted.append(address);
    if (!m_keyTimer.isActive())
        m_keyTimer.start(kKeyWaitMs);
}

void Messenger::sendWantedKeys()
{
    if (!m_secure || !m_udpClient || m_keyWanted.isEmpty())
        return;
    const QByteArray announcement = m_secure->announcement(m_ownName);
    if (announcement.isEmpty())
        return;
    if (m_keyWanted.size() <= kMostKeyUnicasts) {
        for (const quint32 to : std::exchange(m_keyWanted, {}))
            sendDatagrams({announcement}, to);
        return;
    }
    // Many newcomers at once (instances starting together): one broadcast
    // tells them all, at a bounded rate.
    const qint64 sinceLast = m_keyBroadcastAt < 0 ? kKeyBroadcastGapMs : m_presenceClock.elapsed() - m_keyBroadcastAt;
    if (sinceLast < kKeyBroadcastGapMs) {
        m_keyTimer.start(int(kKeyBroadcastGapMs - sinceLast));
        return;
    }
    m_keyWanted.clear();
    broadcastKey();
}

void Messenger::broadcastKey()
{
    if (!m_secure)
        return;
    const QByteArray announcement = m_secure->announcement(m_ownName);
    if (!announcement.isEmpty() && broadcastBytes(announcement))
        m_keyBroadcastAt = m_presenceClock.elapsed();
}

void Messenger::announceToIpList(bool unheardOnly)
{
    if (!m_udpClient || m_env.broadcastHost != u"255.255.255.255")
        return;
    const QStringList lines = LineListFile::load(QDir(m_env.dataFolder).filePath(QStringLiteral("ip.lst")));
    QList<quint32> addresses = IpListTargets::addresses(lines);
    if (!unheardOnly)
        m_ipListAddresses = int(addresses.size());
    else
        addresses.removeIf([this](quint32 a) { return m_contacts.hasAddress(QHostAddress(a).toString()); });
    if (!addresses.isEmpty())
        qCInfo(lcNet, "announcing this computer to %d addresses of the IP list", int(addresses.size()));
    m_traffic->announceTo(addresses, Cp1251::encode(DatagramDispatcher::presence(m_ownName)));
}

void Messenger::checkOwnEcho()
{
    if (m_heardOwnEcho || !m_udpServer || !m_udpServer->isActive())
        return;
    const quint16 port = m_udpServer->localPort();
    m_firewallFinding = tr(
        "Zavolin не слышит собственных широковещательных датаграмм: входящие пакеты UDP на порт %1 "
        "отбрасывает брандмауэр, поэтому другие компьютеры сети не будут видны.\n"
        "Откройте порты (UDP %1, TCP %1, 711, %2) командой:\n"
        "sudo firewall-cmd --permanent --add-service=zavolin && sudo firewall-cmd --reload\n"
        "или, где брандмауэр ufw: sudo ufw allow Zavolin")
                            .arg(port)
                            .arg(m_secure ? m_secure->serverPort() : m_env.securePort);
    noteError(m_firewallFinding);
    Q_EMIT errorOccurred(QStringLiteral("firewall"), m_firewallFinding);
}

void Messenger::noteError(const QString &text)
{
    m_lastErrors.append(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + text);
    while (m_lastErrors.size() > kMostLastErrors)
        m_lastErrors.removeFirst();
}

void Messenger::reportPortTaken(const QString &key, bool udp, quint16 port, const QString &whatStops)
{
    const QString text =
        PortOwner::explain(udp ? PortOwner::Protocol::Udp : PortOwner::Protocol::Tcp, port, whatStops);
    noteError(text);
    Q_EMIT errorOccurred(key, text);
}

NetworkStatus Messenger::networkStatus() const
{
    NetworkStatus status;
    for (const BroadcastTargets::Target &out : BroadcastTargets::limited()) {
        status.interfaces.append({out.name, dotted(out.source),
                                  tr("255.255.255.255 через %1").arg(out.name)
                                      + (out.directed ? tr(" (сеть %1)").arg(dotted(out.directed)) : QString())});
    }
    const auto port = [](const QString &name, quint16 bound, quint16 wanted) {
        return NetworkStatus::Port{name + QString::number(bound ? bound : wanted), bound != 0,
                                   bound ? QString() : tr("не слушает")};
    };
    status.ports = {port(QStringLiteral("UDP "), datagramPort(), m_env.datagramPort),
                    port(QStringLiteral("TCP "), messagePort(), m_env.messagePort),
                    port(QStringLiteral("TCP "), streamPort(), m_env.streamPort),
                    port(tr("TCP (защищённый) "), securePort(), m_env.securePort)};
    status.firewall = !m_firewallFinding.isEmpty() ? m_firewallFinding
                      : m_heardOwnEcho             ? tr("Свои датаграммы возвращаются: входящие UDP не отбрасываются.")
                                                   : tr("Проверка не проводилась.");
    status.contacts = m_contacts.count();
    status.datagramsReceived = m_udpServer ? m_udpServer->receivedCount() : 0;
    status.datagramsSent = m_udpClient ? m_udpClient->sentCount() : 0;
    status.ipListAddresses = m_ipListAddresses;
    status.lastErrors = m_lastErrors;
    return status;
}
