// Sending and receiving messages in the main window.
#include "NetForm.h"

#include "AliasAssign.h"
#include "AutoAnswerTexts.h"
#include "AutoForm.h"
#include "BringUpOnce.h"
#include "BlackListForm.h"
#include "Cp1251.h"
#include "IpForm.h"
#include "SettingKeys.h"
#include "MessageBoxes.h"
#include "MsgFrame.h"
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
#include <QToolButton>

#include <algorithm>

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

namespace {

const QString kToAllPrefix = QStringLiteral("ОТПРАВЛЕНО ВСЕМ: ");

// A text the frame cannot carry would fail for every recipient alike; with
// several recipients those failures are silent, so it is refused up front.
bool refusedAsTooLong(QWidget *window, const QString &wireText)
{
    const qsizetype bytes = Cp1251::encode(wireText).size();
    if (bytes <= MsgFrame::kMaxField)
        return false;
    MessageBoxes::warning(window, QStringLiteral("Сообщение слишком длинное: %1 байт, можно не больше %2.")
                                      .arg(bytes)
                                      .arg(MsgFrame::kMaxField));
    return true;
}

} // namespace

void TNetForm::wireMessaging()
{
    connect(m_ui.action(NetAction::Send), &QAction::triggered, this, &TNetForm::send);
    connect(m_ui.speedButton25(), &QToolButton::clicked, this, &TNetForm::send);
    connect(m_ui.action(NetAction::SendAll), &QAction::triggered, this, &TNetForm::sendToAll);

    // A user's click switches auto-answer; start-up only sets the items.
    connect(m_ui.action(NetAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);
    connect(m_ui.trayAction(TrayAction::AutoAnswer), &QAction::triggered, this, &TNetForm::applyAutoAnswer);

    connect(m_ui.richEdit2(), &IncomingBrowser::anchorClicked, this,
            [](const QUrl &link) { QDesktopServices::openUrl(link); });

    m_sound->setFileFolders({m_env.dataFolder, QCoreApplication::applicationDirPath()});

    m_popupTimer.setSingleShot(true);
    m_popupTimer.setInterval(1000);
    connect(&m_popupTimer, &QTimer::timeout, this, [this] {
        m_notify->showPopup(QStringLiteral("Получено сообщение от: ") + m_popupSender);
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

void TNetForm::setPeerMessagePort(quint16 port)
{
    m_messenger->setPeerMessagePort(port);
}

bool TNetForm::isSending() const
{
    return m_messenger->isSending();
}

QString TNetForm::editorText() const
{
    // The wire carries the text as a Windows editor holds it: lines end in CR LF.
    return m_ui.memo1()->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

Recipient TNetForm::recipientAt(int row) const
{
    return m_messenger->recipientAt(row);
}

bool TNetForm::recordSent(const QString &text, const QString &to, bool reportWriteError)
{
    switch (m_messenger->recordSent(text, to)) {
    case HistoryLog::Result::Written:
        return true;
    case HistoryLog::Result::CannotCreate:
        MessageBoxes::warning(this, QStringLiteral("Ошибка создания файла!"));
        return true; // the send itself has been made; the remaining steps go on
    case HistoryLog::Result::WriteFailed:
        if (reportWriteError)
            MessageBoxes::error(this, QStringLiteral("Ошибка отправки сообщения!"));
        return false;
    }
    return false;
}

void TNetForm::send()
{
    if (m_shutDown)
        return;
    const QModelIndexList selected = m_ui.listBox1()->selectionModel()->selectedRows();
    const QString text = editorText();
    if (selected.size() < 2) {
        const QModelIndex current = m_ui.listBox1()->currentIndex();
        if (!current.isValid()) {
            MessageBoxes::warning(this, QStringLiteral("Не выбран компьютер!"));
            return;
        }
        if (text.isEmpty()) {
            MessageBoxes::warning(this, QStringLiteral("Введите текст для отправки сообщения!"));
            return;
        }
        const Recipient recipient = recipientAt(current.row());
        trackSending(1, recipient.displayName);
        m_messenger->send({recipient}, text, [this, text](const Recipient &r, bool delivered) {
            trackSending(-1);
            if (!delivered) {
                if (!r.secured) // a failed secure send asks its own question
                    offerDeliveryLater(r, text);
                return;
            }
            if (option(Option::AutoAnswer))
                MessageBoxes::information(this, QStringLiteral("У Вас включен автоответчик! Сообщение отправлено!"));
            if (option(Option::HideAfterSend))
                hideWindow();
            if (option(Option::History) && !recordSent(text, r.displayName, true))
                return; // the editor keeps its text
            if (option(Option::ClearAfterSend))
                m_ui.memo1()->clear();
        }, nullptr);
        return;
    }

    if (refusedAsTooLong(this, text))
        return;
    QList<int> rows;
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<Recipient> recipients;
    for (int row : rows)
        recipients.append(recipientAt(row));
    trackSending(int(recipients.size()), recipients.first().displayName);
    m_messenger->send(recipients, text,
                   [this, text](const Recipient &r, bool delivered) {
                       trackSending(-1);
                       if (delivered && option(Option::History))
                           recordSent(text, r.displayName, false);
                   },
                   [this] {
                       if (option(Option::ClearAfterSend))
                           m_ui.memo1()->clear();
                       if (option(Option::HideAfterSend))
                           hideWindow();
                   });
}

void TNetForm::trackSending(int change, const QString &to)
{
    const bool wasBusy = m_sendsPending > 0;
    m_sendsPending = std::max(0, m_sendsPending + change);
    const bool busy = m_sendsPending > 0;
    QToolButton *button = m_ui.speedButton25();
    if (busy && !to.isEmpty())
        button->setToolTip(QStringLiteral("Идёт отправка сообщения: %1…").arg(to));
    if (busy == wasBusy)
        return;
    // A slow peer may take seconds to answer; the editor stays usable meanwhile.
    m_ui.memo1()->viewport()->setCursor(busy ? Qt::BusyCursor : Qt::IBeamCursor);
    if (busy) {
        button->setCursor(Qt::BusyCursor);
    } else {
        button->unsetCursor();
        button->setToolTip(QStringLiteral("Отправить сообщение"));
    }
}

void TNetForm::sendToAll()
{
    const QString text = editorText();
    if (text.isEmpty()) {
        MessageBoxes::warning(this, QStringLiteral("Введите текст сообщения!"));
        return;
    }
    if (refusedAsTooLong(this, kToAllPrefix + QStringLiteral("\r\n") + text))
        return;
    auto go = [this, text] {
        if (m_shutDown)
            return;
        QList<Recipient> recipients;
        for (int row = 0; row < contacts().count(); ++row)
            recipients.append(recipientAt(row));
        if (!recipients.isEmpty())
            trackSending(int(recipients.size()), recipients.first().displayName);
        m_messenger->send(recipients, kToAllPrefix + QStringLiteral("\r\n") + text,
                       [this, text](const Recipient &r, bool delivered) {
                           trackSending(-1);
                           if (delivered && option(Option::History))
                               recordSent(kToAllPrefix + text, r.displayName, false);
                       },
                       [this] {
                           if (option(Option::ClearAfterSend))
                               m_ui.memo1()->clear();
                           if (option(Option::HideAfterSend))
                               hideWindow();
                       });
    };
    if (!option(Option::WarnBeforeSendToAll)) {
        go();
        return;
    }
    MessageBoxes::question(this, QStringLiteral("Внимание"),
                           QStringLiteral("Данное сообщение будет отправлено всем абонентам!\n\rПродолжить?"),
                           true, [go](bool yes) {
                               if (yes)
                                   go();
                           });
}

void TNetForm::applyAutoAnswer(bool on)
{
    m_ui.action(NetAction::AutoAnswer)->setChecked(on);
    m_ui.trayAction(TrayAction::AutoAnswer)->setChecked(on);
    setSessionTitle(on);
    m_messenger->setAutoAnswer(on);
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
