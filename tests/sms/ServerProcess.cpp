#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool ServerProcess::start(const QString &script, const QStringList &arguments)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral(SMS_PYTHON), QStringList{QStringLiteral(SMS_TEST_DIR "/") + script} + arguments);
    if (!m_process.waitForStarted(10000)) {
        m_reason = QStringLiteral("cannot run " SMS_PYTHON);
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (!m_pending.contains('\n') && !deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            break;
        m_process.waitForReadyRead(200);
        m_pending += m_process.readAllStandardOutput();
    }
    const qsizetype end = m_pending.indexOf('\n');
    const QByteArray first = end < 0 ? m_pending : m_pending.left(end).trimmed();
    m_pending = end < 0 ? QByteArray() : m_pending.mid(end + 1);
    if (first == "NO-AIOSMTPD") {
        m_reason = QStringLiteral("python3-aiosmtpd is not installed for " SMS_PYTHON
                                  " (scripts/test.sh installs it)");
        return false;
    }
    bool ok = false;
    m_port = first.toUShort(&ok);
    if (!ok) {
        m_reason = QStringLiteral("the server did not start: ") + QString::fromLocal8Bit(first)
                   + QString::fromLocal8Bit(m_process.readAllStandardError());
        return false;
    }
    return true;
}

QStringList ServerProcess::lines(int count)
{
    QDeadlineTimer deadline(10000);
    while (m_pending.count('\n') < count && !deadline.hasExpired()) {
        m_process.waitForReadyRead(100);
        m_pending += m_process.readAllStandardOutput();
    }
    QStringList result;
    for (const QByteArray &line : m_pending.split('\n')) {
        if (!line.isEmpty())
            result.append(QString::fromLatin1(line.trimmed()));
    }
    return result;
}
