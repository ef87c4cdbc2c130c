#pragma once

#include <QString>

class ContactList;
class PresenceContext;

// The single entry point for every datagram: presence, auto-answer state and
// chat. Keeps no state of its own; all of it is in the contact list and the
// chat window. Comparisons are exact, case included, except that a presence
// name is compared upper-cased, as peers send it.
class DatagramDispatcher
{
public:
    DatagramDispatcher(ContactList &contacts, PresenceContext &context);

    // The datagram decoded from the wire; anything unknown is ignored.
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
};
