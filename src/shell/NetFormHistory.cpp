#include "HistoryForm.h"
#include "NetForm.h"

#include <QAction>
#include <QDir>

// "История сообщений" (Ctrl+L) opens from any of the program's windows.
void TNetForm::wireHistory()
{
    QAction *history = m_ui.action(NetFormWidgets::NetAction::History);
    history->setShortcutContext(Qt::ApplicationShortcut);
    addAction(history);
    connect(history, &QAction::triggered, this,
            [this] { THistoryForm::open(QDir(m_env.dataFolder).filePath(QStringLiteral("Log.txt")), this); });
}
