#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

struct IncomingEntry;
struct ReceiveAnnouncement;

// What the receive operation needs from the rest of the program.
class ReceiveHost
{
public:
    virtual ~ReceiveHost() = default;

    virtual QString ownName() const = 0;
    virtual QString displayName(const QString &fromName) const = 0;
    virtual bool isBlacklisted(const QString &displayName) const = 0;
    // The answer in use; its default applies only while the key is missing.
    virtual QString autoAnswerText() const = 0;
    // Sends the auto-answer reply; done(true) once it has been acknowledged.
    virtual void postReply(const QString &host, const QString &fallbackHost, const QString &text,
                           std::function<void(bool delivered)> done) = 0;
    virtual void markAutoAnswered() = 0; // tray and floating window hints
    virtual void writeHistory(const QString &text, const QString &from, const QString &to,
                              const QDateTime &moment) = 0;
    // The message of `ticket` is written to the history or goes nowhere: what
    // kept it against a crash may let it go (0: nothing kept it).
    virtual void settle(quint64 ticket) = 0;
    virtual void announce(const ReceiveAnnouncement &announcement) = 0;
    virtual void showIncoming(const IncomingEntry &entry) = 0;
    virtual void reportReceiveError() = 0;
};
