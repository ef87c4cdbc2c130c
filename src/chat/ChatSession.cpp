#include "ChatSession.h"

#include "ChatDatagrams.h"
#include "ChatPause.h"
#include "Logging.h"

ChatSession::ChatSession(QString ownName, Broadcast broadcast, std::unique_ptr<ChatPause> pause, QObject *parent)
    : QObject(parent)
    , m_ownName(std::move(ownName))
    , m_broadcast(std::move(broadcast))
    , m_pause(pause ? std::move(pause) : std::make_unique<TimerPause>())
{
}

ChatSession::~ChatSession()
{
    m_pause->cancel();
}

void ChatSession::join()
{
    run(Request::Join);
}

void ChatSession::leave()
{
    run(Request::Leave);
}

void ChatSession::run(Request request)
{
    if (m_closing)
        return;
    if (isBusy()) {
        m_waiting = request;
        return;
    }
    request == Request::Join ? runJoin() : runLeave();
}

void ChatSession::runJoin()
{
    if (m_nick.isEmpty()) {
        Q_EMIT joinRefused(Refusal::NoNick);
        return;
    }
    // The leave notice is the longest text a nick goes into: a nick that
    // would not fit could join but never say goodbye.
    if (!ChatDatagrams::fits(ChatDatagrams::leaveNotice(m_nick))) {
        Q_EMIT joinRefused(Refusal::NickTooLong);
        return;
    }
    m_joined = true;
    Q_EMIT joinedChanged(true);
    startSequence({ChatDatagrams::joined(m_nick), ChatDatagrams::inChat(m_ownName),
                   ChatDatagrams::joinNotice(m_nick)});
}

void ChatSession::runLeave()
{
    const bool wasJoined = std::exchange(m_joined, false);
    clearParticipants();
    if (wasJoined)
        Q_EMIT joinedChanged(false);
    startSequence({ChatDatagrams::left(m_nick), ChatDatagrams::outOfChat(m_ownName),
                   ChatDatagrams::leaveNotice(m_nick)});
}

void ChatSession::startSequence(const QStringList &datagrams)
{
    // Texts are fixed now: the nick field is free again during a leave.
    m_due = datagrams;
    Q_EMIT busyChanged(true);
    sendNextDue();
}

void ChatSession::sendNextDue()
{
    m_broadcast(m_due.takeFirst());
    if (m_due.isEmpty()) {
        sequenceEnded();
        return;
    }
    m_pause->start(kPause, [this] { sendNextDue(); });
}

void ChatSession::sequenceEnded()
{
    Q_EMIT busyChanged(false);
    if (m_closing) {
        finishClose();
        return;
    }
    if (const std::optional<Request> next = std::exchange(m_waiting, std::nullopt))
        run(*next);
}

void ChatSession::close()
{
    if (m_closing || m_closed)
        return;
    m_closing = true;
    m_waiting.reset();
    if (!isBusy())
        finishClose();
}

void ChatSession::finishClose()
{
    if (m_joined) {
        // Closing was set before: the leave's end comes back here, not joined.
        runLeave();
        return;
    }
    m_closed = true;
    Q_EMIT closed();
}

void ChatSession::finishNow()
{
    if (m_closed)
        return;
    m_closing = true;
    m_waiting.reset();
    m_pause->cancel();
    QStringList due = std::exchange(m_due, {});
    if (m_joined) {
        m_joined = false;
        clearParticipants();
        Q_EMIT joinedChanged(false);
        due << ChatDatagrams::left(m_nick) << ChatDatagrams::outOfChat(m_ownName)
            << ChatDatagrams::leaveNotice(m_nick);
    }
    for (const QString &datagram : std::as_const(due))
        m_broadcast(datagram);
    m_closed = true;
    Q_EMIT closed();
}

ChatSession::SendResult ChatSession::sendLine(const QString &text, const QTime &time, int *wireSize)
{
    if (!m_joined)
        return SendResult::NotJoined;
    if (text.isEmpty())
        return SendResult::Empty;
    const QString datagram = ChatDatagrams::line(time, m_nick, text);
    const int size = ChatDatagrams::wireSize(datagram);
    if (wireSize)
        *wireSize = size;
    if (size > ChatDatagrams::kMaxBytes)
        return SendResult::TooLong;
    m_broadcast(datagram);
    return SendResult::Sent;
}

bool ChatSession::hasParticipant(const QString &nick) const
{
    return m_participantSet.contains(nick);
}

bool ChatSession::addParticipant(const QString &nick)
{
    if (nick == m_nick || hasParticipant(nick))
        return false;
    const int row = m_participants.rowCount();
    if (row >= kMaxParticipants) {
        if (!std::exchange(m_fullReported, true))
            qCWarning(lcZavolin, "The chat participants list is full (%d nicks): further nicks are ignored",
                      kMaxParticipants);
        return false;
    }
    m_participantSet.insert(nick);
    m_participants.insertRows(row, 1);
    m_participants.setData(m_participants.index(row), nick);
    return true;
}

void ChatSession::removeParticipant(const QString &nick)
{
    if (!m_participantSet.remove(nick))
        return;
    const int row = int(m_participants.stringList().indexOf(nick));
    if (row >= 0)
        m_participants.removeRows(row, 1);
}

void ChatSession::clearParticipants()
{
    m_participantSet.clear();
    m_participants.setStringList({});
}

void ChatSession::appendLine(const QString &line)
{
    if (m_joined)
        Q_EMIT lineArrived(line);
}
