#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

// The web way of an operator: one GET of the filled address, redirects
// followed a few times, the answer itself not looked at.
class WebGateway : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxRedirects = 5;
    static constexpr int kTimeoutMs = 30000;

    // The template with phone and text put in, both percent-encoded from
    // their code page 1251 bytes (a blank is %20, a line break CR LF); of the
    // template only characters beyond ASCII are encoded, also from 1251.
    static QUrl url(const QString &webTemplate, const QString &phone, const QString &text);
    static QByteArray percentEncoded(const QString &value);

    explicit WebGateway(QObject *parent = nullptr);

    // Exactly one finished() follows, after this returns.
    void get(const QUrl &url);

Q_SIGNALS:
    // Accepted: answered with a 2xx or 3xx status. Otherwise the reason,
    // naming the host and the status or error only: the address carries the
    // phone, the text and perhaps a key, and reasons go to the log.
    void finished(bool accepted, const QString &reason);

private:
    QNetworkAccessManager *m_manager;
};
