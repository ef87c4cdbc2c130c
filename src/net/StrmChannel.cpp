#include "StrmChannel.h"

#include "Cp1251.h"
#include "MsgFrame.h"
#include "StreamFrame.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTcpSocket>

#include <algorithm>

namespace {

constexpr qint64 kChunk = 65536;
// What a connection may hold in memory ahead of the spool file.
constexpr qint64 kReadBuffer = 16 * kChunk;
const QString kSpoolPrefix = QStringLiteral(".zavolin-");
const QString kSpoolSuffix = QStringLiteral(".part");

std::unique_ptr<QFile> createIn(const QString &folder, QString *error)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString name = kSpoolPrefix + QString::number(QRandomGenerator::global()->generate64(), 16)
                             + kSpoolSuffix;
        auto file = std::make_unique<QFile>(QDir(folder).filePath(name));
        // NewOnly: never an existing file, never through a planted link.
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file;
        *error = file->errorString();
        if (!QFileInfo::exists(file->fileName()))
            break; // not a name collision: another name will not help
    }
    return nullptr;
}

} // namespace

class ReceivedStream::Spool
{
public:
    explicit Spool(QString path)
        : m_path(std::move(path))
    {
    }
    ~Spool()
    {
        if (!m_released)
            QFile::remove(m_path);
    }
    Spool(const Spool &) = delete;
    Spool &operator=(const Spool &) = delete;

    const QString &path() const { return m_path; }
    void release() { m_released = true; }

private:
    QString m_path;
    bool m_released = false;
};

ReceivedStream ReceivedStream::complete(const QString &fromName, const QHostAddress &peer, qint64 size,
                                        const QString &spoolPath)
{
    ReceivedStream stream;
    stream.m_status = Status::Complete;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = size;
    stream.m_received = size;
    stream.m_spool = std::make_shared<Spool>(spoolPath);
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
                                         const QString &error)
{
    ReceivedStream stream;
    stream.m_status = Status::NotStored;
    stream.m_fromName = fromName;
    stream.m_peer = peer;
    stream.m_announced = announced;
    stream.m_error = error;
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
    {
        // Bytes wait in the kernel rather than in our memory while the disk catches up.
        socket->setReadBufferSize(kReadBuffer);
    }

    ~StrmServeConnection() override
    {
        discardSpool();
    }

protected:
    void received() override
    {
        switch (m_state) {
        case State::Header:
            readHeader();
            return;
        case State::Body:
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
        discardSpool();
        m_server->deliver(ReceivedStream::incomplete(m_fromName, peerAddress(), m_count, m_received));
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
        QString error;
        m_spool = m_server->createSpool(m_count, &error);
        if (!m_spool) {
            m_state = State::Done;
            m_server->deliver(ReceivedStream::notStored(m_fromName, peerAddress(), m_count, error));
            drop(QStringLiteral("cannot spool: ") + error);
            return;
        }
        m_state = State::Body;
        m_chunk.resize(kChunk);
        readBody();
    }

    void readBody()
    {
        while (m_received < m_count) {
            const qint64 got = socket()->read(m_chunk.data(), std::min(kChunk, m_count - m_received));
            if (got <= 0)
                return;
            if (m_spool->write(m_chunk.constData(), got) != got) {
                spoolFailed();
                return;
            }
            m_received += got;
        }
        if (!m_spool->flush()) {
            spoolFailed();
            return;
        }
        m_spool->close();
        m_state = State::Done;
        acknowledge(MsgFrame::acknowledgement());
        const QString path = m_spool->fileName();
        m_spool.reset(); // the delivered value owns the file now
        m_server->deliver(ReceivedStream::complete(m_fromName, peerAddress(), m_count, path));
    }

    void spoolFailed()
    {
        const QString error = m_spool->errorString();
        m_state = State::Done;
        discardSpool();
        m_server->deliver(ReceivedStream::notStored(m_fromName, peerAddress(), m_count, error));
        drop(QStringLiteral("cannot spool: ") + error);
    }

    void discardSpool()
    {
        if (!m_spool)
            return;
        m_spool->close();
        m_spool->remove();
        m_spool.reset();
    }

    TStrmServer *m_server;
    State m_state = State::Header;
    StreamHeaderParser m_parser;
    QString m_fromName;
    qint64 m_count = 0;
    qint64 m_received = 0;
    std::unique_ptr<QFile> m_spool;
    QByteArray m_chunk;
};

TStrmClient::TStrmClient(QObject *parent)
    : TTcpSock(kStreamPort, parent)
{
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
            readLength(MsgFrame::kAckSize, [this](const QByteArray &reply) {
                finish();
                Q_EMIT finished(reply);
            });
        });
    });
}

void TStrmClient::operationFailed(const QString &error)
{
    if (!isBusy())
        m_stream.reset(); // a refused second post must not close the running one's file
    Q_EMIT failed(error);
}

TStrmServer::TStrmServer(QObject *parent)
    : TTcpServerBase(kStreamPort, parent)
{
}

bool TStrmServer::isSpoolFileName(const QString &fileName)
{
    return fileName.startsWith(kSpoolPrefix) && fileName.endsWith(kSpoolSuffix);
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

std::unique_ptr<QFile> TStrmServer::createSpool(qint64 size, QString *error) const
{
    QStringList folders;
    if (m_spoolFolder)
        folders << m_spoolFolder();
    folders << QDir::tempPath();
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        const qint64 room = QStorageInfo(folder).bytesAvailable();
        if (room >= 0 && room < size) {
            *error = QStringLiteral("not enough space in %1: %2 bytes free, %3 needed").arg(folder).arg(room).arg(size);
            continue;
        }
        if (auto file = createIn(folder, error))
            return file;
    }
    if (error->isEmpty())
        *error = QStringLiteral("no folder for the spool file");
    return nullptr;
}
