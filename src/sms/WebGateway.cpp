#include "WebGateway.h"

#include "Cp1251.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

QByteArray WebGateway::percentEncoded(const QString &value)
{
    return Cp1251::encode(value).toPercentEncoding();
}

QUrl WebGateway::url(const QString &webTemplate, const QString &phone, const QString &text)
{
    QString filled;
    const QStringList values{QString::fromLatin1(percentEncoded(phone)), QString::fromLatin1(percentEncoded(text))};
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
        const QString reason = QStringLiteral("Not a web address: ") + url.toString();
        QMetaObject::invokeMethod(this, [this, reason] { Q_EMIT finished(false, reason); }, Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(kTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Zavolin/" ZAVOLIN_VERSION));
    QNetworkReply *reply = m_manager->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 400) {
            Q_EMIT finished(true, QString());
            return;
        }
        QString reason = reply->errorString();
        if (status > 0)
            reason = QStringLiteral("HTTP %1: %2").arg(status).arg(reason);
        Q_EMIT finished(false, reason);
    });
}
