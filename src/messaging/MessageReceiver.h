#pragma once

#include "IncomingEntry.h"
#include "MsgChannel.h"

#include <QDateTime>
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

    // `ticket` is what the host settles once the message's fate is decided.
    void receive(const QString &fromName, const QString &text, const QString &peerAddress,
                 IncomingEntry::Origin origin = IncomingEntry::Origin::Open, quint64 ticket = 0);
    bool isIdle() const { return !m_busy && m_queue.empty(); }
    // The program ends with messages still waiting: the ones held here, then
    // `later`, go to the history exactly where receiving them would have
    // written them (same blacklist, auto-answer and history options), since
    // their senders were told they arrived. Nothing is shown, played or answered.
    void recordPending(const QList<ReceivedMessage> &later);

    // A message an earlier run acknowledged and never settled.
    struct Recovered
    {
        QString fromName;
        QString text;
        QString peerAddress;
        IncomingEntry::Origin origin = IncomingEntry::Origin::Open;
        QDateTime arrived;
        quint64 ticket = 0;
        bool logged = false; // its history entry was written before the program failed
    };
    // Each gets what receiving it gives, with its arrival time in the history
    // and on screen and a header that says it came before the program failed;
    // nothing is answered so late, whatever the auto-answer.
    void replay(const QList<Recovered> &messages);
private:
    struct Incoming {
        QString fromName;
        QString text;
        QString peerAddress;
        IncomingEntry::Origin origin = IncomingEntry::Origin::Open;
        quint64 ticket = 0;
        QDateTime arrived; // a recovered message's; live ones arrive now
        bool logged = false;
    };

    void processNext();
    void afterReply(const Incoming &message, const QString &displayName);
    void announce(const Incoming &message, const QString &displayName);
    void show(const Incoming &message, const QString &displayName);
    void finish();
    static QString recoveredMark(const Incoming &message);

    ReceiveHost &m_host;
    const OptionsStore &m_options;
    std::deque<Incoming> m_queue;
    bool m_busy = false;
    quint64 m_answering = 0; // the ticket of the message whose reply is on its way
};
