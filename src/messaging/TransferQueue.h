#pragma once

#include "MessageSender.h"
#include "TransferList.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QFile;
class QTemporaryDir;
class TStrmClient;

// Files and folders going out, each as its own stream. Files to one contact
// go one after another on that contact's lane; lanes of different contacts
// run side by side, at most maxLanes() at a time. A folder is packed into a
// ZIP archive off the GUI thread when its turn comes; the archive lies in a
// private temporary folder and is removed once sent, failed or cancelled.
// Every transfer is a row of the TransferList given.
class TransferQueue : public QObject
{
    Q_OBJECT

public:
    enum class Result { Sent, Failed, Cancelled };
    using Done = std::function<void(Result result, const QString &error)>;

    static constexpr int kDefaultLanes = 4;

    TransferQueue(TransferList &list, QObject *parent = nullptr);
    ~TransferQueue() override;

    void setPort(quint16 port) { m_port = port; }
    void setMaxLanes(int lanes) { m_maxLanes = qMax(1, lanes); }
    int maxLanes() const { return m_maxLanes; }
    // Where archives are built; empty: the system's temporary folder.
    void setArchiveFolder(const QString &folder) { m_archiveFolder = folder; }
    // For the stream header: our computer's name goes before a file's name
    // instead of its local path (the command line's way); empty: the local path.
    void setSenderName(const QString &name) { m_senderName = name; }
    // Makes the client of a contact's lane: a secure one for a contact with a
    // pinned key, ready with its port and expected key; nullptr: the open
    // channel on setPort()'s port.
    using ClientFactory = std::function<std::unique_ptr<TStrmClient>(const Recipient &recipient)>;
    void setClientFactory(ClientFactory factory) { m_makeClient = std::move(factory); }

    // Queues a file or a folder for `recipient`; returns its transfer id.
    // What the stream format cannot carry (a file of 2 GiB or more, a path
    // over 9,999 bytes, something that is neither file nor folder) fails at
    // once, before any connection; `done` is always called, later.
    int add(const Recipient &recipient, const QString &path, Done done = nullptr);
    // Ends a transfer: a waiting one never starts, a running one is cut off
    // (the receiver keeps nothing of it).
    void cancel(int id);
    // A failed transfer may go again, as a new transfer with the same file
    // (or folder) for the same contact; the last kept failures are remembered.
    bool canRetry(int id) const { return m_failed.contains(id); }
    // The new transfer's id; 0 when `id` cannot go again.
    int retry(int id);
    // Transfers not yet finished.
    int active() const { return int(m_items.size()); }
    bool isBusy() const { return !m_items.empty(); }
    int runningLanes() const { return m_running; }

    // The wire name of a local path: backslashes, since receivers (Windows
    // ones included) keep only what follows the last one.
    static QString wirePath(const QString &localPath);

Q_SIGNALS:
    // A transfer begins to send (after packing, for a folder).
    void started(int id);
    void progress(int id, qint64 sent, qint64 total);
    void ended(int id, Result result, const QString &error);
    // A transfer for a contact with a pinned key failed on the secure
    // channel; nothing of it went in the open. Comes just before ended().
    void secureSendFailed(int id, const Recipient &recipient, const QString &path, const QString &error);

private:
    struct Item;
    struct Lane;
    class Packer;

    int enqueue(std::unique_ptr<Item> item);
    void schedule();
    void startNext(Lane &lane);
    void post(Lane &lane, Item &item, std::unique_ptr<QFile> file, const QString &wireName);
    void packed(int id, bool ok, const QString &archive, const QString &error);
    void end(int id, Result result, const QString &error);
    Item *find(int id);
    Lane &laneFor(const Recipient &recipient);
    void attachClient(Lane &lane, std::unique_ptr<TStrmClient> client);
    void failOnLane(Lane &lane, const QString &error);
    QString archiveFolder();

    TransferList &m_list;
    quint16 m_port = 711;
    ClientFactory m_makeClient;
    int m_maxLanes = kDefaultLanes;
    int m_running = 0;
    QString m_archiveFolder;
    QString m_senderName;
    std::unique_ptr<QTemporaryDir> m_archives;
    std::deque<std::unique_ptr<Item>> m_items; // in the order they were added
    QHash<QString, std::shared_ptr<Lane>> m_lanes;
    struct Failed
    {
        Recipient recipient;
        QString path;
    };
    QMap<int, Failed> m_failed; // by id, oldest first
};
