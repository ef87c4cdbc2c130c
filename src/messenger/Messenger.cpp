#include "Messenger.h"

#include "AsciiCase.h"
#include "AutoAnswerTexts.h"
#include "Cp1251.h"
#include "FailureReason.h"
#include "LineListFile.h"
#include "Logging.h"
#include "SecurityLog.h"
#include "SettingKeys.h"
#include "UserPrompts.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// Where names announced themselves from: as many as the contact list could
// hold twice over, so that a flood of names grows it no further.
constexpr qsizetype kMostPresenceAddresses = 2 * ContactList::kMaxContacts;

QString keyChangedReason()
{
    return QCoreApplication::translate("Messenger", "ключ компьютера изменился");
}

} // namespace

Messenger::Messenger(MessengerEnvironment environment, QObject *parent)
    : QObject(parent)
    , m_env(std::move(environment))
    , m_aliases(m_env.settingsPath)
    , m_dispatcher(m_contacts, *this)
    , m_sender(std::make_unique<MessageSender>())
    , m_replyClient(std::make_unique<TMsgClient>())
    , m_receiver(*this, m_options)
    , m_history(QDir(m_env.dataFolder).filePath(QStringLiteral("Log.txt")))
    , m_journal(m_env.dataFolder, m_history)
    , m_outbox(QDir(m_env.dataFolder).filePath(QStringLiteral("Outbox.txt")))
{
    m_historyBatch.setSingleShot(true);
    m_historyBatch.setInterval(kHistoryBatchMs);
    connect(&m_historyBatch, &QTimer::timeout, this, &Messenger::flushHistory);
    m_msgServer = std::make_unique<TMsgServer>();
    m_msgServer->setPort(m_env.messagePort);
    serveMessages(*m_msgServer, false);

    m_udpServer = std::make_unique<TUdpServer>();
    m_udpServer->setDefaultPort(m_env.datagramPort);
    // A flood of newcomers or state changes lays the contact list out and
    // paints it once per frame, not once per datagram.
    m_udpServer->setPacing(16);
    connect(m_udpServer.get(), &TUdpServer::datagramReceived, this, &Messenger::onDatagram);
    m_traffic = std::make_unique<PresenceTraffic>(
        [this](const QList<QByteArray> &datagrams, quint32 to) { sendDatagrams(datagrams, to); });
    // A lost announcement across a router has no broadcast repeat to stand in
    // for it; a round still under way is not restarted.
    connect(m_traffic.get(), &PresenceTraffic::repeated, this, [this] {
        if (m_traffic->waitingAnnouncements() == 0)
            announceToIpList(true);
    });
    m_presenceClock.start();
    m_keyTimer.setSingleShot(true);
    connect(&m_keyTimer, &QTimer::timeout, this, &Messenger::sendWantedKeys);
    m_retryTimer.setInterval(250);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        // Answers whose newcomer never said it heard them go again.
        const QByteArray presence = Cp1251::encode(DatagramDispatcher::presence(m_ownName));
        for (const quint32 to : m_recovery.overdue(m_presenceClock.elapsed(), m_udpServer->isBehind()))
            sendDatagrams({presence}, to);
        if (!m_recovery.isAwaiting())
            m_retryTimer.stop();
    });
    m_echoTimer.setSingleShot(true);
    connect(&m_echoTimer, &QTimer::timeout, this, &Messenger::checkOwnEcho);
    connect(m_udpServer.get(), &TUdpServer::datagramDropped, this,
            [this](const QString &reason) { m_datagramDrops.record(reason); });
    m_udpClient = std::make_unique<TUdpClient>();
    m_udpClient->setHost(m_env.broadcastHost);
    m_udpClient->setPort(m_env.broadcastPort);

    connect(m_replyClient.get(), &TMsgClient::finished, this, [this] {
        if (auto done = std::exchange(m_replyDone, nullptr))
            done(true);
    });
    connect(m_replyClient.get(), &TMsgClient::failed, this, [this] {
        if (auto done = std::exchange(m_replyDone, nullptr))
            done(false);
    });

    m_transfers = std::make_unique<TransferQueue>(m_transferList);
    m_transfers->setArchiveFolder(m_env.dataFolder);
    connect(m_transfers.get(), &TransferQueue::started, this, &Messenger::transferStarted);
    connect(m_transfers.get(), &TransferQueue::ended, this, &Messenger::transferEnded);
    connect(m_transfers.get(), &TransferQueue::secureSendFailed, this,
            [this](int id, const Recipient &recipient, const QString &path, const QString &) {
                Q_EMIT secureFileSendFailed(id, recipient, path, secureFailureReason(recipient.host));
            });
    m_fileReceiver = std::make_unique<FileReceiver>(static_cast<FileReceiveHost &>(*this), m_options);
    m_fileReceiver->setTransferList(&m_transferList);
    connect(m_fileReceiver.get(), &FileReceiver::waitsForDecision, this, &Messenger::transferStarted);

    setUpSecureChannel();
    for (TMsgServer *server : {m_msgServer.get(), &m_secure->messageServer()}) {
        server->setArrivalRecord([this](QByteArrayView fromName, QByteArrayView text, const QHostAddress &peer,
                                        const QString &peerKey) { return recordArrival(fromName, text, peer, peerKey); });
    }

    connect(&m_contacts, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        for (int row = first; row <= last; ++row)
            Q_EMIT contactCame(m_contacts.displayNameAt(row));
    });
    connect(&m_contacts, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                for (int row = first; row <= last; ++row)
                    Q_EMIT contactLeft(m_contacts.displayNameAt(row));
            });
}

Messenger::~Messenger()
{
    // The servers go before the receivers they feed.
    m_secure.reset();
    m_strmServer.reset();
    m_msgServer.reset();
    // A clean end leaves no journal: everything in it is settled first.
    flushHistory();
}

void Messenger::receiveJudged(const QString &fromName, const QString &text, const QHostAddress &peer,
                              const QString &peerKey, quint64 ticket)
{
    auto origin = IncomingEntry::Origin::Open;
    if (m_secure) {
        m_secure->trust().setOwnName(m_ownName);
        const KeyTrust::Sender sender = m_secure->trust().judge(fromName, peerKey, peer.toString());
        if (sender.origin == KeyTrust::Origin::Secure)
            origin = sender.level == TrustLevel::Compared ? IncomingEntry::Origin::Compared
                                                          : IncomingEntry::Origin::Secure;
        else if (sender.origin == KeyTrust::Origin::Unverified)
            origin = IncomingEntry::Origin::Unverified;
    }
    m_receiver.receive(fromName, text, peer.toString(), origin, ticket);
}

void Messenger::goOnline(const QString &ownName)
{
    m_ownName = ownName;
    QString outboxError;
    if (!m_outbox.load(&outboxError))
        Q_EMIT errorOccurred(QStringLiteral("outbox"), outboxError);
    if (!m_udpServer->setActive(true)) {
        if (m_udpServer->portTaken())
            reportPortTaken(QStringLiteral("udp"), true, m_env.datagramPort,
                            tr("Другие компьютеры не будут видны"));
        else
            Q_EMIT errorOccurred(QStringLiteral("udp"), m_udpServer->errorString());
    }
    announce();
    // Our own broadcast comes back unless incoming datagrams are dropped.
    if (m_udpServer->isActive() && m_env.broadcastHost == u"255.255.255.255"
        && m_env.broadcastPort == m_udpServer->localPort() && !m_udpClient->failedForNoNetwork())
        m_echoTimer.start(3000);
    // Repeats are for broadcasts; datagrams to one fixed address (tests on loopback) go once.
    if (m_env.broadcastHost == u"255.255.255.255") {
        m_traffic->startRepeats([this] {
            QList<QByteArray> repeated{Cp1251::encode(DatagramDispatcher::presence(m_ownName))};
            if (m_options.isOn(Option::AutoAnswer))
                repeated << autoAnswerDatagram();
            return repeated;
        });
    }
    announceToIpList();
    m_contacts.setBlacklist(LineListFile::load(QDir(m_env.dataFolder).filePath(QStringLiteral("BlackList.lst"))));
    // Once the names and the blacklist are known, before anything new is handed on.
    QMetaObject::invokeMethod(this, &Messenger::replayJournal, Qt::QueuedConnection);

    m_networkWatch = std::make_unique<NetworkWatch>();
    connect(m_networkWatch.get(), &NetworkWatch::changed, this, [this] {
        qCInfo(lcZavolin, "the networks changed: announcing this computer again");
        announce();
        Q_EMIT announcedAgain();
    });
    // The links come back after a resume too; one announcement covers both.
    m_sleepWatch = std::make_unique<SleepWatch>();
    connect(m_sleepWatch.get(), &SleepWatch::resumed, m_networkWatch.get(), &NetworkWatch::noteChange);
}

void Messenger::announce()
{
    broadcast(DatagramDispatcher::presence(m_ownName));
    broadcast(DatagramDispatcher::autoAnswerState(m_options.isOn(Option::AutoAnswer), m_ownName));
    if (ChatPort *port = chat(); port && port->isJoined())
        broadcast(u'C' + m_ownName); // joined the chat
    broadcastKey();
}

void Messenger::setAutoAnswer(bool on)
{
    m_options.set(Option::AutoAnswer, on);
    broadcast(DatagramDispatcher::autoAnswerState(on, m_ownName));
}

void Messenger::refreshContacts()
{
    broadcast(DatagramDispatcher::presence(m_ownName));
    broadcastKey(); // its port may have changed since
    announceToIpList();
    QStringList hosts;
    for (const Outbox::Message &m : m_outbox.messages()) {
        if (!hosts.contains(m.recipient.host))
            hosts.append(m.recipient.host);
    }
    for (const QString &host : std::as_const(hosts))
        deliverQueued(host);
}

void Messenger::saveOutboxOrReport(bool saved)
{
    if (!saved)
        Q_EMIT errorOccurred(QStringLiteral("outbox-save"),
                             tr("Не удалось записать файл %1").arg(m_outbox.path()));
    Q_EMIT outboxChanged();
}

void Messenger::queueForLater(const Recipient &recipient, const QString &text)
{
    saveOutboxOrReport(m_outbox.add(recipient, text, QDateTime::currentDateTime()));
}

void Messenger::cancelQueued(quint64 id)
{
    saveOutboxOrReport(m_outbox.remove(id));
}

void Messenger::editQueued(quint64 id, const QString &text)
{
    saveOutboxOrReport(m_outbox.setText(id, text));
}

void Messenger::deliverQueued(const QString &host)
{
    if (!m_sender || m_delivering.contains(host))
        return;
    const QList<Outbox::Message> waiting = m_outbox.waitingFor(host);
    if (waiting.isEmpty())
        return;
    // One at a time per contact, so they arrive in the order written.
    const Outbox::Message next = waiting.first();
    Recipient recipient = next.recipient;
    recipient.fallbackHost = m_presenceAddress.value(host, recipient.fallbackHost);
    m_delivering.insert(host);
    m_sender->send(m_ownName, {recipient}, next.text,
                   [this, next, host](const Recipient &, bool delivered) {
                       m_delivering.remove(host);
                       if (!delivered)
                           return; // waits for the next presence or refresh
                       saveOutboxOrReport(m_outbox.remove(next.id));
                       recordSent(next.text, next.recipient.displayName);
                       Q_EMIT queuedDelivered(next.recipient.displayName, next.text);
                       deliverQueued(host);
                   },
                   nullptr);
}

void Messenger::broadcast(const QString &datagram)
{
    broadcastBytes(Cp1251::encode(datagram));
}

bool Messenger::broadcastBytes(const QByteArray &datagram)
{
    if (!m_udpClient)
        return false;
    QString error;
    if (m_udpClient->send(datagram, &error)) {
        if (std::exchange(m_waitingForNetwork, false))
            qCInfo(lcZavolin, "a network is up: datagrams go out again");
        for (const QString &key : std::exchange(m_shownSendFailures, {}))
            Q_EMIT errorResolved(key);
        return true;
    }
    if (m_udpClient->failedForNoNetwork()) {
        // At login before the network, or between two networks: nothing to
        // tell the user; the network watch announces once one is up.
        if (!std::exchange(m_waitingForNetwork, true))
            qCInfo(lcZavolin, "no network is up: waiting for one to announce this computer");
        qCInfo(lcNet, "datagram not sent: no network is up");
        return false;
    }
    const QString key = QStringLiteral("broadcast ") + error;
    if (!m_shownSendFailures.contains(key))
        m_shownSendFailures.append(key);
    noteError(error);
    Q_EMIT errorOccurred(key, error);
    return false;
}

void Messenger::onDatagram(const QByteArray &data, const QHostAddress &peer, quint16, bool broadcast, qint64 waitedMs)
{
    m_dispatchedArrivedAt = m_presenceClock.elapsed() - waitedMs;
    if (!m_heardOwnEcho && !m_ownName.isEmpty() && data == Cp1251::encode(DatagramDispatcher::presence(m_ownName)))
        m_heardOwnEcho = true;
    m_dispatchingBroadcast = broadcast;
    m_dispatcher.dispatch(data, peer, broadcast);
    m_dispatchingBroadcast = false;
}

void Messenger::keyAnnounced(const QByteArray &datagram, const QHostAddress &sender)
{
    if (!m_secure)
        return;
    const std::optional<QString> name = m_secure->takeAnnouncement(datagram, sender, m_ownName);
    // A pinned contact's waiting messages go once its key's port is known.
    if (name && !m_outbox.messages().isEmpty()) {
        deliverQueued(*name);
        deliverQueued(sender.toString());
    }
}

void Messenger::presenceHeard(const QString &name, const QHostAddress &sender)
{
    const QString upper = AsciiCase::upper(name);
    if (m_presenceAddress.size() < kMostPresenceAddresses || m_presenceAddress.contains(upper))
        m_presenceAddress.insert(upper, sender.toString());
    if (m_secure)
        m_secure->notePresence(name, sender);
    if (m_outbox.messages().isEmpty())
        return;
    // The contact is back: what waits for it, by name or by address, goes now;
    // to a pinned name only over the secure channel, to the host that proves its key.
    // A contact with a pinned key waits for the key announcement that
    // follows its presence, which says where its secure channel listens.
    if (!m_secure || !m_secure->isSecureRoute(upper))
        deliverQueued(upper);
    if (!m_secure || !m_secure->isSecureRoute(sender.toString()))
        deliverQueued(sender.toString());
}

Recipient Messenger::recipientAt(int row) const
{
    const QString address = m_contacts.addressAt(row);
    return {address, m_contacts.displayNameAt(row), m_presenceAddress.value(address)};
}

void Messenger::send(const QList<Recipient> &recipients, const QString &text, MessageSender::RecipientDone each,
                     MessageSender::Finished finished)
{
    if (!m_sender)
        return;
    // A secure send that fails is never repeated in the open without the user.
    auto reported = [this, text, each = std::move(each)](const Recipient &recipient, bool delivered) {
        if (!delivered && recipient.secured) {
            const SecureMsgClient *client = m_secure ? m_secure->messageClient() : nullptr;
            Q_EMIT secureSendFailed(recipient, text,
                                    client && client->keyMismatch() ? keyChangedReason() : secureFailureReason(recipient.host));
        }
        if (each)
            each(recipient, delivered);
    };
    m_sender->send(m_ownName, recipients, text, std::move(reported), std::move(finished));
}

void Messenger::sendOpenly(Recipient recipient, const QString &text, MessageSender::RecipientDone each,
                           MessageSender::Finished finished)
{
    recipient.channel = Recipient::Channel::Open;
    if (m_sender)
        m_sender->send(m_ownName, {recipient}, text, std::move(each), std::move(finished));
}

QString Messenger::secureFailureReason(const QString &host) const
{
    if (m_secure) {
        const KeyTrust::Route route = m_secure->trust().routeTo(host);
        if (route.secure && !m_secure->trust().candidates(route.name).isEmpty())
            return keyChangedReason();
    }
    return FailureReason::shown({}, QAbstractSocket::SslHandshakeFailedError);
}

HistoryLog::Result Messenger::recordSent(const QString &text, const QString &to)
{
    if (!m_options.isOn(Option::History))
        return HistoryLog::Result::Written; // nothing asked, nothing failed
    flushHistory();
    return m_history.write(text, m_ownName, to);
}

int Messenger::sendFileOpenly(Recipient recipient, const QString &path)
{
    if (!m_transfers)
        return 0;
    recipient.channel = Recipient::Channel::Open;
    return m_transfers->add(recipient, path);
}

QList<int> Messenger::sendPaths(const QList<Recipient> &recipients, const QStringList &paths)
{
    QList<int> ids;
    if (!m_transfers)
        return ids;
    for (const Recipient &recipient : recipients) {
        for (const QString &path : paths)
            ids << m_transfers->add(recipient, path);
    }
    return ids;
}

void Messenger::cancelTransfer(int id)
{
    if (m_transfers)
        m_transfers->cancel(id);
}

void Messenger::setPeerMessagePort(quint16 port)
{
    m_sender->setPort(port);
    m_replyClient->setPort(port);
}

void Messenger::setPeerDatagramPort(quint16 port)
{
    if (m_udpClient)
        m_udpClient->setPort(port);
}

void Messenger::setPeerStreamPort(quint16 port)
{
    if (m_transfers)
        m_transfers->setPort(port);
}

QString Messenger::senderName(const QHostAddress &peer) const
{
    const QString address = peer.toString();
    int row = m_contacts.indexOfAddress(address);
    if (row < 0) {
        for (auto it = m_presenceAddress.cbegin(); it != m_presenceAddress.cend() && row < 0; ++it) {
            if (it.value() == address)
                row = m_contacts.indexOfAddress(it.key());
        }
    }
    return row >= 0 ? m_contacts.displayNameAt(row) : address;
}

QString Messenger::senderOf(const QHostAddress &peer, const QString &wireName, const QString &peerKey) const
{
    if (m_secure && !peerKey.isEmpty() && wireName.startsWith(QStringLiteral("\\\\"))) {
        const QString computer = wireName.mid(2, wireName.indexOf(u'\\', 2) - 2);
        const KeyTrust::Sender sender = m_secure->trust().classify(computer, peerKey);
        if (sender.origin == KeyTrust::Origin::Secure)
            return displayName(sender.name);
    }
    return senderName(peer);
}

void Messenger::recordPendingMessages()
{
    // Their senders have been told they arrived: into the history while the
    // blacklist and options still stand, without the cost of showing them.
    QList<ReceivedMessage> pending = m_msgServer ? m_msgServer->takePending() : QList<ReceivedMessage>();
    if (m_secure)
        pending += m_secure->messageServer().takePending();
    m_receiver.recordPending(pending);
    flushHistory();
}

void Messenger::shutdown()
{
    m_contacts.setBlacklist({});
    if (m_secure)
        m_secure->close();
    m_msgServer.reset();
    m_strmServer.reset();
    m_transfers.reset();
    m_sender.reset();
    m_replyClient.reset();
    m_sleepWatch.reset();
    m_networkWatch.reset(); // no announcement after the farewell
    m_traffic->stop();
    m_keyTimer.stop();
    m_echoTimer.stop();
    m_retryTimer.stop();
    m_udpServer.reset(); // our own farewell must not come back to us
    broadcast(DatagramDispatcher::farewell(m_ownName));
    m_udpClient.reset();
}

QString Messenger::displayName(const QString &name) const
{
    return m_aliases.displayName(name);
}

bool Messenger::isAutoAnswerOn() const
{
    return m_options.isOn(Option::AutoAnswer);
}

bool Messenger::isStatusNoticeOn() const
{
    return m_options.isOn(Option::StatusNotices);
}

void Messenger::showNotice(const QString &headline)
{
    Q_EMIT statusNotice(headline);
}

ChatPort *Messenger::chat()
{
    return m_chatPort ? m_chatPort() : nullptr;
}

bool Messenger::isBlacklisted(const QString &displayName) const
{
    return m_contacts.isBlacklisted(displayName);
}

QString Messenger::autoAnswerText() const
{
    return AutoAnswerTexts(m_env.settingsPath).answer();
}

void Messenger::postReply(const QString &host, const QString &fallbackHost, const QString &text,
                          std::function<void(bool delivered)> done)
{
    if (!m_replyClient) {
        done(false);
        return;
    }
    m_replyDone = std::move(done);
    // A reply to a computer with a pinned key goes securely or not at all: in
    // the open it would be marked as a forgery of our name. No one is asked.
    TMsgClient *client = m_replyClient.get();
    if (m_secure && m_secure->prepareReplyClient(host)) {
        client = m_secure->replyClient();
        if (!client) {
            QMetaObject::invokeMethod(this, [this] {
                if (auto done = std::exchange(m_replyDone, nullptr))
                    done(false);
            }, Qt::QueuedConnection);
            return;
        }
    } else {
        client->setHost(host);
        client->setFallbackHost(fallbackHost);
    }
    client->setFromName(m_ownName);
    client->postText(text);
}

void Messenger::markAutoAnswered()
{
    Q_EMIT autoAnswered();
}

void Messenger::writeHistory(const QString &text, const QString &from, const QString &to, const QDateTime &moment)
{
    m_history.writeLater(text, from, to, moment);
    if (!m_historyBatch.isActive())
        m_historyBatch.start();
}

void Messenger::flushHistory()
{
    m_historyBatch.stop();
    // Write errors while receiving are not the user's concern; a missing file is.
    if (m_history.flush() == HistoryLog::Result::CannotCreate)
        Q_EMIT historyNotCreated();
    if (!m_settleAfterHistory.isEmpty())
        m_journal.settle(std::exchange(m_settleAfterHistory, {}));
}

void Messenger::announce(const ReceiveAnnouncement &announcement)
{
    Q_EMIT messageAnnounced(announcement);
}

void Messenger::showIncoming(const IncomingEntry &entry)
{
    Q_EMIT incomingShown(entry);
}

void Messenger::reportReceiveError()
{
    Q_EMIT receiveFailed();
}

void Messenger::showFileNotice(Notice notice, const QString &text, std::function<void()> closed)
{
    Q_EMIT fileNotice(text);
    if (m_prompts) {
        m_prompts->showFileNotice(notice, text, std::move(closed));
        return;
    }
    // Nobody to read it: as if read at once, but never inside the caller.
    if (closed)
        QMetaObject::invokeMethod(this, std::move(closed), Qt::QueuedConnection);
}

void Messenger::askSavePath(const QString &fileName, std::function<void(const QString &path)> answered)
{
    if (m_prompts) {
        m_prompts->askSavePath(fileName, std::move(answered));
        return;
    }
    // Nobody to choose a place: the file is dropped, as when the user cancels.
    QMetaObject::invokeMethod(this, [answered = std::move(answered)] { answered(QString()); }, Qt::QueuedConnection);
}

QString Messenger::dataFolder() const
{
    return m_env.dataFolder;
}

bool Messenger::listsWaitingFiles() const
{
    return m_prompts != nullptr;
}
