#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class TMsgClient;

struct Recipient
{
    QString host;         // what the contact list holds: a computer name or an address
    QString displayName;  // what the user sees, and what the history records
    QString fallbackHost; // where the computer announced itself from, if known
};

// Posts a message to its recipients strictly one after another. A second
// send while one runs waits its turn, so clicks never collide on the wire.
class MessageSender : public QObject
{
    Q_OBJECT

public:
    using RecipientDone = std::function<void(const Recipient &recipient, bool delivered)>;
    using Finished = std::function<void()>;

    explicit MessageSender(QObject *parent = nullptr);
    ~MessageSender() override;

    // For tests: where peers listen.
    void setPort(quint16 port);

    void send(const QString &fromName, const QList<Recipient> &recipients, const QString &text,
              RecipientDone each, Finished finished);
    bool isBusy() const { return !m_jobs.empty(); }

private:
    struct Job {
        QString fromName;
        QList<Recipient> recipients;
        QString text;
        RecipientDone each;
        Finished finished;
        qsizetype next = 0;
    };

    void postNext();
    void onPosted(bool delivered);

    TMsgClient *m_client;
    std::deque<Job> m_jobs;
};
