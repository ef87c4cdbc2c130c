#include "MessageSender.h"

#include "MsgChannel.h"

MessageSender::MessageSender(QObject *parent)
    : QObject(parent)
    , m_client(new TMsgClient(this))
{
    // A return without error counts as sent: the reply itself is not examined.
    connect(m_client, &TMsgClient::finished, this, [this] { onPosted(true); });
    connect(m_client, &TMsgClient::failed, this, [this] { onPosted(false); });
}

MessageSender::~MessageSender() = default;

void MessageSender::setPort(quint16 port)
{
    m_client->setPort(port);
}

void MessageSender::send(const QString &fromName, const QList<Recipient> &recipients, const QString &text,
                         RecipientDone each, Finished finished)
{
    m_jobs.push_back({fromName, recipients, text, std::move(each), std::move(finished)});
    if (m_jobs.size() == 1)
        postNext();
}

void MessageSender::postNext()
{
    while (!m_jobs.empty()) {
        Job &job = m_jobs.front();
        if (job.next < job.recipients.size()) {
            const Recipient &r = job.recipients.at(job.next);
            m_client->setHost(r.host);
            m_client->setFallbackHost(r.fallbackHost);
            m_client->setFromName(job.fromName);
            m_client->postText(job.text);
            return;
        }
        Finished finished = std::move(job.finished);
        m_jobs.pop_front();
        if (finished)
            finished();
    }
}

void MessageSender::onPosted(bool delivered)
{
    if (m_jobs.empty())
        return;
    Job &job = m_jobs.front();
    const Recipient recipient = job.recipients.at(job.next++);
    if (job.each)
        job.each(recipient, delivered);
    postNext();
}
