#include "WebGateway.h"

#include "Cp1251.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// Typed line breaks reach the gateway as CR LF, as the mail sends them.
QString withCrLf(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            result += u"\r\n";
        } else {
            result += text[i];
        }
    }
    return result;
}

// The address as the log may show it: which gateway, never the query that
// carries the phone, the text and any key.
QString hostOf(const QUrl &url)
{
    return url.host().isEmpty() ? QStringLiteral("(no host)") : url.host();
}

} // namespace

QByteArray WebGateway::percentEncoded(const QString &value)
{
    return Cp1251::encode(value).toPercentEncoding();
}

QUrl WebGateway::url(const QString &webTemplate, const QString &phone, const QString &text)
{
    QString filled;
    const QStringList values{QString::fromLatin1(percentEncoded(phone)),
                             QString::fromLatin1(percentEncoded(withCrLf(text)))};
    qsizetype next = 0;
    for (qsizetype i = 0; i < webTemplate.size(); ++i) {
        if (webTemplate[i] == u'%' && i + 1 < webTemplate.size() && webTemplate[i + 1] == u's') {
            if (next < values.size())
                filled += values[next];
            ++next;
            ++i;
        } else if (webTemplate[i] == u'%' && i + 1 < webTemplate.size() && webTemplate[i + 1] == u'%') {
            filled += u'%';
            ++i;
        } else if (webTemplate[i].unicode() >= 0x80) {
            // Gateways read the whole address in 1251, so a word written in the
            // template goes as its 1251 bytes, like the phone and the text.
            filled += QString::fromLatin1(percentEncoded(webTemplate.sliced(i, 1)));
        } else {
            filled += webTemplate[i];
        }
    }
    return QUrl(filled, QUrl::TolerantMode);
}

WebGateway::WebGateway(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

void WebGateway::get(const QUrl &url)
{
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")) {
        const QString reason = QStringLiteral("not a web address (scheme \"%1\")").arg(url.scheme());
        QMetaObject::invokeMethod(this, [this, reason] { Q_EMIT finished(false, reason); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(kTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Zavolin/" ZAVOLIN_VERSION));
    QNetworkReply *reply = m_manager->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, host = hostOf(url)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 400) {
            Q_EMIT finished(true, QString());
            return;
        }
        // Qt's error texts quote the whole address; the error's name does not.
        const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error());
        const QString error = name ? QString::fromLatin1(name) : QString::number(int(reply->error()));
        Q_EMIT finished(false, status > 0 ? QStringLiteral("%1: HTTP %2").arg(host).arg(status)
                                          : QStringLiteral("%1: %2").arg(host, error));
    });
}
