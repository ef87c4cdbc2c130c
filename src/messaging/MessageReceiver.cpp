#include "MessageReceiver.h"

#include "AsciiCase.h"
#include "AutoAnswerTexts.h"
#include "IncomingEntry.h"
#include "OptionsStore.h"
#include "ReceiveAnnouncement.h"
#include "ReceiveHost.h"
#include "SystemFormats.h"

#include <QCoreApplication>
#include <QTime>

namespace {

QString quotedUpper(const QString &name)
{
    return u'"' + AsciiCase::upper(name) + u'"';
}

QDateTime momentOf(const QDateTime &arrived)
{
    return arrived.isValid() ? arrived : QDateTime::currentDateTime();
}

} // namespace

// Acknowledged before the program failed and shown only now: the user sees when it came.
QString MessageReceiver::recoveredMark(const Incoming &message)
{
    if (!message.arrived.isValid())
        return {};
    return QCoreApplication::translate("MessageReceiver", "  [получено до сбоя программы, %1]")
        .arg(ShownFormats::dateTime(message.arrived));
}

MessageReceiver::MessageReceiver(ReceiveHost &host, const OptionsStore &options)
    : m_host(host)
    , m_options(options)
{
}

void MessageReceiver::receive(const QString &fromName, const QString &text, const QString &peerAddress,
                              IncomingEntry::Origin origin, quint64 ticket)
{
    m_queue.push_back({fromName, text, peerAddress, origin, ticket, {}, false});
    if (!m_busy)
        processNext();
}

void MessageReceiver::processNext()
{
    while (!m_busy && !m_queue.empty()) {
        const Incoming message = m_queue.front();
        m_queue.pop_front();
        const QString displayName = m_host.displayName(message.fromName);
        if (m_host.isBlacklisted(displayName)) {
            m_host.settle(message.ticket);
            continue;
        }
        if (!m_options.isOn(Option::AutoAnswer)) {
            announce(message, displayName);
            show(message, displayName);
            m_host.settle(message.ticket);
            continue;
        }
        m_busy = true;
        m_answering = message.ticket;
        const QString reply = AutoAnswerTexts::reply(m_host.autoAnswerText());
        m_host.postReply(message.fromName, message.peerAddress, reply, [this, message, displayName](bool delivered) {
            if (delivered)
                afterReply(message, displayName);
            else
                m_host.reportReceiveError();
            m_host.settle(std::exchange(m_answering, 0)); // unless the program's end settled it
            finish();
        });
    }
}

void MessageReceiver::recordPending(const QList<ReceivedMessage> &later)
{
    // Answered, so never for the history: nothing is left of it for a next start.
    m_host.settle(std::exchange(m_answering, 0));
    for (const ReceivedMessage &message : later)
        m_queue.push_back({message.fromName, message.text, message.peer.toString(), {}, message.ticket, {}, false});
    const bool recorded = !m_options.isOn(Option::AutoAnswer) && m_options.isOn(Option::History);
    while (!m_queue.empty()) {
        const Incoming message = std::move(m_queue.front());
        m_queue.pop_front();
        const QString displayName = m_host.displayName(message.fromName);
        if (recorded && !m_host.isBlacklisted(displayName))
            m_host.writeHistory(message.text, displayName, m_host.ownName(), QDateTime::currentDateTime());
        m_host.settle(message.ticket);
    }
}

void MessageReceiver::replay(const QList<Recovered> &messages)
{
    for (const Recovered &recovered : messages) {
        const Incoming message{recovered.fromName, recovered.text, recovered.peerAddress, recovered.origin,
                               recovered.ticket, recovered.arrived, recovered.logged};
        const QString displayName = m_host.displayName(message.fromName);
        if (!m_host.isBlacklisted(displayName)) {
            if (m_options.isOn(Option::AutoAnswer)) {
                afterReply(message, displayName);
            } else {
                announce(message, displayName);
                show(message, displayName);
            }
        }
        m_host.settle(message.ticket);
    }
}

void MessageReceiver::afterReply(const Incoming &message, const QString &displayName)
{
    m_host.markAutoAnswered();
    if (!m_options.isOn(Option::ReceiveWhileAnswering)) {
        IncomingEntry entry;
        entry.kind = IncomingEntry::Kind::MissedWhileAnswering;
        entry.origin = message.origin;
        // Shown only; the history keeps its own entry.
        entry.header = QCoreApplication::translate("MessageReceiver", "Было сообщение от  %1. Время: %2")
                           .arg(quotedUpper(displayName), ShownFormats::longTime(momentOf(message.arrived).time()))
                       + recoveredMark(message);
        m_host.showIncoming(entry);
        return;
    }
    show(message, displayName);
}

void MessageReceiver::finish()
{
    m_busy = false;
    processNext();
}

void MessageReceiver::announce(const Incoming &message, const QString &displayName)
{
    if (m_options.isOn(Option::History) && !message.logged)
        m_host.writeHistory(message.text, displayName, m_host.ownName(), momentOf(message.arrived));
    ReceiveAnnouncement announcement;
    announcement.sound = m_options.isOn(Option::Sound);
    announcement.blinkTray = m_options.isOn(Option::TrayInsteadOfWindow);
    announcement.showWindow = !announcement.blinkTray;
    if (m_options.isOn(Option::Popup))
        announcement.popupFor = displayName;
    announcement.ringFloatingWindow = m_options.isOn(Option::FloatingWindow);
    announcement.clearIncoming = m_options.isOn(Option::ClearIncomingOnNew);
    m_host.announce(announcement);
}

void MessageReceiver::show(const Incoming &message, const QString &displayName)
{
    IncomingEntry entry;
    if (m_options.isOn(Option::TimeInHeader)) {
        entry.header = QCoreApplication::translate("MessageReceiver", ">>Сообщение от  %1<<  %2")
                           .arg(quotedUpper(displayName), ShownFormats::longTime(momentOf(message.arrived).time()));
    } else {
        entry.header = QCoreApplication::translate("MessageReceiver", ">>Сообщение от  %1").arg(displayName);
    }
    entry.header += recoveredMark(message);
    entry.text = message.text;
    entry.origin = message.origin;
    entry.smileys = m_options.isOn(Option::Smileys);
    entry.scrollToEnd = m_options.isOn(Option::ScrollToEnd);
    m_host.showIncoming(entry);
}
