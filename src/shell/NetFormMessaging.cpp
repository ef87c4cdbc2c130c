// Auto-answer and the contact windows (IP list, aliases, blacklist) of the main window.
#include "NetForm.h"

#include "AliasAssign.h"
#include "AutoForm.h"
#include "BlackListForm.h"
#include "IpForm.h"
#include "NotifyController.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QListView>

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

void TNetForm::wireMessaging()
{
    // A user's click switches auto-answer; start-up only sets the items.
    connect(m_ui.action(NetAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);
    connect(m_ui.trayAction(TrayAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);
}

void TNetForm::wireContactWindows()
{
    connect(m_ui.action(NetAction::IpEditor), &QAction::triggered, this, [this] {
        auto *form = new TipForm(QDir(m_env.dataFolder).filePath(QStringLiteral("ip.lst")), m_env.settingsPath,
                                 contacts(), this);
        form->open();
    });
    connect(m_ui.action(NetAction::AutoAnswerText), &QAction::triggered, this, [this] {
        auto *form = new TAutoForm(m_env.settingsPath, this);
        form->open();
    });
    connect(m_ui.action(NetAction::Alias), &QAction::triggered, this, [this] {
        QListView *list = m_ui.listBox1();
        AliasAssign::start(contacts(), list->currentIndex().row(),
                           int(list->selectionModel()->selectedIndexes().size()), m_env.settingsPath, this);
    });
    connect(m_ui.action(NetAction::BlackList), &QAction::triggered, this, [this] {
        QAction *item = m_ui.action(NetAction::BlackList);
        item->setEnabled(false);
        auto *form = new TBlackListForm(QDir(m_env.dataFolder).filePath(QStringLiteral("BlackList.lst")),
                                        contacts(), m_ui.listBox1(), this);
        connect(form, &TBlackListForm::closed, item, [item] { item->setEnabled(true); });
        form->show();
    });
}

Recipient TNetForm::recipientAt(int row) const
{
    return m_messenger->recipientAt(row);
}

void TNetForm::applyAutoAnswer(bool on)
{
    m_ui.action(NetAction::AutoAnswer)->setChecked(on);
    m_ui.trayAction(TrayAction::AutoAnswer)->setChecked(on);
    setSessionTitle(on);
    m_messenger->setAutoAnswer(on);
}

void TNetForm::setSessionTitle(bool autoAnswer)
{
    const QString title = autoAnswer ? tr("Автоответчик - Zavolin")
                                     : tr("Сеанс сообщений - Zavolin");
    setWindowTitle(title);
    m_notify->setHint(title);
}
