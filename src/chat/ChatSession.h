#pragma once

#include "ChatPause.h"
#include "PresenceContext.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QStringListModel>
#include <QTime>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// One chat window's part in the group chat, without the window: the own nick,
// whether the user has joined, the other participants, and the join and leave
// sequences, whose three datagrams go out with a pause between them.
//
// Sequences never overlap. A join or leave asked for while one is being sent
// is remembered (only the last such request) and carried out once it has
// ended; a close waits for it, forgets a remembered request, leaves when
// joined and then reports closed(). At the end of the program finishNow()
// sends whatever is still due at once, since nothing may hold up an exit.
class ChatSession : public QObject, public ChatPort
{
    Q_OBJECT

public:
    using Broadcast = std::function<void(const QString &datagram)>;

    static constexpr std::chrono::milliseconds kPause{500};
    // Nicks from the network beyond this many are ignored.
    static constexpr int kMaxParticipants = 4096;

    // ownName goes into the in-chat datagrams; broadcast sends one datagram.
    // Without a pause, a precise timer paces the sequences.
    ChatSession(QString ownName, Broadcast broadcast, std::unique_ptr<ChatPause> pause = {},
                QObject *parent = nullptr);
    ~ChatSession() override;

    // The nick field's text. The window keeps it fixed while joined.
    void setNick(const QString &nick) { m_nick = nick; }

    void join();
    void leave();
    void close();
    void finishNow();

    // A join or leave sequence is being sent.
    bool isBusy() const { return !m_due.isEmpty(); }
    bool isClosing() const { return m_closing; }
    bool isClosed() const { return m_closed; }

    enum class SendResult { Sent, NotJoined, Empty, TooLong };
    // The datagram's size is told through *wireSize when asked for.
    SendResult sendLine(const QString &text, const QTime &time, int *wireSize = nullptr);

    QStringList participants() const { return m_participants.stringList(); }
    QStringListModel *participantsModel() { return &m_participants; }

    // ChatPort
    bool isJoined() const override { return m_joined; }
    QString ownNick() const override { return m_nick; }
    bool hasParticipant(const QString &nick) const override;
    bool addParticipant(const QString &nick) override;
    void removeParticipant(const QString &nick) override;
    void appendLine(const QString &line) override;

    enum class Refusal { NoNick, NickTooLong };

Q_SIGNALS:
    void joinedChanged(bool joined);
    // A join that could not be made; the user stays out of the chat.
    void joinRefused(ChatSession::Refusal why);
    // A line for the log, from a joined session only.
    void lineArrived(const QString &line);
    void busyChanged(bool busy);
    // The close (or finishNow) has sent all it had to; the window may go.
    void closed();

private:
    enum class Request { Join, Leave };
    void run(Request request);
    void runJoin();
    void runLeave();
    void startSequence(const QStringList &datagrams);
    void sendNextDue();
    void sequenceEnded();
    void finishClose();
    void clearParticipants();

    QString m_ownName;
    Broadcast m_broadcast;
    std::unique_ptr<ChatPause> m_pause;
    QString m_nick;
    bool m_joined = false;
    QStringListModel m_participants; // in order of arrival
    QSet<QString> m_participantSet;   // the same nicks, looked up without a walk through the list
    bool m_fullReported = false;
    // Datagrams of the running sequence not yet sent.
    QStringList m_due;
    std::optional<Request> m_waiting;
    bool m_closing = false;
    bool m_closed = false;
};
