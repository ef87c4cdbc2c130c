#pragma once

#include "AliasBook.h"
#include "ContactList.h"
#include "DatagramDispatcher.h"
#include "DropLog.h"
#include "FileReceiver.h"
#include "HistoryLog.h"
#include "IncomingEntry.h"
#include "MessageReceiver.h"
#include "MessageSender.h"
#include "MessengerEnvironment.h"
#include "MsgChannel.h"
#include "NetworkWatch.h"
#include "Outbox.h"
#include "OptionsStore.h"
#include "NetworkStatus.h"
#include "PresenceContext.h"
#include "PresenceRecovery.h"
#include "PresenceTraffic.h"
#include "ReceiveAnnouncement.h"
#include "ReceiveHost.h"
#include "ReceiveJournal.h"
#include "SleepWatch.h"
#include "SecureChannel.h"
#include "StrmChannel.h"
#include "TransferList.h"
#include "TransferQueue.h"
#include "UdpChannel.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QElapsedTimer>
#include <QTimer>
#include <QString>

#include <functional>
#include <memory>

class UserPrompts;

// The messenger without a window: it owns the network endpoints, presence and
// the contact list, aliases, the blacklist, the history, the send queues and
// file receiving and sending. It reports what happened by signals, in the
// order it happened, and takes requests as calls. Options are read from its
// store at the moment they are needed; nothing is asked of a window except
// through UserPrompts.
class Messenger : public QObject, private PresenceContext, private ReceiveHost, private FileReceiveHost
{
    Q_OBJECT

public:
    explicit Messenger(MessengerEnvironment environment, QObject *parent = nullptr);
    ~Messenger() override;

    const MessengerEnvironment &environment() const { return m_env; }
    OptionsStore &options() { return m_options; }
    const OptionsStore &options() const { return m_options; }
    ContactList &contacts() { return m_contacts; }
    const ContactList &contacts() const { return m_contacts; }

    // The window that answers for the user while files arrive; without one,
    // notices are only reported by fileNotice() and no save place is chosen.
    void setPrompts(UserPrompts *prompts) { m_prompts = prompts; }

    // Opens the message and file servers; failures come as errorOccurred().
    void listen();
    // Takes the own name, starts receiving datagrams and announces presence
    // and the auto-answer state; reads the blacklist. From then on every
    // settled change of the networks, and every resume from sleep, announces
    // again: without a network at start-up, the first one to come up does.
    void goOnline(const QString &ownName);
    // The group chat, while a window takes part in it (nullptr otherwise).
    void setChatPort(std::function<ChatPort *()> port) { m_chatPort = std::move(port); }
    QString ownName() const override { return m_ownName; }

    // Sets auto-answer and tells the peers.
    void setAutoAnswer(bool on);
    // Asks every peer to announce itself.
    void refreshContacts();
    // Presence, the auto-answer state and, when joined, the chat: what peers
    // that knew this computer by an old address, or not at all, need to hear.
    void announce();
    void broadcast(const QString &datagram) override;

    Recipient recipientAt(int row) const;
    void send(const QList<Recipient> &recipients, const QString &text, MessageSender::RecipientDone each,
              MessageSender::Finished finished);
    bool isSending() const { return m_sender && m_sender->isBusy(); }
    // Every message sent, whichever way it went, is written to the history
    // here, under the own name, while the history option is on.
    HistoryLog::Result recordSent(const QString &text, const QString &to);

    // The outbox: direct messages that could not be delivered wait there for
    // their contact's presence or the next refresh, then go in the order
    // written. At least once: a message whose acknowledgement was lost is
    // sent again. Never for messages to all or auto-answer replies.
    const Outbox &outbox() const { return m_outbox; }
    void queueForLater(const Recipient &recipient, const QString &text);
    void cancelQueued(quint64 id);
    void editQueued(quint64 id, const QString &text);
    // Tries the messages waiting for host now.
    void deliverQueued(const QString &host);

    // Files and folders (each folder as one ZIP archive) for several
    // contacts: one stream per file, one after another per contact, several
    // contacts at once. Returns the transfer ids, in the order given; the
    // ends come as transferEnded().
    QList<int> sendPaths(const QList<Recipient> &recipients, const QStringList &paths);
    bool isSendingFile() const { return m_transfers && m_transfers->isBusy(); }
    void cancelTransfer(int id);
    // Sends a file or folder to one recipient in the open, this once, after
    // its secure send failed and the user agreed; returns the transfer id.
    int sendFileOpenly(Recipient recipient, const QString &path);
    // Every transfer of this run, outgoing and incoming, for the transfers window.
    TransferList &transfers() { return m_transferList; }
    // Null after shutdown.
    TransferQueue *transferQueue() { return m_transfers.get(); }
    FileReceiver &fileReceiver() { return *m_fileReceiver; }

    // Who a peer address is as the user knows that computer.
    QString senderName(const QHostAddress &peer) const override;
    // A file over TLS from the key pinned to the computer it names is that computer's.
    QString senderOf(const QHostAddress &peer, const QString &wireName, const QString &peerKey) const override;

    // Messages acknowledged but not yet shown go to the history, as receiving
    // them would have written them; call before the store is torn down.
    void recordPendingMessages();
    // Closes every endpoint and says farewell; nothing is received afterwards.
    void shutdown();

    // The bound ports (tests ask the system for free ones) and where peers listen.
    quint16 datagramPort() const { return m_udpServer ? m_udpServer->localPort() : 0; }
    quint16 messagePort() const { return m_msgServer ? m_msgServer->serverPort() : 0; }
    quint16 streamPort() const { return m_strmServer ? m_strmServer->serverPort() : 0; }
    quint16 securePort() const { return m_secure ? m_secure->serverPort() : 0; }

    // The secure channel: identity, pins, the listener and the clients.
    SecureChannel *secure() const { return m_secure.get(); }
    // Sends to one recipient in the open, this once, after a secure send failed and the user agreed.
    void sendOpenly(Recipient recipient, const QString &text, MessageSender::RecipientDone each,
                    MessageSender::Finished finished);
    void setPeerMessagePort(quint16 port);
    void setPeerStreamPort(quint16 port);
    void setPeerDatagramPort(quint16 port);
    // Where network changes come in once online (nullptr before); tests feed it.
    NetworkWatch *networkWatch() const { return m_networkWatch.get(); }
    // Interfaces, ports, the firewall finding and the traffic, as they are now.
    NetworkStatus networkStatus() const;

Q_SIGNALS:
    // An error the user must see; `key` names its kind, so a window may show each kind once.
    void errorOccurred(const QString &key, const QString &text);
    // What made the error of that kind is over (a datagram went out again):
    // the next error of the kind is news.
    void errorResolved(const QString &key);
    // The networks changed, or the computer woke up, and the announcement went out.
    void announcedAgain();
    // A contact joined or left the list, as the user knows it.
    void contactCame(const QString &displayName);
    void contactLeft(const QString &displayName);
    // A contact came or went, while status notices are on.
    void statusNotice(const QString &headline);

    // A received message, in this order: the announcements the options ask
    // for, then the entry to show.
    void messageAnnounced(const ReceiveAnnouncement &announcement);
    void incomingShown(const IncomingEntry &entry);
    // An auto-answer reply was delivered, or could not be.
    void autoAnswered();
    void receiveFailed();
    // The history file could not be created for a received message.
    void historyNotCreated();

    // The outbox changed: a message was queued, delivered, edited or cancelled.
    void outboxChanged();
    // A waiting message was delivered (and written to the history as sent now).
    void queuedDelivered(const QString &displayName, const QString &text);

    // A file notice, also when a window shows it.
    void fileNotice(const QString &text);
    // A transfer began to send, or a received file waits in the transfers list.
    void transferStarted(int id);
    // A transfer going out has ended: sent, failed or cancelled.
    void transferEnded(int id, TransferQueue::Result result, const QString &error);

    // A message to a contact with a pinned key could not go over the secure
    // channel; it was not sent in the open. The window may offer sendOpenly().
    void secureSendFailed(const Recipient &recipient, const QString &text, const QString &reason);
    // A file or folder for a contact with a pinned key could not go over the
    // secure channel; it was not sent in the open. Comes before the transfer's
    // end is reported. The window may offer sendFileOpenly().
    void secureFileSendFailed(int id, const Recipient &recipient, const QString &path, const QString &reason);
    // A computer presented a key other than the one pinned to its name.
    void keyChanged(const QString &name, const QString &address, const QString &pinned, const QString &offered);
    // Several addresses announce different keys for a name with no key pinned: none is pinned until the user chooses.
    void keysConflict(const QString &name);

private:
    // PresenceContext
    QString displayName(const QString &name) const override;
    bool isAutoAnswerOn() const override;
    bool isStatusNoticeOn() const override;
    void showNotice(const QString &headline) override;
    ChatPort *chat() override;
    void keyAnnounced(const QByteArray &datagram, const QHostAddress &sender) override;
    void presenceHeard(const QString &name, const QHostAddress &sender) override;
    void answer(const QString &datagram, const QHostAddress &to) override;
    void presenceRepeated(const QString &name, const QHostAddress &sender, bool broadcast) override;

    // ReceiveHost
    bool isBlacklisted(const QString &displayName) const override;
    QString autoAnswerText() const override;
    void postReply(const QString &host, const QString &fallbackHost, const QString &text,
                   std::function<void(bool delivered)> done) override;
    void markAutoAnswered() override;
    void writeHistory(const QString &text, const QString &from, const QString &to, const QDateTime &moment) override;
    void settle(quint64 ticket) override;
    void announce(const ReceiveAnnouncement &announcement) override;
    void showIncoming(const IncomingEntry &entry) override;
    void reportReceiveError() override;

    // FileReceiveHost
    void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) override;
    void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) override;
    QString dataFolder() const override;
    bool listsWaitingFiles() const override;

    void onDatagram(const QByteArray &data, const QHostAddress &peer, quint16 port, bool broadcast, qint64 waitedMs);
    // Presence traffic (MessengerPresence.cpp).
    bool broadcastBytes(const QByteArray &datagram);
    void sendDatagrams(const QList<QByteArray> &datagrams, quint32 to);
    QByteArray autoAnswerDatagram() const;
    // `unheardOnly`: to the listed addresses no contact of ours came from yet.
    void announceToIpList(bool unheardOnly = false);
    void wantKey(quint32 address);
    void sendWantedKeys();
    void broadcastKey();
    void checkOwnEcho();
    void noteError(const QString &text);
    void reportPortTaken(const QString &key, bool udp, quint16 port, const QString &whatStops);
    void saveOutboxOrReport(bool saved);
    void setUpSecureChannel();
    void serveMessages(TMsgServer &server, bool secure);
    void serveStreams(TStrmServer &server);
    // Why a secure send to `host` failed, in the words the user is told.
    QString secureFailureReason(const QString &host) const;
    // A message, open (no key) or over TLS, shown as what its key proves.
    void receiveJudged(const QString &fromName, const QString &text, const QHostAddress &peer, const QString &peerKey,
                       quint64 ticket);
    // The receive journal (MessengerJournal.cpp): each message, open or
    // secure, recorded before its acknowledgement; at start what the last
    // run left unsettled is received again.
    std::optional<quint64> recordArrival(QByteArrayView fromName, QByteArrayView text, const QHostAddress &peer,
                                         const QString &peerKey);
    void replayJournal();
    void listenForFiles();
    void removeStaleSpoolFiles() const;

    MessengerEnvironment m_env;
    OptionsStore m_options;
    ContactList m_contacts;
    AliasBook m_aliases;
    DatagramDispatcher m_dispatcher;
    QString m_ownName;
    std::function<ChatPort *()> m_chatPort;
    UserPrompts *m_prompts = nullptr;

    std::unique_ptr<TMsgServer> m_msgServer;
    std::unique_ptr<TUdpServer> m_udpServer;
    std::unique_ptr<TUdpClient> m_udpClient;
    std::unique_ptr<NetworkWatch> m_networkWatch;
    std::unique_ptr<SleepWatch> m_sleepWatch;
    bool m_waitingForNetwork = false;
    QStringList m_shownSendFailures; // error keys shown since the last datagram went out
    std::unique_ptr<MessageSender> m_sender;
    std::unique_ptr<TMsgClient> m_replyClient; // its own client: a reply never waits for a send
    std::function<void(bool)> m_replyDone;
    std::unique_ptr<FileReceiver> m_fileReceiver;
    TransferList m_transferList;
    std::unique_ptr<TransferQueue> m_transfers;
    std::unique_ptr<TStrmServer> m_strmServer; // goes first, before what it feeds
    std::unique_ptr<SecureChannel> m_secure;   // goes with the servers, before what they feed
    MessageReceiver m_receiver;
    HistoryLog m_history;
    ReceiveJournal m_journal;
    // Received messages' history entries wait up to kHistoryBatchMs to be
    // written together; the journal holds them meanwhile, and their tickets
    // are settled once the entries are written.
    static constexpr int kHistoryBatchMs = 20;
    void flushHistory();
    QTimer m_historyBatch;
    QList<quint64> m_settleAfterHistory;
    bool m_journalFailed = false; // told the user; told again once it recovered and fails anew
    Outbox m_outbox;
    QSet<QString> m_delivering; // hosts with a waiting message on the wire
    // Where each computer announced itself from, for names that do not resolve.
    QHash<QString, QString> m_presenceAddress;
    std::unique_ptr<PresenceTraffic> m_traffic;
    PresenceRecovery m_recovery;
    QElapsedTimer m_presenceClock;
    QList<quint32> m_keyWanted; // addresses that may have missed our key
    QTimer m_keyTimer;
    qint64 m_keyBroadcastAt = -1;
    QTimer m_echoTimer;
    QTimer m_retryTimer;
    bool m_dispatchingBroadcast = false;
    qint64 m_dispatchedArrivedAt = 0; // on m_presenceClock
    bool m_heardOwnEcho = false;
    QString m_firewallFinding;
    QStringList m_lastErrors;
    int m_ipListAddresses = 0;
    DropLog m_messageDrops{QStringLiteral("message")};
    DropLog m_datagramDrops{QStringLiteral("datagram")};
    DropLog m_streamDrops{QStringLiteral("file stream")};
};
