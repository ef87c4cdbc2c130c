#include "SmsCommand.h"

#include "AppPaths.h"
#include "SmsSender.h"
#include "SmtpClient.h"
#include "SmtpPasswordStore.h"
#include "SmtpSettings.h"

#include <QTimer>

#include <cstdio>

SmsCommand::SmsCommand(const QString &operatorName, const QString &phone, const QString &text, QObject *parent)
    : QObject(parent)
    , m_client(new TSmtpClient(this))
    , m_sender(new SmsSender(m_client, this))
    , m_operator(operatorName)
    , m_phone(phone)
    , m_text(text)
{
    connect(m_sender, &SmsSender::noWayOffered, this, [this] {
        failure(QStringLiteral("operator \"%1\" offers no way to send (see dataoss.lst)").arg(m_operator));
    });
    connect(m_sender, &SmsSender::webFinished, this, [this](bool accepted, const QString &reason) {
        if (!accepted)
            failure(QStringLiteral("web gateway: ") + reason);
    });
    connect(m_sender, &SmsSender::serverMissing, this, [this] {
        failure(QStringLiteral("the operator takes mail, and no server is set in section [smtp] of ")
                + AppPaths::settingsFile());
    });
    connect(m_sender, &SmsSender::badPort, this, [this](const QString &port) {
        failure(QStringLiteral("'%1' is not a valid port in section [smtp]").arg(port));
    });
    connect(m_sender, &SmsSender::mailFailed, this, [this](TSmtpClient::Step step, const QString &error) {
        static const char *const stages[] = {"connecting", "sending", "quitting"};
        failure(QStringLiteral("mail server, %1: %2").arg(QLatin1String(stages[int(step)]), error.trimmed()));
    });
    connect(m_sender, &SmsSender::finished, this, [this] { Q_EMIT done(m_failed ? 1 : 0); });
}

void SmsCommand::start()
{
    const SmsSender::Request request{m_operator, m_phone, m_text};
    switch (SmsSender::check(request)) {
    case SmsSender::Refusal::NoOperator:
        failure(QStringLiteral("no operator given"));
        break;
    case SmsSender::Refusal::NoPhone:
        failure(QStringLiteral("no phone number given"));
        break;
    case SmsSender::Refusal::NoText:
        failure(QStringLiteral("no text given"));
        break;
    case SmsSender::Refusal::None:
        sendWithPassword(request);
        return;
    }
    QTimer::singleShot(0, this, [this] { Q_EMIT done(2); });
}

void SmsCommand::sendWithPassword(const SmsSender::Request &request)
{
    SmtpSettings settings = SmtpSettings::load(AppPaths::settingsFile());
    // The keyring's password wins; "pass" serves where there is none or it
    // holds no entry for this server and login.
    auto *store = new SmtpPasswordStore(this);
    connect(store, &SmtpPasswordStore::readDone, this,
            [this, store, request, settings](SmtpPasswordStore::Outcome outcome, const QString &password) mutable {
        if (outcome == SmtpPasswordStore::Outcome::Done)
            settings.pass = password;
        store->deleteLater();
        m_sender->send(request, OperatorBook::installed(), settings);
    }, Qt::SingleShotConnection);
    store->read(settings.server, settings.login);
}

void SmsCommand::failure(const QString &reason)
{
    m_failed = true;
    std::fprintf(stderr, "zavolin: %s\n", reason.toLocal8Bit().constData());
}
