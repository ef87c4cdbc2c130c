#include "MessageReceiver.h"

#include "AsciiCase.h"
#include "AutoAnswerTexts.h"
#include "IncomingView.h"
#include "ReceiveHost.h"
#include "SmileyMatcher.h"
#include "SmileyTable.h"
#include "SystemFormats.h"

#include <QTime>

namespace {

enum Option {
    kTrayInsteadOfWindow = 1,
    kClearOnNew = 3,
    kTimeInHeader = 5,
    kAutoAnswer = 6,
    kSound = 10,
    kPopup = 11,
    kSmileys = 14,
    kHistory = 15,
    kScrollToEnd = 16,
    kFloatingWindow = 17,
    kReceiveWhileAnswering = 19,
};

QString quotedUpper(const QString &name)
{
    return u'"' + AsciiCase::upper(name) + u'"';
}

} // namespace

MessageReceiver::MessageReceiver(ReceiveHost &host)
    : m_host(host)
{
}

void MessageReceiver::receive(const QString &fromName, const QString &text, const QString &peerAddress)
{
    m_queue.push_back({fromName, text, peerAddress});
    if (!m_busy)
        processNext();
}

void MessageReceiver::processNext()
{
    while (!m_busy && !m_queue.empty()) {
        const Incoming message = m_queue.front();
        m_queue.pop_front();
        const QString displayName = m_host.displayName(message.fromName);
        if (m_host.isBlacklisted(displayName))
            continue;
        if (!m_host.option(kAutoAnswer)) {
            announce(message, displayName);
            show(message, displayName);
            continue;
        }
        m_busy = true;
        const QString reply = AutoAnswerTexts::reply(m_host.autoAnswerText());
        m_host.postReply(message.fromName, message.peerAddress, reply, [this, message, displayName](bool delivered) {
            if (delivered)
                afterReply(message, displayName);
            else
                m_host.reportReceiveError();
            finish();
        });
    }
}

void MessageReceiver::recordPending(const QList<ReceivedMessage> &later)
{
    for (const ReceivedMessage &message : later)
        m_queue.push_back({message.fromName, message.text, message.peer.toString()});
    const bool recorded = !m_host.option(kAutoAnswer) && m_host.option(kHistory);
    while (!m_queue.empty()) {
        const Incoming message = std::move(m_queue.front());
        m_queue.pop_front();
        const QString displayName = m_host.displayName(message.fromName);
        if (recorded && !m_host.isBlacklisted(displayName))
            m_host.writeHistory(message.text, displayName, m_host.ownName());
    }
}

void MessageReceiver::afterReply(const Incoming &message, const QString &displayName)
{
    m_host.markAutoAnswered();
    if (!m_host.option(kReceiveWhileAnswering)) {
        IncomingView &view = m_host.incomingView();
        const IncomingView::Entry entry(view);
        view.beginMessage();
        view.appendLine(QStringLiteral("Было сообщение от  ") + quotedUpper(displayName)
                        + QStringLiteral(". Время: ") + SystemFormats::longTime(QTime::currentTime()));
        view.appendLine(QString());
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
    if (m_host.option(kHistory))
        m_host.writeHistory(message.text, displayName, m_host.ownName());
    if (m_host.option(kSound))
        m_host.playSound();
    if (m_host.option(kTrayInsteadOfWindow))
        m_host.startTrayBlinking();
    else
        m_host.showMainWindow();
    if (m_host.option(kPopup))
        m_host.armPopup(displayName);
    if (m_host.option(kFloatingWindow))
        m_host.ringFloatingWindow();
    if (m_host.option(kClearOnNew))
        m_host.incomingView().clear();
}

void MessageReceiver::show(const Incoming &message, const QString &displayName)
{
    IncomingView &view = m_host.incomingView();
    {
        // One layout for the whole message, however many pieces it has.
        const IncomingView::Entry entry(view);
        view.beginMessage();
        if (m_host.option(kTimeInHeader)) {
            view.appendLine(QStringLiteral(">>Сообщение от  ") + quotedUpper(displayName) + QStringLiteral("<<  ")
                            + SystemFormats::longTime(QTime::currentTime()));
        } else {
            view.appendLine(QStringLiteral(">>Сообщение от  ") + displayName);
        }
        if (!m_host.option(kSmileys)) {
            view.appendText(message.text);
        } else {
            for (const SmileyPiece &piece : splitSmileys(message.text)) {
                if (!piece.isSmiley())
                    view.insertText(piece.text());
                else
                    view.insertPicture(SmileyTable::picture(piece.row()), piece.text());
            }
            view.insertLineBreak();
        }
    }
    // After the entry: the view has been laid out, so its end is known.
    if (m_host.option(kScrollToEnd))
        m_host.scrollIncomingToEnd();
    if (m_host.option(kSmileys))
        view.appendLine(QString());
}
