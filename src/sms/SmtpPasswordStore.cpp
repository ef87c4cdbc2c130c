#include "SmtpPasswordStore.h"

#include "Logging.h"

#include <QTimer>

#ifdef ZAVOLIN_HAVE_KEYCHAIN
#include <qt6keychain/keychain.h>
#endif

namespace {
const QString kService = QStringLiteral("Zavolin");

#ifdef ZAVOLIN_HAVE_KEYCHAIN
SmtpPasswordStore::Outcome outcomeOf(const QKeychain::Job *job)
{
    switch (job->error()) {
    case QKeychain::NoError:
        return SmtpPasswordStore::Outcome::Done;
    case QKeychain::EntryNotFound:
        return SmtpPasswordStore::Outcome::NotFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return SmtpPasswordStore::Outcome::NoKeyring;
    default:
        qCWarning(lcZavolin) << "keyring:" << job->errorString();
        return SmtpPasswordStore::Outcome::Failed;
    }
}
#endif
} // namespace

SmtpPasswordStore::SmtpPasswordStore(QObject *parent)
    : QObject(parent)
{
}

QString SmtpPasswordStore::key(const QString &server, const QString &login)
{
    return QStringLiteral("smtp/%1/%2").arg(server.trimmed(), login.trimmed());
}

bool SmtpPasswordStore::builtIn()
{
#ifdef ZAVOLIN_HAVE_KEYCHAIN
    return true;
#else
    return false;
#endif
}

void SmtpPasswordStore::read(const QString &server, const QString &login)
{
#ifdef ZAVOLIN_HAVE_KEYCHAIN
    // No parent: a job destroyed before the keyring answers crashes in its
    // callback, so each job lives until it has finished and then deletes
    // itself; a store gone meanwhile just gets no signal.
    auto *job = new QKeychain::ReadPasswordJob(kService);
    job->setAutoDelete(true);
    job->setKey(key(server, login));
    connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job *done) {
        const Outcome outcome = outcomeOf(done);
        const QString password = outcome == Outcome::Done
            ? static_cast<QKeychain::ReadPasswordJob *>(done)->textData() : QString();
        Q_EMIT readDone(outcome, password);
    });
    job->start();
#else
    Q_UNUSED(server)
    Q_UNUSED(login)
    QTimer::singleShot(0, this, [this] { Q_EMIT readDone(Outcome::NoKeyring, {}); });
#endif
}

void SmtpPasswordStore::write(const QString &server, const QString &login, const QString &password)
{
#ifdef ZAVOLIN_HAVE_KEYCHAIN
    auto *job = new QKeychain::WritePasswordJob(kService);
    job->setAutoDelete(true);
    job->setKey(key(server, login));
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this](QKeychain::Job *done) {
        Q_EMIT writeDone(outcomeOf(done));
    });
    job->start();
#else
    Q_UNUSED(server)
    Q_UNUSED(login)
    Q_UNUSED(password)
    QTimer::singleShot(0, this, [this] { Q_EMIT writeDone(Outcome::NoKeyring); });
#endif
}
