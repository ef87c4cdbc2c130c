#include "HistoryForm.h"
#include "NetForm.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>

// "История сообщений" (Ctrl+L) in the Open menu, after the SMS item.
void TNetForm::wireHistory()
{
    auto *history = new QAction(QStringLiteral("История сообщений"), this);
    history->setObjectName(QStringLiteral("HistoryAction"));
    history->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    history->setShortcutContext(Qt::ApplicationShortcut);
    addAction(history);
    if (auto *open = menuBar()->findChild<QMenu *>(QStringLiteral("OpenMenu"))) {
        const QList<QAction *> items = open->actions();
        const qsizetype sms = items.indexOf(m_ui.action(NetFormWidgets::NetAction::Sms));
        if (sms >= 0 && sms + 1 < items.size())
            open->insertAction(items.at(sms + 1), history);
        else
            open->addAction(history);
    }
    connect(history, &QAction::triggered, this,
            [this] { THistoryForm::open(QDir(m_env.dataFolder).filePath(QStringLiteral("Log.txt")), this); });
}
