// The receive journal's part of the messenger: every message is recorded
// before its acknowledgement, and what a crash left unsettled is received
// again at the next start.
#include "Messenger.h"

#include "HistoryTail.h"
#include "Logging.h"

#include <limits>

namespace {

const QString kJournalError = QStringLiteral("journal");

} // namespace

std::optional<quint64> Messenger::recordArrival(QByteArrayView fromName, QByteArrayView text,
                                                const QHostAddress &peer, const QString &peerKey)
{
    // Without the history nothing of a message is kept on disk, and nothing here either.
    if (!m_options.isOn(Option::History) || !m_journal.isAvailable())
        return 0;
    if (m_journal.isFull())
        return std::nullopt; // receiving has fallen far behind: senders wait
    const quint64 ticket = m_journal.record(fromName, text, peer, peerKey);
    if (ticket == 0) {
        // Refused, the sender can keep it for later; acknowledged, it would be lost.
        if (!std::exchange(m_journalFailed, true))
            Q_EMIT errorOccurred(kJournalError,
                                 tr("Сообщения не принимаются: не удаётся записать файл %1 (%2). "
                                                "Отправители получают ошибку отправки и могут повторить позже.")
                                     .arg(m_journal.activePath(), m_journal.errorString()));
        return std::nullopt;
    }
    if (std::exchange(m_journalFailed, false))
        Q_EMIT errorResolved(kJournalError);
    return ticket;
}

void Messenger::settle(quint64 ticket)
{
    // Settled once its history entry, or any entry before it, is written.
    if (m_history.hasPending() || !m_settleAfterHistory.isEmpty())
        m_settleAfterHistory.append(ticket);
    else
        m_journal.settle(ticket);
}

void Messenger::replayJournal()
{
    const QList<ReceiveJournal::Message> left = m_journal.takeUnsettled();
    if (left.isEmpty())
        return;
    qint64 from = std::numeric_limits<qint64>::max();
    for (const ReceiveJournal::Message &message : left)
        from = std::min(from, message.historyFrom);
    // The tail is read from the file: what waits to be written goes there first.
    flushHistory();
    HistoryTail tail(m_history.path(), from);
    if (m_secure)
        m_secure->trust().setOwnName(m_ownName);
    QList<MessageReceiver::Recovered> recovered;
    for (const ReceiveJournal::Message &message : left) {
        // Written just before the run ended, or cut short as it was killed:
        // not written again. Shown all the same: the view shows a message a
        // frame later, and the crash may have come first.
        const QByteArray body = HistoryLog::entryBody(message.text, displayName(message.fromName), m_ownName);
        bool logged = tail.take(body, message.historyFrom);
        if (!logged) {
            const QByteArray rest = tail.missingEnd(body, message.historyFrom);
            logged = !rest.isEmpty() && m_history.complete(rest) == HistoryLog::Result::Written;
        }
        auto origin = IncomingEntry::Origin::Open;
        if (m_secure) {
            const KeyTrust::Sender sender = m_secure->trust().classify(message.fromName, message.peerKey);
            if (sender.origin == KeyTrust::Origin::Secure)
                origin = sender.level == TrustLevel::Compared ? IncomingEntry::Origin::Compared
                                                              : IncomingEntry::Origin::Secure;
            else if (sender.origin == KeyTrust::Origin::Unverified)
                origin = IncomingEntry::Origin::Unverified;
        }
        recovered.append({message.fromName, message.text, message.peer.toString(), origin, message.arrived,
                          message.ticket, logged});
    }
    qCInfo(lcZavolin, "%lld messages acknowledged before the last run ended are received now",
           qlonglong(recovered.size()));
    m_receiver.replay(recovered);
    // What the last run left goes to the history at once, not with the next messages.
    flushHistory();
}
