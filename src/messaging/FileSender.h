#pragma once

#include "MessageSender.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QFile;
class TStrmClient;

// Sends files one after another over the stream channel; a second send while
// one runs waits its turn. The file is read in chunks as it goes out.
class FileSender : public QObject
{
    Q_OBJECT

public:
    // Why a file cannot go out; found before any connection is made.
    enum class Refusal { None, CannotOpen, PathTooLong, TooLarge };
    enum class Result { Sent, Failed, Cancelled };
    using Done = std::function<void(Result result, const QString &error)>;

    explicit FileSender(QObject *parent = nullptr);
    ~FileSender() override;

    // For tests: where peers listen.
    void setPort(quint16 port);
    // The client for recipients that `prepare` claims (it readies the client
    // for them and says true); the others go the open way. A claimed send that
    // fails is reported as failed, never repeated in the open.
    void setSecureClient(TStrmClient *client, std::function<bool(const Recipient &recipient)> prepare);

    // The path as it travels: with backslashes, since receivers (Windows ones
    // included) keep only what follows the last one.
    static QString wirePath(const QString &localPath);
    // What the stream format cannot carry: a wire path over 9,999 bytes, a size of 2 GiB or more.
    static Refusal check(const QString &wirePath, qint64 size);
    // The file opened for sending, or null with the reason; for CannotOpen,
    // *error holds the system's text.
    static std::unique_ptr<QFile> open(const QString &localPath, Refusal *refusal, QString *error);

    // Sent means acknowledged by the receiver; a receiver that closes without
    // acknowledging has not taken the file.
    void send(const Recipient &recipient, std::unique_ptr<QFile> file, Done done);
    // Ends the running send; its done() reports Cancelled.
    void cancel();
    bool isBusy() const { return !m_jobs.empty(); }

Q_SIGNALS:
    // A send begins: the local path, the recipient's display name and the size.
    void started(const QString &localPath, const QString &recipient, qint64 size);
    void progress(qint64 sent, qint64 total);

private:
    struct Job {
        Recipient recipient;
        std::unique_ptr<QFile> file;
        Done done;
    };

    void postNext();
    void onEnded(Result result, const QString &error);

    void watch(TStrmClient *client);

    TStrmClient *m_client;
    TStrmClient *m_secureClient = nullptr;
    TStrmClient *m_active; // the client of the running send
    std::function<bool(const Recipient &recipient)> m_prepareSecure;
    std::deque<Job> m_jobs;
    bool m_cancelling = false;
};
