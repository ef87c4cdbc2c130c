#include "TransferQueue.h"

#include "FailureReason.h"
#include "FileSender.h"
#include "FolderArchive.h"
#include "StreamFrame.h"
#include "StrmChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>

namespace {

// Kept in the source language, without figures, so that the transfers list
// shows it in the language of the interface.
QString tooLargeFolderText()
{
    return QString::fromUtf8(
        QT_TRANSLATE_NOOP("FailureReason", "папка больше 2 ГБ, а передать можно только архив меньше 2 ГБ"));
}

} // namespace

// Packs one folder on a thread of its own; the answer comes back on the
// queue's thread. Destroying it stops the packing and waits for the thread,
// which ends within one chunk.
class TransferQueue::Packer
{
public:
    Packer(TransferQueue *queue, int id, const QString &folder, const QString &target)
    {
        const QPointer<TransferQueue> owner(queue);
        m_thread.reset(QThread::create([owner, id, folder, target, cancel = m_cancel] {
            QString error;
            bool ok = false;
            const qint64 content = FolderArchive::contentSize(folder, &error, cancel.get());
            if (content > StreamFrame::kMaxCount) {
                error = tooLargeFolderText(); // refused before a byte is written
            } else if (content >= 0 && FolderArchive::write(folder, target, cancel.get(), &error)) {
                const qint64 size = QFileInfo(target).size();
                ok = size <= StreamFrame::kMaxCount;
                if (!ok) {
                    error = tooLargeFolderText();
                    QFile::remove(target);
                }
            }
            if (cancel->load())
                return;
            QMetaObject::invokeMethod(
                owner.get(), [owner, id, ok, target, error] {
                    if (owner)
                        owner->packed(id, ok, target, error);
                },
                Qt::QueuedConnection);
        }));
        m_thread->start(QThread::LowPriority);
    }

    ~Packer()
    {
        m_cancel->store(true);
        m_thread->wait();
    }

private:
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<QThread> m_thread;
};

struct TransferQueue::Item
{
    int id = 0;
    Recipient recipient;
    QString path;
    bool folder = false;
    Done done;
    QString archive; // the built archive, removed when the transfer ends
    std::unique_ptr<Packer> packer;
    bool cancelling = false;
};

struct TransferQueue::Lane
{
    std::unique_ptr<TStrmClient> client;
    bool secure = false; // the client brought its own port
    bool anyChannel = true; // not a lane of files the user asked to go openly
    std::deque<int> waiting;
    int current = 0;
};

TransferQueue::TransferQueue(TransferList &list, QObject *parent)
    : QObject(parent)
    , m_list(list)
{
}

TransferQueue::~TransferQueue()
{
    // Packers first: their threads must end before the items they report on.
    for (const auto &item : m_items)
        item->packer.reset();
    m_lanes.clear();
}

QString TransferQueue::wirePath(const QString &localPath)
{
    return FileSender::wirePath(localPath);
}

int TransferQueue::add(const Recipient &recipient, const QString &path, Done done)
{
    auto item = std::make_unique<Item>();
    item->recipient = recipient;
    item->path = QFileInfo(path).absoluteFilePath();
    item->done = std::move(done);
    const QFileInfo info(path);
    QString refusal; // kept in Russian; the list shows it in the interface's language
    qint64 size = 0;
    QString name = info.fileName();
    if (info.isDir()) {
        item->folder = true;
        name = FolderArchive::archiveName(path);
    } else if (!info.exists()) {
        refusal = QString::fromUtf8(QT_TRANSLATE_NOOP("FailureReason", "файл не найден"));
    } else if (!info.isFile()) {
        refusal = QString::fromUtf8(QT_TRANSLATE_NOOP("FailureReason", "это не обычный файл"));
    } else {
        size = info.size();
        switch (FileSender::check(wirePath(path), size)) {
        case FileSender::Refusal::None:
        case FileSender::Refusal::CannotOpen:
            break;
        case FileSender::Refusal::PathTooLong:
            refusal = QString::fromUtf8(QT_TRANSLATE_NOOP("FailureReason", "путь длиннее 9999 байт"));
            break;
        case FileSender::Refusal::TooLarge:
            refusal = QString::fromUtf8(QT_TRANSLATE_NOOP("FailureReason", "файл больше 2 ГБ"));
            break;
        }
    }
    item->id = m_list.add(TransferList::Direction::Outgoing, name, recipient.displayName, item->path, size);
    if (!refusal.isEmpty()) {
        const int id = item->id;
        m_list.setState(id, TransferList::State::Failed, refusal);
        QMetaObject::invokeMethod(
            this, [this, id, refusal, done = std::move(item->done)] {
                Q_EMIT ended(id, Result::Failed, refusal);
                if (done)
                    done(Result::Failed, refusal);
            },
            Qt::QueuedConnection);
        return id;
    }
    return enqueue(std::move(item));
}

int TransferQueue::enqueue(std::unique_ptr<Item> item)
{
    const int id = item->id;
    laneFor(item->recipient).waiting.push_back(id);
    m_items.push_back(std::move(item));
    // Later, so that a caller adding several files sees them all queued first.
    QMetaObject::invokeMethod(this, &TransferQueue::schedule, Qt::QueuedConnection);
    return id;
}

TransferQueue::Lane &TransferQueue::laneFor(const Recipient &recipient)
{
    QString key = recipient.host.toUpper();
    if (recipient.channel == Recipient::Channel::Open)
        key += QStringLiteral("\topen");
    std::shared_ptr<Lane> &lane = m_lanes[key];
    if (lane)
        return *lane;
    lane = std::make_shared<Lane>();
    lane->anyChannel = recipient.channel == Recipient::Channel::Any;
    attachClient(*lane, nullptr);
    return *lane;
}

void TransferQueue::attachClient(Lane &lane, std::unique_ptr<TStrmClient> client)
{
    if (lane.client) {
        lane.client->disconnect(this);
        // It may be the one reporting the end that led here.
        lane.client.release()->deleteLater();
    }
    lane.secure = client != nullptr;
    lane.client = client ? std::move(client) : std::make_unique<TStrmClient>();
    Lane *raw = &lane;
    connect(lane.client.get(), &TTcpSock::packetSent, this, [this, raw](qint64 sent, qint64 total) {
        if (raw->current) {
            m_list.setProgress(raw->current, sent);
            Q_EMIT progress(raw->current, sent, total);
        }
    });
    connect(lane.client.get(), &TStrmClient::finished, this, [this, raw](const QByteArray &reply) {
        if (reply.isEmpty())
            failOnLane(*raw, QStringLiteral("The receiver closed without acknowledging"));
        else
            end(raw->current, Result::Sent, QString());
    });
    connect(lane.client.get(), &TStrmClient::failed, this, [this, raw](const QString &error) {
        failOnLane(*raw, error);
    });
}

void TransferQueue::failOnLane(Lane &lane, const QString &error)
{
    const Item *item = find(lane.current);
    if (item && item->cancelling) {
        end(lane.current, Result::Cancelled, error);
        return;
    }
    // Now, while the client still knows what the system said.
    const QString reason = FailureReason::russian(error, lane.client->lastSocketError());
    if (item && lane.secure)
        Q_EMIT secureSendFailed(item->id, item->recipient, item->path, reason);
    end(lane.current, Result::Failed, reason);
}

void TransferQueue::schedule()
{
    while (m_running < m_maxLanes) {
        // The lane whose next file was queued first goes first.
        Lane *next = nullptr;
        for (const auto &lane : std::as_const(m_lanes)) {
            if (lane->current || lane->waiting.empty())
                continue;
            if (!next || lane->waiting.front() < next->waiting.front())
                next = lane.get();
        }
        if (!next)
            return;
        startNext(*next);
    }
}

void TransferQueue::startNext(Lane &lane)
{
    const int id = lane.waiting.front();
    lane.waiting.pop_front();
    Item *item = find(id);
    if (!item)
        return;
    lane.current = id;
    ++m_running;
    if (item->folder) {
        // The packer first: whoever the new state reaches may cancel at once.
        item->packer = std::make_unique<Packer>(this, id, item->path,
                                                QDir(archiveFolder()).filePath(QStringLiteral("%1.zip").arg(id)));
        m_list.setState(id, TransferList::State::Packing);
        return;
    }
    auto file = std::make_unique<QFile>(item->path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        const QString error = file->errorString();
        QMetaObject::invokeMethod(this, [this, id, error] { end(id, Result::Failed, error); }, Qt::QueuedConnection);
        return;
    }
    post(lane, *item, std::move(file), wirePath(item->path));
}

void TransferQueue::post(Lane &lane, Item &item, std::unique_ptr<QFile> file, const QString &wireName)
{
    const int id = item.id;
    const qint64 size = file->size();
    // Made anew for each file: the contact's key may have been pinned, changed
    // or accepted, or its secure port announced, since the last one.
    // A file for a contact that was asked to go openly this once never shares
    // a lane's secure client.
    if (m_makeClient && lane.anyChannel) {
        std::unique_ptr<TStrmClient> fresh = m_makeClient(item.recipient);
        if (fresh || lane.secure)
            attachClient(lane, std::move(fresh));
    }
    if (!lane.secure) { // a secure client was told where its key proved itself
        lane.client->setPort(m_port);
        lane.client->setHost(item.recipient.host);
        lane.client->setFallbackHost(item.recipient.fallbackHost);
    }
    QString fromName = wireName;
    if (!m_senderName.isEmpty())
        fromName = QStringLiteral("\\\\") + m_senderName + u'\\' + fromName.mid(fromName.lastIndexOf(u'\\') + 1);
    lane.client->setFromName(fromName);
    // Posted first (it never reports within the call), so that whoever the
    // new state reaches may cancel it at once.
    lane.client->postStream(std::move(file));
    m_list.setSize(id, size);
    m_list.setState(id, TransferList::State::Sending);
    Q_EMIT started(id);
}

void TransferQueue::packed(int id, bool ok, const QString &archive, const QString &error)
{
    Item *item = find(id);
    if (!item)
        return;
    item->packer.reset();
    if (!ok) {
        end(id, Result::Failed, error);
        return;
    }
    item->archive = archive;
    auto file = std::make_unique<QFile>(archive);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        end(id, Result::Failed, file->errorString());
        return;
    }
    Lane &lane = laneFor(item->recipient);
    post(lane, *item, std::move(file), wirePath(item->path) + QStringLiteral(".zip"));
}

void TransferQueue::cancel(int id)
{
    Item *item = find(id);
    if (!item)
        return;
    Lane &lane = laneFor(item->recipient);
    if (lane.current != id) {
        std::erase(lane.waiting, id);
        end(id, Result::Cancelled, QString());
        return;
    }
    if (item->packer) {
        item->packer.reset();
        end(id, Result::Cancelled, QString());
        return;
    }
    item->cancelling = true;
    lane.client->cancel();
}

void TransferQueue::end(int id, Result result, const QString &error)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(), [id](const auto &item) { return item->id == id; });
    if (it == m_items.end())
        return;
    std::unique_ptr<Item> item = std::move(*it);
    m_items.erase(it);
    item->packer.reset();
    if (!item->archive.isEmpty())
        QFile::remove(item->archive);
    Lane &lane = laneFor(item->recipient);
    if (lane.current == id) {
        lane.current = 0;
        --m_running;
    }
    if (result == Result::Failed) {
        m_failed.insert(id, {item->recipient, item->path});
        while (m_failed.size() > TransferList::kKeptFinished)
            m_failed.erase(m_failed.begin());
    }
    using State = TransferList::State;
    m_list.setState(id, result == Result::Sent ? State::Sent : result == Result::Failed ? State::Failed : State::Cancelled,
                    error);
    Q_EMIT ended(id, result, error);
    if (item->done)
        item->done(result, error);
    schedule();
}

int TransferQueue::retry(int id)
{
    const auto it = m_failed.constFind(id);
    if (it == m_failed.cend())
        return 0;
    const Failed again = *it;
    m_failed.erase(it);
    return add(again.recipient, again.path);
}

TransferQueue::Item *TransferQueue::find(int id)
{
    for (const auto &item : m_items) {
        if (item->id == id)
            return item.get();
    }
    return nullptr;
}

QString TransferQueue::archiveFolder()
{
    if (!m_archives || !m_archives->isValid()) {
        const QString base = m_archiveFolder.isEmpty() ? QDir::tempPath() : m_archiveFolder;
        m_archives = std::make_unique<QTemporaryDir>(QDir(base).filePath(QStringLiteral(".zavolin-archives-XXXXXX")));
    }
    return m_archives->path();
}
