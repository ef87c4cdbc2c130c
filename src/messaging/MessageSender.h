#pragma once

#include <QList>
#include <QMetaType>
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
    // Open: the plain channel even where a key is pinned (the user chose it for this message).
    enum class Channel { Any, Open } channel = Channel::Any;
    // Filled in the result: the message went, or was to go, over the secure channel.
    bool secured = false;
    // Filled in a failed result: why, in the user's words.
    QString failure = QString();
};
Q_DECLARE_METATYPE(Recipient)

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
    // The client for recipients that `prepare` claims (it readies the client
    // for them, where to connect included, and says true); the others go the open way.
    void setSecureClient(TMsgClient *client, std::function<bool(const Recipient &recipient)> prepare);

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
    void onPosted(bool delivered, const QString &failure = QString());

    TMsgClient *m_client;
    TMsgClient *m_secureClient = nullptr;
    std::function<bool(const Recipient &recipient)> m_prepareSecure;
    bool m_postingSecurely = false;
    std::deque<Job> m_jobs;
};
