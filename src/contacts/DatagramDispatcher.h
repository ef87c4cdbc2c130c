#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

class ContactList;
class PresenceContext;

// The single entry point for every datagram: presence, auto-answer state,
// chat and key announcements. Keeps no state of its own; all of it is in the
// contact list, the chat window and what the context does with a key or a
// presence. Comparisons are exact, case included, except that a presence name
// is compared upper-cased, as peers send it.
class DatagramDispatcher
{
public:
    DatagramDispatcher(ContactList &contacts, PresenceContext &context);

    // A datagram as it came from `sender`; anything unknown is ignored.
    // `broadcast`: it was sent to a broadcast address, not to us alone.
    void dispatch(const QByteArray &datagram, const QHostAddress &sender, bool broadcast = true);
    // The datagram decoded from the wire.
    void dispatch(const QString &datagram);

    // Announcements this instance makes (used by start-up, refresh and the
    // auto-answer switch as well as by the dispatcher's own replies).
    static QString presence(const QString &ownName) { return u'%' + ownName; }
    static QString farewell(const QString &ownName) { return u'#' + ownName; }
    static QString autoAnswerState(bool on, const QString &ownName)
    {
        return (on ? u'(' : u')') + ownName;
    }

private:
    void onPresence(const QString &name);
    void onFarewell(const QString &name);
    void onChatNick(const QString &nick);

    ContactList &m_contacts;
    PresenceContext &m_context;
    const QHostAddress *m_sender = nullptr; // while a datagram from the network is dispatched
    QString m_datagram;
};
