#include "SmsSender.h"

#include "Logging.h"
#include "SmtpMessage.h"
#include "WebGateway.h"

#include <QCoreApplication>

namespace {

// The mail's trim: every character up to the blank (code 32) counts as blank.
QString trimControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

// The exchange and the reply code only: a reply may quote the gateway
// address, and with it the phone number.
QString loggable(const QString &error)
{
    const qsizetype colon = error.indexOf(u':');
    if (colon < 0)
        return error.trimmed();
    const QString code = error.mid(colon + 1).trimmed().left(3);
    const bool numbered = code.size() == 3 && code[0].isDigit() && code[1].isDigit() && code[2].isDigit();
    return numbered ? error.left(colon) + QStringLiteral(": ") + code : error.left(colon);
}

} // namespace

SmsSender::Refusal SmsSender::check(const Request &request)
{
    if (request.operatorName.isEmpty())
        return Refusal::NoOperator;
    if (request.phone.isEmpty())
        return Refusal::NoPhone;
    if (request.text.isEmpty())
        return Refusal::NoText;
    return Refusal::None;
}

QStringList SmsSender::mailBody(const QString &text)
{
    return SmtpMessage::splitLines(trimControls(text));
}

QString SmsSender::gatewayAddress(const QString &mailTemplate, const QString &phone)
{
    QString clean = phone;
    clean.remove(u'\r');
    clean.remove(u'\n');
    return OperatorBook::fill(OperatorBook::unwrap(mailTemplate), {clean});
}

SmsSender::SmsSender(TSmtpClient *client, QObject *parent)
    : QObject(parent)
    , m_client(client)
{
}

void SmsSender::send(const Request &request, const OperatorBook &operators, const SmtpSettings &settings)
{
    m_sending = true;
    m_pending = 1; // released below, so finished() cannot come before every way has started
    const OperatorWays ways = operators.ways(request.operatorName);
    if (check(request) == Refusal::None && ways.web.isEmpty() && ways.mail.isEmpty())
        QMetaObject::invokeMethod(this, &SmsSender::noWayOffered, Qt::QueuedConnection);
    if (check(request) == Refusal::None && !ways.web.isEmpty()) {
        ++m_pending;
        // Not a child of ours: the request goes on when the window that asked is closed.
        auto *web = new WebGateway(QCoreApplication::instance());
        QPointer<SmsSender> self(this);
        connect(web, &WebGateway::finished, web, [web, self](bool accepted, const QString &reason) {
            web->deleteLater();
            if (!accepted)
                qCWarning(lcZavolin) << "SMS web request failed:" << reason;
            if (!self)
                return;
            Q_EMIT self->webFinished(accepted, reason);
            self->finishOnce();
        });
        web->get(WebGateway::url(OperatorBook::unwrap(ways.web), request.phone, request.text));
    }
    if (check(request) == Refusal::None && !ways.mail.isEmpty())
        sendMail(ways, request, settings);
    QMetaObject::invokeMethod(this, &SmsSender::finishOnce, Qt::QueuedConnection);
}

void SmsSender::sendMail(const OperatorWays &ways, const Request &request, const SmtpSettings &settings)
{
    ++m_pending;
    auto later = [this](auto signalEmitter) {
        QMetaObject::invokeMethod(this, [this, signalEmitter] {
            signalEmitter();
            finishOnce();
        }, Qt::QueuedConnection);
    };
    if (settings.server.isEmpty()) {
        later([this] { Q_EMIT serverMissing(); });
        return;
    }
    const std::optional<quint16> port = settings.portNumber();
    if (!port) {
        later([this, text = settings.port] { Q_EMIT badPort(text); });
        return;
    }
    if (m_client->busy() || m_client->isBusy()) {
        later([this] { Q_EMIT mailFailed(TSmtpClient::Step::Connect, QStringLiteral("Already connected")); });
        return;
    }
    TPostMessage &post = m_client->postMessage();
    post.FromAddress = settings.login;
    post.Body = mailBody(request.text);
    // Only this SMS's gateway: an address a failed send left behind gets nothing.
    post.ToAddress = QStringList{gatewayAddress(ways.mail, request.phone)};
    post.ToCarbonCopy.clear();
    post.ToBlindCarbonCopy.clear();
    m_client->setHost(settings.server);
    m_client->setPort(*port);
    m_client->setSecurity(settings.security);
    m_client->setAuthentication(settings.auth, settings.login, settings.pass);

    disconnect(m_done);
    disconnect(m_failed);
    m_sendFailed = false;
    m_done = connect(m_client, &TSmtpClient::done, this, [this](TSmtpClient::Step step) {
        switch (step) {
        case TSmtpClient::Step::Connect:
            m_client->SendMail();
            break;
        case TSmtpClient::Step::SendMail:
            m_client->Disconnect();
            break;
        case TSmtpClient::Step::Disconnect:
            disconnect(m_done);
            disconnect(m_failed);
            if (!m_sendFailed)
                Q_EMIT mailSent();
            finishOnce();
            break;
        }
    });
    m_failed = connect(m_client, &TSmtpClient::failed, this, [this](TSmtpClient::Step step, const QString &error) {
        qCWarning(lcZavolin).noquote() << "SMS mail failed:" << loggable(error);
        Q_EMIT mailFailed(step, error);
        if (step == TSmtpClient::Step::SendMail) {
            m_sendFailed = true;
            m_client->Disconnect(); // QUIT all the same; its outcome ends the mail
            return;
        }
        disconnect(m_done);
        disconnect(m_failed);
        finishOnce();
    });
    m_client->Connect();
}

void SmsSender::finishOnce()
{
    if (--m_pending > 0)
        return;
    m_sending = false;
    Q_EMIT finished();
}
