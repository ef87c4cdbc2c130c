// Sending and receiving messages in the main window.
#include "NetForm.h"

#include "AliasAssign.h"
#include "AutoAnswerTexts.h"
#include "AutoForm.h"
#include "BlackListForm.h"
#include "Cp1251.h"
#include "IncomingRenderer.h"
#include "IpForm.h"
#include "IniFile.h"
#include "SettingKeys.h"
#include "MessageBoxes.h"
#include "MsgFrame.h"
#include "SoundPlayer.h"
#include "TrayIconUnit.h"
#include "WindowFront.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolButton>

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

namespace {

const QString kToAllPrefix = QStringLiteral("ОТПРАВЛЕНО ВСЕМ: ");
const QString kAutoAnsweredHint = QStringLiteral("Автоответчик: Приходили сообщения! - Zavolin");

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

    connect(m_ui.richEdit2(), &QTextBrowser::anchorClicked, this,
            [](const QUrl &link) { QDesktopServices::openUrl(link); });

    connect(m_replyClient.get(), &TMsgClient::finished, this, [this] {
        if (auto done = std::exchange(m_replyDone, nullptr))
            done(true);
    });
    connect(m_replyClient.get(), &TMsgClient::failed, this, [this] {
        if (auto done = std::exchange(m_replyDone, nullptr))
            done(false);
    });

    m_sound->setFileFolders({m_env.dataFolder, QCoreApplication::applicationDirPath()});

    m_popupTimer.setSingleShot(true);
    m_popupTimer.setInterval(1000);
    connect(&m_popupTimer, &QTimer::timeout, this, [this] {
        Q_EMIT popupRequested(QStringLiteral("Получено сообщение от: ") + m_popupSender);
    });
}

void TNetForm::wireContactWindows()
{
    connect(m_ui.action(NetAction::IpEditor), &QAction::triggered, this, [this] {
        auto *form = new TipForm(QDir(m_env.dataFolder).filePath(QStringLiteral("ip.lst")), m_env.settingsPath,
                                 m_contacts, this);
        form->open();
    });
    connect(m_ui.action(NetAction::AutoAnswerText), &QAction::triggered, this, [this] {
        auto *form = new TAutoForm(m_env.settingsPath, this);
        form->open();
    });
    connect(m_ui.action(NetAction::Alias), &QAction::triggered, this, [this] {
        QListView *list = m_ui.listBox1();
        AliasAssign::start(m_contacts, list->currentIndex().row(),
                           int(list->selectionModel()->selectedIndexes().size()), m_env.settingsPath, this);
    });
    connect(m_ui.action(NetAction::BlackList), &QAction::triggered, this, [this] {
        QAction *item = m_ui.action(NetAction::BlackList);
        item->setEnabled(false);
        auto *form = new TBlackListForm(QDir(m_env.dataFolder).filePath(QStringLiteral("BlackList.lst")),
                                        m_contacts, m_ui.listBox1(), this);
        connect(form, &TBlackListForm::closed, item, [item] { item->setEnabled(true); });
        form->show();
    });
}

void TNetForm::setPeerMessagePort(quint16 port)
{
    m_sender->setPort(port);
    m_replyClient->setPort(port);
}

bool TNetForm::isSending() const
{
    return m_sender && m_sender->isBusy();
}

QString TNetForm::editorText() const
{
    // The wire carries the text as a Windows editor holds it: lines end in CR LF.
    return m_ui.memo1()->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

Recipient TNetForm::recipientAt(int row) const
{
    const QString address = m_contacts.addressAt(row);
    return {address, m_contacts.displayNameAt(row), m_presenceAddress.value(address)};
}

bool TNetForm::recordSent(const QString &text, const QString &to, bool reportWriteError)
{
    switch (m_history.write(text, ownName(), to)) {
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
    if (!m_sender)
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
        m_sender->send(ownName(), {recipient}, text, [this, text](const Recipient &r, bool delivered) {
            if (!delivered) {
                MessageBoxes::error(this, QStringLiteral("Ошибка отправки сообщения!"));
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
    m_sender->send(ownName(), recipients, text,
                   [this, text](const Recipient &r, bool delivered) {
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
        if (!m_sender)
            return;
        QList<Recipient> recipients;
        for (int row = 0; row < m_contacts.count(); ++row)
            recipients.append(recipientAt(row));
        m_sender->send(ownName(), recipients, kToAllPrefix + QStringLiteral("\r\n") + text,
                       [this, text](const Recipient &r, bool delivered) {
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
    broadcast(DatagramDispatcher::autoAnswerState(on, ownName()));
}

void TNetForm::onMessage(const QString &fromName, const QString &text, const QHostAddress &peer)
{
    m_receiver.receive(fromName, text, peer.toString());
}

bool TNetForm::isBlacklisted(const QString &displayName) const
{
    return m_contacts.isBlacklisted(displayName);
}

QString TNetForm::autoAnswerText() const
{
    return AutoAnswerTexts(m_env.settingsPath).answer();
}

void TNetForm::postReply(const QString &host, const QString &fallbackHost, const QString &text,
                         std::function<void(bool delivered)> done)
{
    if (!m_replyClient) {
        done(false);
        return;
    }
    m_replyDone = std::move(done);
    m_replyClient->setHost(host);
    m_replyClient->setFallbackHost(fallbackHost);
    m_replyClient->setFromName(ownName());
    m_replyClient->postText(text);
}

void TNetForm::markAutoAnswered()
{
    if (m_tray)
        m_tray->setToolTip(kAutoAnsweredHint);
}

void TNetForm::writeHistory(const QString &text, const QString &from, const QString &to)
{
    // Write errors while receiving are not the user's concern; a missing file is.
    if (m_history.write(text, from, to) == HistoryLog::Result::CannotCreate)
        MessageBoxes::warning(this, QStringLiteral("Ошибка создания файла!"));
}

void TNetForm::playSound()
{
    m_sound->play(SettingKeys::kMusic.read(IniFile(m_env.settingsPath)));
}

void TNetForm::startTrayBlinking()
{
    if (m_tray)
        m_tray->startBlinking();
    // No tray to blink: the taskbar button asks for attention instead.
    if (hasNoTray())
        QApplication::alert(this);
}

void TNetForm::showMainWindow()
{
    showRestored();
    bringToFront(this);
}

void TNetForm::armPopup(const QString &displayName)
{
    m_popupSender = displayName;
    if (!m_popupTimer.isActive()) // a second message renames the popup, it does not delay it
        m_popupTimer.start();
}

void TNetForm::ringFloatingWindow()
{
    Q_EMIT floatingWindowRing();
}

void TNetForm::clearIncoming()
{
    m_incoming.clear();
}

void TNetForm::showIncoming(const IncomingEntry &entry)
{
    IncomingRenderer::render(m_incoming, entry, [this] {
        QScrollBar *bar = m_ui.richEdit2()->verticalScrollBar();
        bar->setValue(bar->maximum());
    });
}

void TNetForm::reportReceiveError()
{
    MessageBoxes::error(this, QStringLiteral("Ошибка получения сообщения!"));
}
