// Where the messenger listens: the open and the secure servers, and what
// each reports on the way to the receivers.
#include "Messenger.h"

#include "IniFile.h"
#include "Logging.h"
#include "SettingKeys.h"
#include "SpoolFile.h"

#include <QCoreApplication>
#include <QDir>

// The open and the secure servers feed the same receivers; only a secure
// server knows the key its peer proved.
void Messenger::serveMessages(TMsgServer &server, bool secure)
{
    connect(&server, &TMsgServer::messageReceived, this,
            [this, secure](const QString &fromName, const QString &text, const QHostAddress &peer,
                           const QString &peerKey, quint64 ticket) {
                receiveJudged(fromName, text, peer, secure ? peerKey : QString(), ticket);
            });
    connect(&server, &TMsgServer::connectionDropped, this,
            [this](const QString &reason) { m_messageDrops.record(reason); });
}

void Messenger::serveStreams(TStrmServer &server)
{
    connect(&server, &TStrmServer::streamReceived, this,
            [this](const ReceivedStream &stream) { m_fileReceiver->receive(stream); });
    connect(&server, &TStrmServer::streamStarted, m_fileReceiver.get(), &FileReceiver::started);
    connect(&server, &TStrmServer::streamProgress, m_fileReceiver.get(), &FileReceiver::progressed);
    connect(&server, &TStrmServer::connectionDropped, this,
            [this](const QString &reason) { m_streamDrops.record(reason); });
}

void Messenger::setUpSecureChannel()
{
    m_secure = std::make_unique<SecureChannel>(m_env.dataFolder, m_env.securePort);
    m_secure->setPeerPort(m_env.peerSecurePort);
    if (SecureMsgClient *reply = m_secure->replyClient()) {
        connect(reply, &TMsgClient::finished, this, [this] {
            if (auto done = std::exchange(m_replyDone, nullptr))
                done(true);
        });
        connect(reply, &TMsgClient::failed, this, [this] {
            if (auto done = std::exchange(m_replyDone, nullptr))
                done(false);
        });
    }
    serveMessages(m_secure->messageServer(), true);
    m_secure->setStreamAdmission([this](const StreamOffer &offer) { return m_fileReceiver->admit(offer); });
    serveStreams(m_secure->streamServer());
    connect(&m_secure->trust(), &KeyTrust::keyChanged, this, &Messenger::keyChanged);
    connect(&m_secure->trust(), &KeyTrust::keysConflict, this, &Messenger::keysConflict);
    if (!m_secure->pins().notice().isEmpty())
        QMetaObject::invokeMethod(this, [this] { Q_EMIT errorOccurred(QStringLiteral("pins"), m_secure->pins().notice()); },
                                  Qt::QueuedConnection);
    if (m_transfers && m_secure->streamClient()) {
        m_transfers->setClientFactory(
            [this](const Recipient &recipient) { return m_secure->makeStreamClient(recipient.host); });
    }
    if (m_sender) {
        m_sender->setSecureClient(m_secure->messageClient(), [this](const Recipient &recipient) {
            return m_secure->prepareMessageClient(recipient.host);
        });
    }
}

void Messenger::listen()
{
    if (!m_secure->identityNotice().isEmpty())
        Q_EMIT errorOccurred(QStringLiteral("identity"), m_secure->identityNotice());
    if (m_secure->isAvailable() && !m_secure->listen(m_env.listenAddress)) {
        Q_EMIT errorOccurred(QStringLiteral("listen-secure"),
                             tr("Защищённые сообщения не будут приниматься: порт %1 занят (%2).")
                                 .arg(m_env.securePort)
                                 .arg(m_secure->errorString()));
    }
    if (!m_msgServer->listen(m_env.listenAddress)) {
        if (m_msgServer->serverError() == QAbstractSocket::AddressInUseError)
            reportPortTaken(QStringLiteral("listen"), false, m_env.messagePort,
                            tr("Сообщения не будут приниматься"));
        else
            Q_EMIT errorOccurred(QStringLiteral("listen"),
                             tr("Сообщения не будут приниматься: порт %1 занят (%2). "
                                            "Возможно, Zavolin уже запущен на этом компьютере.")
                                 .arg(m_env.messagePort)
                                 .arg(m_msgServer->errorString()));
    }
    listenForFiles();
}

void Messenger::listenForFiles()
{
    m_strmServer = std::make_unique<TStrmServer>();
    m_strmServer->setPort(m_env.streamPort);
    m_strmServer->setAdmission([this](const StreamOffer &offer) { return m_fileReceiver->admit(offer); });
    serveStreams(*m_strmServer);
    connect(m_strmServer.get(), &TStrmServer::spoolLimitReached, this, [](int files, qint64 bytes) {
        qCWarning(lcZavolin, "%d received files (%lld bytes) wait to be saved; further files are refused until there is room",
                  files, static_cast<long long>(bytes));
    });
    removeStaleSpoolFiles();
    if (m_strmServer->listen(m_env.listenAddress))
        return;
    const quint16 port = m_env.streamPort;
    if (m_strmServer->serverError() == QAbstractSocket::SocketAccessError) {
        // Ports below 1024 belong to root on Linux unless the program is allowed them.
        Q_EMIT errorOccurred(QStringLiteral("listen-files"),
                             tr("Файлы не будут приниматься: порт %1 в Linux открывает только администратор.\n"
                                            "Чтобы разрешить, выполните одну из команд и перезапустите Zavolin:\n"
                                            "sudo setcap 'cap_net_bind_service=+ep' %2\n"
                                            "sudo sysctl net.ipv4.ip_unprivileged_port_start=%1")
                                 .arg(port)
                                 .arg(QCoreApplication::applicationFilePath()));
        return;
    }
    if (m_strmServer->serverError() == QAbstractSocket::AddressInUseError) {
        reportPortTaken(QStringLiteral("listen-files"), false, port,
                        tr("Файлы не будут приниматься"));
        return;
    }
    Q_EMIT errorOccurred(QStringLiteral("listen-files"),
                         tr("Файлы не будут приниматься: порт %1 занят (%2). "
                                        "Возможно, Zavolin уже запущен на этом компьютере.")
                             .arg(port)
                             .arg(m_strmServer->errorString()));
}

void Messenger::removeStaleSpoolFiles() const
{
    // Left by an instance that was killed while a file arrived; files that a
    // running instance holds are locked and stay. The store has not read the
    // preset folder yet: the stream server listens before start-up.
    QStringList folders{m_env.dataFolder, QDir::tempPath()};
    const QString preset = SettingKeys::kSaveFileDir.read(IniFile(m_env.settingsPath));
    if (preset != SettingKeys::kNoFolder)
        folders << preset;
    for (const QString &folder : std::as_const(folders)) {
        if (const int removed = SpoolFile::removeStale(folder))
            qCInfo(lcZavolin, "removed %d unfinished received files from %s", removed, qPrintable(folder));
    }
}

