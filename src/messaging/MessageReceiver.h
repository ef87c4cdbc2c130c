#pragma once

#include "IncomingEntry.h"
#include "MsgChannel.h"

#include <QList>
#include <QString>

#include <deque>

class OptionsStore;
class ReceiveHost;

// What happens to each received message, in arrival order: blacklist,
// auto-answer reply, history, announcements, and its entry in the incoming
// view. A message whose auto-answer reply is on its way holds the ones after
// it, so the view always shows messages in the order they came.
class MessageReceiver
{
public:
    MessageReceiver(ReceiveHost &host, const OptionsStore &options);

    void receive(const QString &fromName, const QString &text, const QString &peerAddress,
                 IncomingEntry::Origin origin = IncomingEntry::Origin::Open);
    bool isIdle() const { return !m_busy && m_queue.empty(); }
    // The program ends with messages still waiting: the ones held here, then
    // `later`, go to the history exactly where receiving them would have
    // written them (same blacklist, auto-answer and history options), since
    // their senders were told they arrived. Nothing is shown, played or answered.
    void recordPending(const QList<ReceivedMessage> &later);

private:
    struct Incoming {
        QString fromName;
        QString text;
        QString peerAddress;
        IncomingEntry::Origin origin = IncomingEntry::Origin::Open;
    };

    void processNext();
    void afterReply(const Incoming &message, const QString &displayName);
    void announce(const Incoming &message, const QString &displayName);
    void show(const Incoming &message, const QString &displayName);
    void finish();

    ReceiveHost &m_host;
    const OptionsStore &m_options;
    std::deque<Incoming> m_queue;
    bool m_busy = false;
};
