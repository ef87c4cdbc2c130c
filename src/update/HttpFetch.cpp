#include "HttpFetch.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace {

constexpr qint64 kReadChunk = 64 * 1024;

// The desktop's proxy settings, as a browser would use them; loopback is
// always reached directly.
class SystemProxies : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        const QHostAddress address(host);
        if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 || (!address.isNull() && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

} // namespace

HttpFetch::HttpFetch(QObject *parent)
    : QObject(parent)
    , m_manager(std::make_unique<QNetworkAccessManager>())
{
    m_manager->setProxyFactory(new SystemProxies);
    m_manager->setCache(nullptr);
}

HttpFetch::~HttpFetch()
{
    stop();
}

void HttpFetch::setLimits(const Limits &limits)
{
    m_limits = limits;
}

void HttpFetch::setCredentials(const QString &userName, const QString &password)
{
    m_userName = userName;
    m_password = password;
}

bool HttpFetch::isRunning() const
{
    return m_reply != nullptr;
}

const QByteArray &HttpFetch::page() const
{
    return m_page;
}

void HttpFetch::getPage(const QUrl &url)
{
    m_toFile = false;
    m_fileName.clear();
    start(url);
}

void HttpFetch::getFile(const QUrl &url, const QString &fileName)
{
    m_toFile = true;
    m_fileName = fileName;
    start(url);
}

void HttpFetch::cancel()
{
    stop();
}

void HttpFetch::start(const QUrl &address)
{
    stop();
    m_page.clear();
    m_headerChecked = false;
    m_total = -1;
    m_received = 0;

    QUrl url = address;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        // Reported after the caller's call returns, as every other failure is.
        QMetaObject::invokeMethod(this, [this, address] {
            Q_EMIT finished(false, QStringLiteral("not an http address: ") + address.toString());
        }, Qt::QueuedConnection);
        return;
    }
    if (!m_userName.isEmpty()) {
        url.setUserName(m_userName);
        url.setPassword(m_password);
    }
    if (m_toFile) {
        const QFileInfo target(m_fileName);
        m_file = std::make_unique<QTemporaryFile>(target.dir().filePath(target.fileName() + QStringLiteral(".XXXXXX.part")));
        if (!m_file->open()) {
            const QString reason = QStringLiteral("cannot create a file in %1: %2").arg(target.path(), m_file->errorString());
            m_file.reset();
            QMetaObject::invokeMethod(this, [this, reason] { Q_EMIT finished(false, reason); }, Qt::QueuedConnection);
            return;
        }
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("TWebUpdate"));
    request.setRawHeader("Accept", "*/*");
    // The bytes as they are on the server: a compressed reply loses its
    // Content-Length on the way through the network layer, and a file must
    // arrive exactly as large as announced.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_limits.redirections);
    request.setTransferTimeout(m_limits.stallMs);

    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpFetch::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &HttpFetch::onFinished);
}

bool HttpFetch::checkHeader(QString &reason)
{
    m_headerChecked = true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        reason = QStringLiteral("HTTP status %1").arg(status);
        return false;
    }
    const QByteArray encoding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity") {
        reason = QStringLiteral("the server sent the answer encoded as %1").arg(QString::fromLatin1(encoding));
        return false;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid())
        m_total = length.toLongLong();
    const qint64 limit = m_toFile ? m_limits.fileBytes : m_limits.pageBytes;
    if (m_toFile && m_total < 0) {
        reason = QStringLiteral("the server announced no size");
        return false;
    }
    if (m_total > limit) {
        reason = QStringLiteral("announced size %1 is above the limit of %2 bytes").arg(m_total).arg(limit);
        return false;
    }
    return true;
}

void HttpFetch::onReadyRead()
{
    if (!m_reply)
        return;
    QString reason;
    if (!m_headerChecked && !checkHeader(reason)) {
        fail(reason);
        return;
    }
    const qint64 limit = m_toFile ? m_limits.fileBytes : m_limits.pageBytes;
    bool arrived = false;
    while (m_reply && m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(kReadChunk);
        if (chunk.isEmpty())
            break;
        m_received += chunk.size();
        if (m_received > limit || (m_total >= 0 && m_received > m_total)) {
            fail(QStringLiteral("more than %1 bytes").arg(m_total >= 0 ? m_total : limit));
            return;
        }
        if (m_toFile) {
            if (m_file->write(chunk) != chunk.size()) {
                fail(QStringLiteral("cannot write %1: %2").arg(m_file->fileName(), m_file->errorString()));
                return;
            }
        } else {
            m_page.append(chunk);
        }
        arrived = true;
    }
    if (arrived)
        Q_EMIT progress(qMax<qint64>(m_total, 0), m_received);
}

void HttpFetch::onFinished()
{
    if (!m_reply)
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(m_reply->errorString());
        return;
    }
    onReadyRead();
    if (!m_reply)
        return; // failed while reading the rest
    QString reason;
    if (!m_headerChecked && !checkHeader(reason)) {
        fail(reason);
        return;
    }
    if (m_toFile) {
        if (m_received != m_total) {
            fail(QStringLiteral("%1 of %2 bytes arrived").arg(m_received).arg(m_total));
            return;
        }
        if (!commitFile(reason)) {
            fail(reason);
            return;
        }
    } else if (m_received == 0) {
        fail(QStringLiteral("the page is empty"));
        return;
    }
    m_reply->deleteLater();
    m_reply = nullptr;
    Q_EMIT finished(true, {});
}

bool HttpFetch::commitFile(QString &reason)
{
    if (!m_file->flush()) {
        reason = QStringLiteral("cannot write %1: %2").arg(m_file->fileName(), m_file->errorString());
        return false;
    }
    m_file->close();
    // rename() replaces the name itself: a link planted under that name in a
    // shared temporary folder is replaced, never followed.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_file->fileName()).toStdString(),
                            QFile::encodeName(m_fileName).toStdString(), error);
    if (error) {
        reason = QStringLiteral("cannot replace %1: %2").arg(m_fileName, QString::fromStdString(error.message()));
        return false;
    }
    m_file->setAutoRemove(false);
    m_file.reset();
    return true;
}

void HttpFetch::fail(const QString &reason)
{
    stop();
    Q_EMIT finished(false, reason);
}

void HttpFetch::stop()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        // An HTTP error status is reported by the reply itself; aborting it
        // as well makes it report two errors. Deleting it closes it all the same.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!reply->isFinished() && reply->error() == QNetworkReply::NoError && status < 300)
            reply->abort();
        reply->deleteLater();
    }
    m_file.reset(); // a temporary file that was not renamed goes with it
}
