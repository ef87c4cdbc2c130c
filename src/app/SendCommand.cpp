#include "SendCommand.h"

#include "MsgChannel.h"
#include "MsgFrame.h"
#include "OwnName.h"

#include <cstdio>

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "zavolin: %s\n", text.toLocal8Bit().constData());
}

} // namespace

SendCommand::SendCommand(const QString &host, const QString &text, QObject *parent)
    : QObject(parent)
    , m_client(new TMsgClient(this))
    , m_text(text)
{
    m_client->setHost(host);
    m_client->setFromName(OwnName::current());
    connect(m_client, &TMsgClient::finished, this, [this](const QByteArray &reply) {
        if (reply == MsgFrame::acknowledgement()) {
            Q_EMIT done(0);
            return;
        }
        printError(QStringLiteral("%1 closed the connection without acknowledging the message")
                       .arg(m_client->host()));
        Q_EMIT done(2);
    });
    connect(m_client, &TMsgClient::failed, this, [this](const QString &error) {
        printError(error);
        Q_EMIT done(1);
    });
}

void SendCommand::start()
{
    m_client->postText(m_text);
}
