// Sending and receiving messages in the main window.
#include "NetForm.h"

#include "AliasAssign.h"
#include "AutoAnswerTexts.h"
#include "AutoForm.h"
#include "BringUpOnce.h"
#include "BlackListForm.h"
#include "IpForm.h"
#include "SettingKeys.h"
#include "NotifyController.h"
#include "SoundPlayer.h"
#include "TrayIconUnit.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include "IncomingBrowser.h"


using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

void TNetForm::wireMessaging()
{

    // A user's click switches auto-answer; start-up only sets the items.
    connect(m_ui.action(NetAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);
    connect(m_ui.trayAction(TrayAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);

    connect(m_ui.richEdit2(), &IncomingBrowser::anchorClicked, this,
            [](const QUrl &link) { QDesktopServices::openUrl(link); });

    m_sound->setFileFolders({m_env.dataFolder, QCoreApplication::applicationDirPath()});

    m_popupTimer.setSingleShot(true);
    m_popupTimer.setInterval(1000);
    connect(&m_popupTimer, &QTimer::timeout, this, [this] {
        m_notify->showPopup(tr("Получено сообщение от: %1").arg(m_popupSender));
    });
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

void TNetForm::startTrayBlinking()
{
    if (m_tray)
        m_tray->startBlinking();
    // No tray to blink: the taskbar button asks for attention instead.
    if (hasNoTray()) {
        QApplication::alert(this);
        m_notify->announceWithoutTray();
    }
}

void TNetForm::showMainWindow()
{
    m_bringUp->request();
}

void TNetForm::armPopup(const QString &displayName)
{
    m_popupSender = displayName;
    if (!m_popupTimer.isActive()) // a second message renames the popup, it does not delay it
        m_popupTimer.start();
}

void TNetForm::showIncoming(const IncomingEntry &entry)
{
    m_incomingBatch.add(entry);
}
