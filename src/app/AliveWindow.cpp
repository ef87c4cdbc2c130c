#include "AliveWindow.h"

#include <QDateTime>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

AliveWindow::AliveWindow(const QString &ownName, QWidget *parent)
    : QWidget(parent)
    , m_log(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("AliveWindow"));
    setWindowTitle(QStringLiteral("Сеанс сообщений - Zavolin"));
    auto *name = new QLabel(QStringLiteral("Zavolin работает. Имя компьютера: <b>%1</b>")
                                .arg(ownName.toHtmlEscaped()),
                            this);
    m_log->setReadOnly(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(m_log);
    resize(440, 280);
}

void AliveWindow::showMessage(const QString &fromName, const QString &text)
{
    m_log->appendPlainText(QStringLiteral("[%1] %2:\n%3")
                               .arg(QTime::currentTime().toString(u"HH:mm:ss"), fromName, text));
}

void AliveWindow::showNotice(const QString &text)
{
    m_log->appendPlainText(text);
}
