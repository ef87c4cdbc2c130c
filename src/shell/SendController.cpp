#include "SendController.h"

#include "MessageBoxes.h"
#include "Messenger.h"
#include "NetFormWidgets.h"
#include "SendFlow.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListView>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

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

bool SendController::refused(const SendFlow::Plan &plan)
{
    using SendFlow::Refusal;
    if (plan.refusal == Refusal::None)
        return false;
    const QString text =
        plan.refusal == Refusal::NoContact      ? tr("Не выбран компьютер!")
        : plan.refusal == Refusal::NoText       ? tr("Введите текст для отправки сообщения!")
        : plan.refusal == Refusal::NoTextForAll ? tr("Введите текст сообщения!")
                                                : tr("Сообщение слишком длинное: %1 байт, можно не больше %2.")
                                                      .arg(plan.bytes)
                                                      .arg(SendFlow::kMaxBytes);
    MessageBoxes::warning(m_window, text);
    return true;
}

QList<Recipient> SendController::recipientsOf(const SendFlow::Plan &plan) const
{
    QList<Recipient> recipients;
    for (int row : plan.rows)
        recipients.append(m_messenger.recipientAt(row));
    return recipients;
}

void SendController::send()
{
    if (m_hasShutDown())
        return;
    QList<int> selected;
    for (const QModelIndex &index : m_ui.listBox1()->selectionModel()->selectedRows())
        selected.append(index.row());
    const QModelIndex current = m_ui.listBox1()->currentIndex();
    const SendFlow::Plan plan = SendFlow::toSelected(selected, current.isValid() ? current.row() : -1, editorText());
    if (refused(plan))
        return;
    const QList<Recipient> recipients = recipientsOf(plan);
    if (plan.single)
        sendToOne(recipients.first(), plan.wireText);
    else
        sendToSeveral(recipients, plan);
}

void SendController::sendToOne(const Recipient &recipient, const QString &text)
{
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
        if (!recordSent(text, r.displayName, true))
            return; // the editor keeps its text
        if (option(Option::ClearAfterSend))
            m_ui.memo1()->clear();
    }, nullptr);
}

void SendController::sendToSeveral(const QList<Recipient> &recipients, const SendFlow::Plan &plan)
{
    if (!recipients.isEmpty())
        trackSending(int(recipients.size()), recipients.first().displayName);
    m_messenger.send(recipients, plan.wireText,
                     [this, history = plan.historyText](const Recipient &r, bool delivered) {
                         trackSending(-1);
                         if (delivered)
                             recordSent(history, r.displayName, false);
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
    const SendFlow::Plan plan =
        SendFlow::toAll(m_messenger.contacts().count(), text, option(Option::WarnBeforeSendToAll));
    if (refused(plan))
        return;
    auto go = [this, text] {
        if (m_hasShutDown())
            return;
        // Whoever is listed once the user has agreed.
        const SendFlow::Plan now = SendFlow::toAll(m_messenger.contacts().count(), text, false);
        sendToSeveral(recipientsOf(now), now);
    };
    if (!plan.askFirst) {
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

void SendController::sendOpenly(const Recipient &recipient, const QString &text)
{
    m_messenger.sendOpenly(recipient, text, [this, text](const Recipient &r, bool delivered) {
        if (!delivered) {
            MessageBoxes::error(m_window, tr("Ошибка отправки сообщения!"));
            return;
        }
        recordSent(text, r.displayName, false);
    }, nullptr);
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
