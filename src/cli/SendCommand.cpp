#include "SendCommand.h"

#include "AliasBook.h"
#include "HistoryLog.h"
#include "IniFile.h"
#include "MsgChannel.h"
#include "MsgFrame.h"
#include "Options.h"
#include "OwnName.h"
#include "PrivateFiles.h"
#include "SecureChannel.h"
#include "SettingKeys.h"

#include <QDir>

#include <cstdio>

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "zavolin: %s\n", text.toLocal8Bit().constData());
}

// Messages separate their lines by CR LF, as the window's editor sends them;
// a shell hands over LF.
QString withCrLf(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

} // namespace

SendCommand::SendCommand(const QString &host, const QString &text, const QString &dataFolder, quint16 securePort,
                         QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_text(withCrLf(text))
    , m_dataFolder(dataFolder)
{
    if (!dataFolder.isEmpty()) {
        // Our own listener stays closed: this run only sends.
        auto secure = std::make_unique<SecureChannel>(dataFolder, 0);
        secure->setPeerPort(securePort);
        // By name or by address: a host whose key is pinned gets nothing in the open.
        if (secure->isSecureRoute(host))
            m_secure = std::move(secure);
    }
    if (m_secure && (!m_secure->prepareMessageClient(host) || !m_secure->messageClient())) {
        // A pinned recipient without an identity of ours to prove: nothing can go, least of all openly.
        m_unavailable = m_secure->identityNotice();
        return;
    }
    m_client = m_secure ? m_secure->messageClient() : new TMsgClient(this);
    if (!m_secure)
        m_client->setHost(host);
    m_client->setFromName(OwnName::current());
    connect(m_client, &TMsgClient::finished, this, [this](const QByteArray &reply) {
        if (reply == MsgFrame::acknowledgement()) {
            recordSent();
            Q_EMIT done(0);
            return;
        }
        printError(QStringLiteral("%1 closed the connection without acknowledging the message")
                       .arg(m_client->host()));
        Q_EMIT done(2);
    });
    connect(m_client, &TMsgClient::failed, this, [this](const QString &error) {
        printError(m_secure ? QStringLiteral("%1 (secure channel; the message was not sent in the open)").arg(error)
                            : error);
        Q_EMIT done(1);
    });
}

SendCommand::~SendCommand() = default;

void SendCommand::setPort(quint16 port)
{
    if (m_client && !m_secure)
        m_client->setPort(port);
}

void SendCommand::start()
{
    if (!m_client) {
        printError(QStringLiteral("%1 (secure channel; the message was not sent in the open)").arg(m_unavailable));
        Q_EMIT done(1);
        return;
    }
    m_client->postText(m_text);
}

void SendCommand::recordSent() const
{
    if (m_dataFolder.isEmpty() || m_settingsPath.isEmpty())
        return;
    const IniFile settings(m_settingsPath);
    if (!settings.readBool(SettingKeys::kForm, Options::key(Option::History), Options::defaultValue(Option::History)))
        return;
    const QString path = QDir(m_dataFolder).filePath(QStringLiteral("Log.txt"));
    // The moment of the acknowledgement is the entry's time, as in the window.
    if (PrivateFiles::makeFolder(m_dataFolder)
        && HistoryLog(path).write(m_text, OwnName::current(), AliasBook(m_settingsPath).displayName(m_host))
               == HistoryLog::Result::Written)
        return;
    printError(QStringLiteral("the message was delivered, but %1 could not be written").arg(path));
}
