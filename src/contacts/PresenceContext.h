#pragma once

#include <QByteArray>
#include <QString>

class QHostAddress;

// What the chat window offers the datagram dispatcher while it is open.
class ChatPort
{
public:
    virtual ~ChatPort() = default;
    // Joined: the nick is fixed and the window takes part in the chat.
    virtual bool isJoined() const = 0;
    virtual QString ownNick() const = 0;
    virtual bool hasParticipant(const QString &nick) const = 0;
    // False when the nick was not taken (a full list): it gets no answer then.
    virtual bool addParticipant(const QString &nick) = 0;
    virtual void removeParticipant(const QString &nick) = 0;
    virtual void appendLine(const QString &line) = 0;
};

// What the datagram dispatcher needs from the rest of the program.
class PresenceContext
{
public:
    virtual ~PresenceContext() = default;
    virtual QString ownName() const = 0;
    // The alias of a name or address when it has one, else the name itself.
    virtual QString displayName(const QString &name) const = 0;
    virtual bool isAutoAnswerOn() const = 0;
    virtual bool isStatusNoticeOn() const = 0;
    virtual void broadcast(const QString &datagram) = 0;
    // A reply to the computer at `to` (null: not known) that announced itself;
    // the datagrams of one reply come in order, the `%` first.
    virtual void answer(const QString &datagram, const QHostAddress & /*to*/) { broadcast(datagram); }
    // A `%` from a name already listed; `broadcast`: it was not sent to us alone.
    virtual void presenceRepeated(const QString & /*name*/, const QHostAddress & /*sender*/, bool /*broadcast*/) {}
    virtual void showNotice(const QString &headline) = 0;
    // nullptr while the chat window is closed.
    virtual ChatPort *chat() = 0;
    // A computer announced its key: the datagram as it came, unchecked.
    virtual void keyAnnounced(const QByteArray & /*datagram*/, const QHostAddress & /*sender*/) {}
    // `name` said it is present from `sender` (before the list hears of it).
    virtual void presenceHeard(const QString & /*name*/, const QHostAddress & /*sender*/) {}
};
