#include "MessageSender.h"

#include "FailureReason.h"
#include "MsgChannel.h"

MessageSender::MessageSender(QObject *parent)
    : QObject(parent)
    , m_client(new TMsgClient(this))
{
    // A return without error counts as sent: the reply itself is not examined.
    connect(m_client, &TMsgClient::finished, this, [this] { onPosted(true); });
    connect(m_client, &TMsgClient::failed, this, [this](const QString &error) {
        onPosted(false, FailureReason::shown(error, m_client->lastSocketError()));
    });
}

MessageSender::~MessageSender() = default;

void MessageSender::setSecureClient(TMsgClient *client, std::function<bool(const Recipient &recipient)> prepare)
{
    m_secureClient = client;
    m_prepareSecure = std::move(prepare);
    if (!client)
        return; // claimed recipients fail: there is no key of ours to prove
    connect(client, &TMsgClient::finished, this, [this] { onPosted(true); });
    connect(client, &TMsgClient::failed, this, [this, client](const QString &error) {
        onPosted(false, FailureReason::shown(error, client->lastSocketError()));
    });
}

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
            m_postingSecurely = m_prepareSecure && r.channel == Recipient::Channel::Any && m_prepareSecure(r);
            if (m_postingSecurely && !m_secureClient) {
                QMetaObject::invokeMethod(
                    this, [this] { onPosted(false, tr("защищённый канал недоступен")); }, Qt::QueuedConnection);
                return;
            }
            TMsgClient *client = m_postingSecurely ? m_secureClient : m_client;
            if (!m_postingSecurely) { // the secure client was told where its key proved itself
                client->setHost(r.host);
                client->setFallbackHost(r.fallbackHost);
            }
            client->setFromName(job.fromName);
            client->postText(job.text);
            return;
        }
        Finished finished = std::move(job.finished);
        m_jobs.pop_front();
        if (finished)
            finished();
    }
}

void MessageSender::onPosted(bool delivered, const QString &failure)
{
    if (m_jobs.empty())
        return;
    Job &job = m_jobs.front();
    Recipient recipient = job.recipients.at(job.next++);
    recipient.secured = m_postingSecurely;
    if (!delivered)
        recipient.failure = failure;
    if (job.each)
        job.each(recipient, delivered);
    postNext();
}
