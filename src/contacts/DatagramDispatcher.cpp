#include "DatagramDispatcher.h"

#include "AsciiCase.h"
#include "ContactList.h"
#include "Cp1251.h"
#include "PresenceContext.h"
#include "PresenceLog.h"

namespace {

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

DatagramDispatcher::DatagramDispatcher(ContactList &contacts, PresenceContext &context)
    : m_contacts(contacts)
    , m_context(context)
{
}

void DatagramDispatcher::dispatch(const QByteArray &datagram, const QHostAddress &sender, bool broadcast)
{
    // Key announcements are binary fields, never read as code page 1251 text.
    if (datagram.startsWith('$')) {
        m_context.keyAnnounced(datagram, sender);
        return;
    }
    const QString decoded = Cp1251::decode(datagram);
    if (decoded.startsWith(u'%')) {
        m_context.presenceHeard(decoded.mid(1), sender);
        const QString address = AsciiCase::upper(decoded.mid(1));
        if (address != AsciiCase::upper(m_context.ownName()) && m_contacts.hasAddress(address)) {
            m_context.presenceRepeated(address, sender, broadcast);
            return;
        }
    }
    m_sender = &sender;
    dispatch(decoded);
    m_sender = nullptr;
}

void DatagramDispatcher::dispatch(const QString &datagram)
{
    if (datagram.isEmpty())
        return;
    const QChar command = datagram.front();
    const QString argument = datagram.mid(1);
    m_datagram = datagram;
    ChatPort *chat = m_context.chat();

    switch (command.unicode()) {
    case u'%':
        onPresence(argument);
        break;
    case u'#':
        onFarewell(argument);
        break;
    case u'(':
        m_contacts.addAutoAnswer(m_context.displayName(argument));
        break;
    case u')':
        m_contacts.removeAutoAnswer(m_context.displayName(argument));
        break;
    case u'C':
        m_contacts.addInChat(m_context.displayName(argument));
        break;
    case u'V':
        m_contacts.removeInChat(m_context.displayName(argument));
        break;
    case u'&':
        if (chat && chat->isJoined())
            chat->appendLine(argument);
        break;
    case u'Z':
        onChatNick(argument);
        break;
    case u'X':
        if (chat)
            chat->removeParticipant(argument);
        break;
    default:
        break;
    }
}

void DatagramDispatcher::onPresence(const QString &name)
{
    // Peers send their names in upper case; comparing any other spelling
    // exactly would list one computer (or ourselves) once per datagram and
    // answer each with a broadcast.
    const QString own = m_context.ownName();
    const QString address = AsciiCase::upper(name);
    if (address == AsciiCase::upper(own) || m_contacts.hasAddress(address))
        return;
    const QString alias = m_context.displayName(name);
    const QString displayName = alias == name ? address : alias;
    if (!m_contacts.addAnnounced(displayName, address))
        return;

    const QHostAddress from = m_sender ? *m_sender : QHostAddress();
    qCDebug(lcPresence, "contact added: %s (%s) at %s by \"%s\"", qPrintable(address), qPrintable(displayName),
            qPrintable(from.toString()), qPrintable(m_datagram.left(64)));

    // Answer so the newcomer learns of us; peers that know us stay quiet.
    m_context.answer(presence(own), from);
    if (m_context.isAutoAnswerOn())
        m_context.answer(autoAnswerState(true, own), from);
    if (ChatPort *chat = m_context.chat(); chat && chat->isJoined())
        m_context.answer(u'C' + own, from);
    if (m_context.isStatusNoticeOn())
        m_context.showNotice(quoted(AsciiCase::upper(displayName)) + QStringLiteral(" is online"));
}

void DatagramDispatcher::onFarewell(const QString &name)
{
    const int row = m_contacts.indexOfAddress(name);
    if (row < 0)
        return;
    const QString displayName = m_context.displayName(name);
    m_contacts.removeAt(row);
    qCDebug(lcPresence, "contact removed: %s (%s) at %s by \"%s\"", qPrintable(name), qPrintable(displayName),
            qPrintable(m_sender ? m_sender->toString() : QString()), qPrintable(m_datagram.left(64)));
    if (m_context.isStatusNoticeOn())
        m_context.showNotice(quoted(displayName) + QStringLiteral(" is offline"));
}

void DatagramDispatcher::onChatNick(const QString &nick)
{
    ChatPort *chat = m_context.chat();
    if (!chat || chat->hasParticipant(nick) || nick == chat->ownNick())
        return;
    if (chat->addParticipant(nick) && chat->isJoined())
        m_context.broadcast(u'Z' + chat->ownNick());
}
