#include "SendController.h"

#include "Cp1251.h"
#include "MessageBoxes.h"
#include "Messenger.h"
#include "MsgFrame.h"
#include "NetFormWidgets.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

namespace {

const QString kToAllPrefix = QStringLiteral("ОТПРАВЛЕНО ВСЕМ: ");

// A text the frame cannot carry would fail for every recipient alike; with
// several recipients those failures are silent, so it is refused up front.
bool refusedAsTooLong(QWidget *window, const QString &wireText)
{
    const qsizetype bytes = Cp1251::encode(wireText).size();
    if (bytes <= MsgFrame::kMaxField)
        return false;
    MessageBoxes::warning(window, SendController::tr("Сообщение слишком длинное: %1 байт, можно не больше %2.")
                                      .arg(bytes)
                                      .arg(MsgFrame::kMaxField));
    return true;
}

} // namespace

SendController::SendController(const Setup &setup)
    : m_window(setup.window)
    , m_ui(setup.ui)
    , m_messenger(setup.messenger)
    , m_hideWindow(setup.hideWindow)
    , m_hasShutDown(setup.hasShutDown)
{
    connect(m_ui.action(NetFormWidgets::NetAction::Send), &QAction::triggered, this, &SendController::send);
    connect(m_ui.speedButton25(), &QToolButton::clicked, this, &SendController::send);
    connect(m_ui.action(NetFormWidgets::NetAction::SendAll), &QAction::triggered, this, &SendController::sendToAll);
}

bool SendController::option(Option option) const
{
    return m_messenger.options().isOn(option);
}

QString SendController::editorText() const
{
    // The wire carries the text as a Windows editor holds it: lines end in CR LF.
    return m_ui.memo1()->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

bool SendController::recordSent(const QString &text, const QString &to, bool reportWriteError)
{
    switch (m_messenger.recordSent(text, to)) {
    case HistoryLog::Result::Written:
        return true;
    case HistoryLog::Result::CannotCreate:
        MessageBoxes::warning(m_window, tr("Ошибка создания файла!"));
        return true; // the send itself has been made; the remaining steps go on
    case HistoryLog::Result::WriteFailed:
        if (reportWriteError)
            MessageBoxes::error(m_window, tr("Ошибка отправки сообщения!"));
        return false;
    }
    return false;
}

void SendController::send()
{
    if (m_hasShutDown())
        return;
    const QModelIndexList selected = m_ui.listBox1()->selectionModel()->selectedRows();
    const QString text = editorText();
    if (selected.size() < 2) {
        const QModelIndex current = m_ui.listBox1()->currentIndex();
        if (!current.isValid()) {
            MessageBoxes::warning(m_window, tr("Не выбран компьютер!"));
            return;
        }
        if (text.isEmpty()) {
            MessageBoxes::warning(m_window, tr("Введите текст для отправки сообщения!"));
            return;
        }
        const Recipient recipient = m_messenger.recipientAt(current.row());
        trackSending(1, recipient.displayName);
        m_messenger.send({recipient}, text, [this, text](const Recipient &r, bool delivered) {
            trackSending(-1);
            if (!delivered) {
                if (!r.secured) // a failed secure send asks its own question
                    offerDeliveryLater(r, text);
                return;
            }
            if (option(Option::AutoAnswer))
                MessageBoxes::information(m_window, tr("У Вас включен автоответчик! Сообщение отправлено!"));
            if (option(Option::HideAfterSend))
                m_hideWindow();
            if (option(Option::History) && !recordSent(text, r.displayName, true))
                return; // the editor keeps its text
            if (option(Option::ClearAfterSend))
                m_ui.memo1()->clear();
        }, nullptr);
        return;
    }

    if (refusedAsTooLong(m_window, text))
        return;
    QList<int> rows;
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<Recipient> recipients;
    for (int row : rows)
        recipients.append(m_messenger.recipientAt(row));
    trackSending(int(recipients.size()), recipients.first().displayName);
    m_messenger.send(recipients, text,
                   [this, text](const Recipient &r, bool delivered) {
                       trackSending(-1);
                       if (delivered && option(Option::History))
                           recordSent(text, r.displayName, false);
                   },
                   [this] {
                       if (option(Option::ClearAfterSend))
                           m_ui.memo1()->clear();
                       if (option(Option::HideAfterSend))
                           m_hideWindow();
                   });
}

void SendController::trackSending(int change, const QString &to)
{
    const bool wasBusy = m_sendsPending > 0;
    m_sendsPending = std::max(0, m_sendsPending + change);
    const bool busy = m_sendsPending > 0;
    QToolButton *button = m_ui.speedButton25();
    if (busy && !to.isEmpty())
        button->setToolTip(tr("Идёт отправка сообщения: %1…").arg(to));
    if (busy == wasBusy)
        return;
    // A slow peer may take seconds to answer; the editor stays usable meanwhile.
    m_ui.memo1()->viewport()->setCursor(busy ? Qt::BusyCursor : Qt::IBeamCursor);
    if (busy) {
        button->setCursor(Qt::BusyCursor);
    } else {
        button->unsetCursor();
        button->setToolTip(tr("Отправить сообщение"));
    }
}

void SendController::sendToAll()
{
    const QString text = editorText();
    if (text.isEmpty()) {
        MessageBoxes::warning(m_window, tr("Введите текст сообщения!"));
        return;
    }
    if (refusedAsTooLong(m_window, kToAllPrefix + QStringLiteral("\r\n") + text))
        return;
    auto go = [this, text] {
        if (m_hasShutDown())
            return;
        QList<Recipient> recipients;
        for (int row = 0; row < m_messenger.contacts().count(); ++row)
            recipients.append(m_messenger.recipientAt(row));
        if (!recipients.isEmpty())
            trackSending(int(recipients.size()), recipients.first().displayName);
        m_messenger.send(recipients, kToAllPrefix + QStringLiteral("\r\n") + text,
                       [this, text](const Recipient &r, bool delivered) {
                           trackSending(-1);
                           if (delivered && option(Option::History))
                               recordSent(kToAllPrefix + text, r.displayName, false);
                       },
                       [this] {
                           if (option(Option::ClearAfterSend))
                               m_ui.memo1()->clear();
                           if (option(Option::HideAfterSend))
                               m_hideWindow();
                       });
    };
    if (!option(Option::WarnBeforeSendToAll)) {
        go();
        return;
    }
    MessageBoxes::question(m_window, tr("Внимание"),
                           tr("Данное сообщение будет отправлено всем абонентам!\n\rПродолжить?"),
                           true, [go](bool yes) {
                               if (yes)
                                   go();
                           });
}

void SendController::offerDeliveryLater(const Recipient &recipient, const QString &text)
{
    // The standard words first, then to whom and why: a refused connection
    // wants a different remedy than a computer that is off.
    QString words = tr("Ошибка отправки сообщения!\n\nКому: %1").arg(recipient.displayName);
    if (!recipient.failure.isEmpty())
        words += u'\n' + tr("Причина: %1.").arg(recipient.failure);
    QMessageBox *box = MessageBoxes::show(m_window, QMessageBox::Warning, tr("Ошибка"), words);
    QPushButton *later = box->addButton(tr("Доставить позже"), QMessageBox::AcceptRole);
    later->setObjectName(QStringLiteral("DeliverLaterButton"));
    later->setAccessibleName(later->text());
    connect(later, &QPushButton::clicked, this, [this, recipient, text] {
        m_messenger.queueForLater(recipient, text);
        if (option(Option::ClearAfterSend))
            m_ui.memo1()->clear();
    });
}
