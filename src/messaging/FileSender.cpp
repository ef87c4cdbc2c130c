#include "FileSender.h"

#include "Cp1251.h"
#include "StreamFrame.h"
#include "StrmChannel.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

FileSender::FileSender(QObject *parent)
    : QObject(parent)
    , m_client(new TStrmClient(this))
    , m_active(m_client)
{
    watch(m_client);
}

void FileSender::watch(TStrmClient *client)
{
    connect(client, &TStrmClient::finished, this, [this](const QByteArray &reply) {
        if (reply.isEmpty())
            onEnded(Result::Failed, QStringLiteral("The receiver closed without acknowledging"));
        else
            onEnded(Result::Sent, QString());
    });
    connect(client, &TStrmClient::failed, this, [this](const QString &error) {
        onEnded(m_cancelling ? Result::Cancelled : Result::Failed, error);
    });
    connect(client, &TTcpSock::packetSent, this, &FileSender::progress);
}

void FileSender::setSecureClient(TStrmClient *client, std::function<bool(const Recipient &recipient)> prepare)
{
    m_secureClient = client;
    m_prepareSecure = std::move(prepare);
    watch(client);
}

FileSender::~FileSender() = default;

void FileSender::setPort(quint16 port)
{
    m_client->setPort(port);
}

QString FileSender::wirePath(const QString &localPath)
{
    QString path = QFileInfo(localPath).absoluteFilePath();
    return path.replace(u'/', u'\\');
}

std::unique_ptr<QFile> FileSender::open(const QString &localPath, Refusal *refusal, QString *error)
{
    if (QFileInfo::exists(localPath) && !QFileInfo(localPath).isFile()) {
        // A device or a pipe has no size to announce, and opening a pipe would wait for a writer.
        *refusal = Refusal::CannotOpen;
        *error = QCoreApplication::translate("FileSender", "Это не обычный файл.");
        return nullptr;
    }
    auto file = std::make_unique<QFile>(localPath);
    // Unbuffered: chunks go straight from the file into the socket's buffer.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *refusal = Refusal::CannotOpen;
        *error = file->errorString();
        return nullptr;
    }
    *refusal = check(wirePath(localPath), file->size());
    return *refusal == Refusal::None ? std::move(file) : nullptr;
}

FileSender::Refusal FileSender::check(const QString &wirePath, qint64 size)
{
    if (Cp1251::encode(wirePath).size() > StreamFrame::kMaxName)
        return Refusal::PathTooLong;
    if (size > StreamFrame::kMaxCount)
        return Refusal::TooLarge;
    return Refusal::None;
}

void FileSender::send(const Recipient &recipient, std::unique_ptr<QFile> file, Done done)
{
    m_jobs.push_back({recipient, std::move(file), std::move(done)});
    if (m_jobs.size() == 1)
        postNext();
}

void FileSender::cancel()
{
    if (m_jobs.empty() || !m_active->isBusy())
        return;
    m_cancelling = true;
    m_active->cancel();
}

void FileSender::postNext()
{
    // A done() callback may have queued a job and started it already.
    if (m_jobs.empty() || m_active->isBusy())
        return;
    Job &job = m_jobs.front();
    m_cancelling = false;
    const QString path = job.file->fileName();
    Q_EMIT started(path, job.recipient.displayName, job.file->size());
    const bool secure = m_secureClient && job.recipient.channel == Recipient::Channel::Any
                        && m_prepareSecure(job.recipient);
    m_active = secure ? m_secureClient : m_client;
    m_active->setHost(job.recipient.host);
    m_active->setFallbackHost(job.recipient.fallbackHost);
    m_active->setFromName(wirePath(path));
    m_active->postStream(std::move(job.file));
}

void FileSender::onEnded(Result result, const QString &error)
{
    if (m_jobs.empty())
        return;
    Done done = std::move(m_jobs.front().done);
    m_jobs.pop_front();
    m_cancelling = false;
    if (done)
        done(result, error);
    postNext();
}
