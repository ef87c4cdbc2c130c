#include "StrmChannel.h"

#include "Cp1251.h"
#include "MsgFrame.h"
#include "SpoolFile.h"
#include "StreamFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/statvfs.h>

#ifdef __linux__
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

namespace {

constexpr qint64 kChunk = 65536;
// Four progress reports a second at most per stream.
constexpr qint64 kProgressIntervalMs = 250;
// What a connection may hold in memory ahead of the spool file.
constexpr qint64 kReadBuffer = 16 * kChunk;
// Over TLS, Qt copies all that the plain socket holds into temporaries of that
// size at every read. Above the allocator's mmap threshold (128 KiB at first)
// they are fresh memory each time, faulted in page by page: about two faults
// per 4 KiB received. Below it they are reused. The kernel holds the rest.
constexpr qint64 kTlsReadBuffer = 112 * 1024;
// Polls of the send queue while a peer drains it: quick at first, since on a
// fast link it is empty at once, then no more often than needed to see progress.
constexpr int kFirstPollMs = 1;
constexpr int kLongestPollMs = 200;

// Bytes written to the connection that the peer has not acknowledged yet,
// sent or not; -1 where the system cannot tell.
qint64 unacknowledgedBytes(qintptr descriptor)
{
#ifdef __linux__
    int queued = 0;
    if (descriptor >= 0 && ::ioctl(int(descriptor), SIOCOUTQ, &queued) == 0)
        return queued;
#else
    Q_UNUSED(descriptor);
#endif
    return -1;
}

// Room left in `folder` for us, -1 where the system cannot tell. Asked for
// every stream: a plain statvfs rather than a reading of the mount table.
qint64 roomIn(const QString &folder)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

// Whether a failed write, or this much wanted, means the file system is full.
bool lacksRoom(const QString &folder, const QString &error, qint64 needed)
{
    for (int code : {ENOSPC, EDQUOT}) {
        if (error == QString::fromLocal8Bit(std::strerror(code)))
            return true;
    }
    const qint64 room = roomIn(folder);
    return room >= 0 && room < needed;
}

} // namespace

// Whoever counts the spool files: the server, and every spool while it lives,
// which may be after the server is gone.
struct TStrmServer::Ledger
{
    int files = 0;
    qint64 bytes = 0;
};

// One spool file: locked while it is ours, removed with the last copy of the
// stream value that holds it unless it was moved away and released.
class StreamSpool
{
public:
    StreamSpool(QString path, std::unique_ptr<QFile> file, std::shared_ptr<TStrmServer::Ledger> ledger,
                qint64 counted)
        : m_path(std::move(path))
        , m_file(std::move(file))
        , m_ledger(std::move(ledger))
        , m_counted(counted)
    {
        if (m_ledger) {
            ++m_ledger->files;
            m_ledger->bytes += m_counted;
        }
    }
    ~StreamSpool()
    {
        // Removed while still locked, so no cleaner can mistake it for a stale one.
        if (!m_released)
            QFile::remove(m_path);
        uncount();
    }
    StreamSpool(const StreamSpool &) = delete;
    StreamSpool &operator=(const StreamSpool &) = delete;

    const QString &path() const { return m_path; }
    QFile *file() const { return m_file.get(); }
    // All bytes are in: the file stays open only to hold its lock.
    bool finishWriting(QString *error)
    {
        if (m_file && !m_file->flush()) {
            *error = m_file->errorString();
            return false;
        }
        return true;
    }
    void release()
    {
        m_released = true;
        m_file.reset();
        uncount();
    }

private:
    void uncount()
    {
        if (!m_ledger)
            return;
        --m_ledger->files;
        m_ledger->bytes -= m_counted;
        m_ledger.reset();
    }

    QString m_path;
    std::unique_ptr<QFile> m_file;
    std::shared_ptr<TStrmServer::Ledger> m_ledger;
    qint64 m_counted = 0;
    bool m_released = false;
};

ReceivedStream ReceivedStream::complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                        const QString &spoolPath)
{
    return complete(fromName, peer, size, std::make_shared<StreamSpool>(spoolPath, nullptr, nullptr, 0));
}

ReceivedStream ReceivedStream::complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                        std::shared_ptr<StreamSpool> spool)
{
    ReceivedStream stream;
    stream.m_status = Status::Complete;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = size;
    stream.m_received = size;
    stream.m_spool = std::move(spool);
    return stream;
}

ReceivedStream ReceivedStream::incomplete(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                          qint64 received)
{
    ReceivedStream stream;
    stream.m_status = Status::Incomplete;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = announced;
    stream.m_received = received;
    return stream;
}

ReceivedStream ReceivedStream::notStored(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                         const QString &error, const QString &folder, bool noRoom)
{
    ReceivedStream stream;
    stream.m_status = Status::NotStored;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = announced;
    stream.m_error = error;
    stream.m_folder = folder;
    stream.m_noRoom = noRoom;
    return stream;
}

ReceivedStream ReceivedStream::refused(const QString &fromName, const QHostAddress &peer, qint64 announced,
                                       const QString &notice)
{
    ReceivedStream stream;
    stream.m_status = Status::Refused;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = announced;
    stream.m_error = notice;
    return stream;
}

QString ReceivedStream::spoolPath() const
{
    return m_spool ? m_spool->path() : QString();
}

void ReceivedStream::release() const
{
    if (m_spool)
        m_spool->release();
}

class StrmServeConnection : public ServeConnection
{
public:
    StrmServeConnection(QTcpSocket *socket, int idleTimeoutMs, TStrmServer *server)
        : ServeConnection(socket, idleTimeoutMs, server)
        , m_server(server)
        , m_tls(qobject_cast<QSslSocket *>(socket) != nullptr)
    {
        // Bytes wait in the kernel rather than in our memory while the disk catches up.
        socket->setReadBufferSize(m_tls ? kTlsReadBuffer : kReadBuffer);
    }

protected:
    void received() override
    {
        switch (m_state) {
        case State::Header:
            readHeader();
            return;
        case State::Body:
            if (m_tls)
                drainSoon();
            else
                readBody();
            return;
        case State::Done:
            socket()->readAll(); // after the stream only the close is expected
            return;
        }
    }

    void ending() override
    {
        if (m_state != State::Body)
            return;
        readBody(); // what came with the close
        if (m_state != State::Body)
            return;
        m_state = State::Done;
        m_spool.reset();
        m_server->deliver(announced(ReceivedStream::incomplete(m_fromName, peerAddress(), m_count, m_received)));
    }

private:
    enum class State { Header, Body, Done };

    void readHeader()
    {
        while (m_parser.status() == StreamHeaderParser::Status::NeedMore) {
            const QByteArray bytes = socket()->read(m_parser.wanted());
            if (bytes.isEmpty())
                return;
            m_parser.feed(bytes);
        }
        if (m_parser.status() == StreamHeaderParser::Status::Malformed) {
            m_state = State::Done;
            drop(m_parser.error());
            return;
        }
        headerComplete(); // the body is bounded by the idle time-out only
        m_fromName = Cp1251::decode(m_parser.fromName());
        m_count = m_parser.count();
        m_state = State::Done;
        // Turned away before a byte of it is stored: the sender sees no acknowledgement.
        if (!m_server->withinLimits(m_count)) {
            drop(QStringLiteral("too much waits in spool files"));
            return;
        }
        const StreamAdmission admission = m_server->admit({m_fromName, peerAddress(), m_count, peerKey()});
        if (!admission.refusal.isEmpty()) {
            m_server->deliver(announced(ReceivedStream::refused(m_fromName, peerAddress(), m_count, admission.notice)));
            drop(admission.refusal);
            return;
        }
        QString error;
        bool noRoom = false;
        m_spool = m_server->createSpool(admission, m_count, &m_folder, &error, &noRoom);
        if (!m_spool) {
            m_server->deliver(announced(ReceivedStream::notStored(m_fromName, peerAddress(), m_count, error, m_folder, noRoom)));
            drop(QStringLiteral("cannot spool: ") + error);
            return;
        }
        m_state = State::Body;
        m_chunk.resize(kChunk);
        m_streamId = TStrmServer::s_nextStreamId++;
        m_server->deliverStart({m_fromName, peerAddress(), m_count, peerKey(), m_streamId});
        m_progressClock.start();
        readBody();
    }

    // A TLS socket signals every 4 KiB it decrypts, many times over before
    // it returns to the event loop: a write to the spool file for each would
    // cost a system call per 4 KiB. All it decrypted is taken once it is done.
    void drainSoon()
    {
        if (std::exchange(m_drainQueued, true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_drainQueued = false;
                if (m_state == State::Body)
                    readBody();
            },
            Qt::QueuedConnection);
    }

    void readBody()
    {
        QFile *file = m_spool->file();
        const qint64 before = m_received;
        while (m_received < m_count) {
            const qint64 got = socket()->read(m_chunk.data(), std::min(kChunk, m_count - m_received));
            if (got <= 0)
                break;
            if (file->write(m_chunk.constData(), got) != got) {
                spoolFailed(file->errorString());
                return;
            }
            m_received += got;
        }
        if (m_received < m_count) {
            if (m_received > before)
                reportProgress();
            return;
        }
        QString error;
        if (!m_spool->finishWriting(&error)) {
            spoolFailed(error);
            return;
        }
        m_state = State::Done;
        acknowledge(MsgFrame::acknowledgement());
        // The delivered value owns the file now.
        m_server->deliver(announced(ReceivedStream::complete(m_fromName, peerAddress(), m_count, std::move(m_spool))));
    }

    // Throttled: a fast sender must not turn each chunk into a signal.
    void reportProgress()
    {
        if (m_received >= m_count || m_progressClock.elapsed() < kProgressIntervalMs)
            return;
        m_progressClock.restart();
        m_server->deliverProgress(m_streamId, m_received);
    }

    ReceivedStream announced(ReceivedStream stream) const
    {
        stream.m_streamId = m_streamId;
        stream.m_peerKey = peerKey();
        return stream;
    }

    void spoolFailed(const QString &error)
    {
        m_state = State::Done;
        m_spool.reset();
        const bool noRoom = lacksRoom(m_folder, error, m_count - m_received);
        m_server->deliver(
            announced(ReceivedStream::notStored(m_fromName, peerAddress(), m_count, error, m_folder, noRoom)));
        drop(QStringLiteral("cannot spool: ") + error);
    }

    TStrmServer *m_server;
    const bool m_tls;
    bool m_drainQueued = false;
    State m_state = State::Header;
    StreamHeaderParser m_parser;
    QString m_fromName;
    qint64 m_count = 0;
    qint64 m_received = 0;
    QString m_folder;
    std::shared_ptr<StreamSpool> m_spool; // removed with this connection unless delivered
    QByteArray m_chunk;
    int m_streamId = 0;
    QElapsedTimer m_progressClock;
};

TStrmClient::TStrmClient(QObject *parent)
    : TTcpSock(kStreamPort, parent)
{
    m_takenPoll.setSingleShot(true);
    connect(&m_takenPoll, &QTimer::timeout, this, &TStrmClient::checkTaken);
}

void TStrmClient::postStream(std::unique_ptr<QIODevice> stream)
{
    const QByteArray from = Cp1251::encode(m_fromName);
    if (!begin())
        return;
    if (from.size() > StreamFrame::kMaxName) {
        fail(QStringLiteral("From-name longer than 9999 bytes"));
        return;
    }
    if (!stream || !stream->isReadable() || stream->isSequential() || !stream->seek(0)) {
        fail(QStringLiteral("Stream not readable"));
        return;
    }
    const qint64 size = stream->size();
    if (size > StreamFrame::kMaxCount) {
        fail(QStringLiteral("Stream of 2147483648 bytes or more"));
        return;
    }
    m_stream = std::move(stream);
    connectThen([this, from, size] {
        write(StreamFrame::encodeHeader(from, size));
        sendStream(std::move(m_stream), size, [this] {
            Q_EMIT messageSent();
            waitUntilTaken([this] {
                readLength(MsgFrame::kAckSize, [this](const QByteArray &reply) {
                    finish();
                    Q_EMIT finished(reply);
                });
            });
        });
    });
}

void TStrmClient::waitUntilTaken(std::function<void()> next)
{
    m_draining = socket();
    m_afterTaken = std::move(next);
    m_unacked = -1;
    m_takenPoll.setInterval(kFirstPollMs);
    // The answer itself says every byte was taken: no need to wait for the next poll.
    connect(m_draining, &QIODevice::readyRead, this, &TStrmClient::checkTaken, Qt::UniqueConnection);
    checkTaken();
}

void TStrmClient::checkTaken()
{
    QTcpSocket *connection = socket();
    if (!m_afterTaken || !connection || connection != m_draining) {
        m_afterTaken = nullptr; // the send ended meanwhile
        return;
    }
    if (connection->state() != QAbstractSocket::ConnectedState
        && connection->bytesAvailable() < MsgFrame::kAckSize) {
        // Closed before answering: no acknowledgement will come.
        m_afterTaken = nullptr;
        finish();
        Q_EMIT finished(QByteArray());
        return;
    }
    const qint64 unacked = unacknowledgedBytes(connection->socketDescriptor());
    if (unacked <= 0 || connection->bytesAvailable() >= MsgFrame::kAckSize || connection->state() != QAbstractSocket::ConnectedState) {
        std::exchange(m_afterTaken, nullptr)();
        return;
    }
    if (m_unacked < 0 || unacked < m_unacked) {
        m_unacked = unacked;
        m_drainDeadline.setRemainingTime(timeOut() > 0 ? timeOut() : kReplyBoundMs);
    } else if (m_drainDeadline.hasExpired()) {
        m_afterTaken = nullptr;
        fail(QStringLiteral("Socket send aborted"));
        return;
    }
    m_takenPoll.start(std::min(m_takenPoll.interval() * 2, kLongestPollMs));
}

void TStrmClient::operationFailed(const QString &error)
{
    if (!isBusy())
        m_stream.reset(); // a refused second post must not close the running one's file
    Q_EMIT failed(error);
}

TStrmServer::TStrmServer(QObject *parent)
    : TTcpServerBase(kStreamPort, parent)
    , m_ledger(std::make_shared<Ledger>())
{
}

bool TStrmServer::isSpoolFileName(const QString &fileName)
{
    return SpoolFile::isName(fileName);
}

void TStrmServer::setSpoolLimits(int files, qint64 bytes)
{
    m_maxFiles = files;
    m_maxBytes = bytes;
}

int TStrmServer::spooledFiles() const
{
    return m_ledger->files;
}

qint64 TStrmServer::spooledBytes() const
{
    return m_ledger->bytes;
}

ServeConnection *TStrmServer::createConnection(QTcpSocket *socket, int idleTimeoutMs)
{
    auto *connection = new StrmServeConnection(socket, idleTimeoutMs, this);
    connect(connection, &ServeConnection::dropped, this, &TStrmServer::connectionDropped);
    return connection;
}

void TStrmServer::deliver(const ReceivedStream &stream)
{
    delivery().post([this, stream] { Q_EMIT streamReceived(stream); });
}

void TStrmServer::deliverStart(const StreamOffer &offer)
{
    delivery().post([this, offer] { Q_EMIT streamStarted(offer); });
}

void TStrmServer::deliverProgress(int id, qint64 received)
{
    delivery().post([this, id, received] { Q_EMIT streamProgress(id, received); });
}

StreamAdmission TStrmServer::admit(const StreamOffer &offer) const
{
    if (m_admission)
        return m_admission(offer);
    return StreamAdmission::spoolIn(m_spoolFolder ? m_spoolFolder() : QString(), false);
}

bool TStrmServer::withinLimits(qint64 size)
{
    if (m_ledger->files < m_maxFiles && m_ledger->bytes + size <= m_maxBytes) {
        m_overLimits = false;
        return true;
    }
    if (!std::exchange(m_overLimits, true))
        Q_EMIT spoolLimitReached(m_ledger->files, m_ledger->bytes);
    return false;
}

std::shared_ptr<StreamSpool> TStrmServer::createSpool(const StreamAdmission &admission, qint64 size,
                                                      QString *folder, QString *error, bool *noRoom) const
{
    QStringList folders{admission.spoolFolder.isEmpty() ? QDir::tempPath() : admission.spoolFolder};
    if (!admission.spoolFolderOnly && !admission.spoolFolder.isEmpty())
        folders << QDir::tempPath();
    for (const QString &candidate : std::as_const(folders)) {
        *folder = candidate;
        if (!QFileInfo(candidate).isDir()) {
            *error = QStringLiteral("no folder %1").arg(candidate);
            continue;
        }
        const qint64 room = roomIn(candidate);
        if (room >= 0 && room < size) {
            *error = QStringLiteral("not enough space in %1: %2 bytes free, %3 needed").arg(candidate).arg(room).arg(size);
            *noRoom = true;
            continue;
        }
        *noRoom = false;
        if (auto file = SpoolFile::create(candidate, error)) {
            const QString path = file->fileName();
            return std::make_shared<StreamSpool>(path, std::move(file), m_ledger, size);
        }
    }
    return nullptr;
}
