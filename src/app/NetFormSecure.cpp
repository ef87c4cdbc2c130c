// The main window's part of the secure channel: what the user is asked when
// a computer's key changes and when a message or a file could not go securely.
#include "NetForm.h"

#include "Fingerprint.h"
#include "KeyForm.h"
#include "MessageBoxes.h"
#include "Messenger.h"

#include <QFileInfo>
#include <QListView>
#include <QMenu>

TKeyForm *TNetForm::openKeyForm(int row)
{
    SecureChannel *channel = m_messenger ? m_messenger->secure() : nullptr;
    if (!channel || !channel->isAvailable() || row < 0 || row >= contacts().count())
        return nullptr;
    const QString contact = recipientAt(row).host;
    for (auto *open : findChildren<TKeyForm *>()) {
        if (open->contact().compare(contact, Qt::CaseInsensitive) == 0) {
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto *form = new TKeyForm(*channel, ownName(), contact, this);
    form->show();
    return form;
}

void TNetForm::wireSecureChannel()
{
    Messenger *core = m_messenger.get();
    m_contactMenu = new QMenu(this);
    m_contactMenu->setObjectName(QStringLiteral("ContactPopupMenu"));
    m_contactMenu->setAccessibleName(QStringLiteral("Меню контакта"));
    QAction *keys = m_contactMenu->addAction(QStringLiteral("Ключи и отпечатки..."));
    keys->setObjectName(QStringLiteral("KeysItem"));
    connect(keys, &QAction::triggered, this, [this] { openKeyForm(m_ui.listBox1()->currentIndex().row()); });
    QListView *list = m_ui.listBox1();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &position) {
        const QModelIndex at = list->indexAt(position);
        if (at.isValid())
            list->setCurrentIndex(at);
        if (!list->currentIndex().isValid())
            return;
        m_contactMenu->popup(list->viewport()->mapToGlobal(position)); // never exec(): events keep flowing
    });
    connect(core, &Messenger::keyChanged, this,
            [this](const QString &name, const QString &address, const QString &pinned, const QString &offered) {
                const QString text =
                    QStringLiteral("Компьютер %1%2 предъявил другой ключ.\n\n"
                                   "Закреплённый отпечаток:\n%3\n\nНовый отпечаток:\n%4\n\n"
                                   "Пока новый ключ не принят, ему ничего не отправляется по защищённому каналу, "
                                   "а сообщения с этим ключом от его имени не принимаются.\n"
                                   "Примите новый ключ, только сверив отпечаток с его владельцем (например, по телефону).\n\n"
                                   "Принять новый ключ?")
                        .arg(name, address.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(address),
                             Fingerprint::grouped(pinned), Fingerprint::grouped(offered));
                // "Да" pins the key this box shows, whatever was offered after it.
                MessageBoxes::question(this, QStringLiteral("Внимание"), text, false, [this, name, offered](bool yes) {
                    if (yes && m_messenger && m_messenger->secure())
                        m_messenger->secure()->trust().accept(name, offered);
                });
            });
    connect(core, &Messenger::secureSendFailed, this,
            [this](const Recipient &recipient, const QString &text, const QString &reason) {
                const QString question =
                    QStringLiteral("Сообщение для %1 не отправлено по защищённому каналу: %2.\n"
                                   "Отправить его открыто, без шифрования, один раз?")
                        .arg(recipient.displayName, reason);
                MessageBoxes::question(this, QStringLiteral("Внимание"), question, false,
                                       [this, recipient, text](bool yes) {
                    if (!yes || !m_messenger)
                        return;
                    m_messenger->sendOpenly(recipient, text, [this, text](const Recipient &r, bool delivered) {
                        if (!delivered) {
                            MessageBoxes::error(this, QStringLiteral("Ошибка отправки сообщения!"));
                            return;
                        }
                        if (option(Option::History))
                            recordSent(text, r.displayName, false);
                    }, nullptr);
                });
            });
    connect(core, &Messenger::secureFileSendFailed, this,
            [this](int id, const Recipient &recipient, const QString &path, const QString &reason) {
                m_secureFileFailures.insert(id);
                const QString question =
                    QStringLiteral("Файл «%1» для %2 не отправлен по защищённому каналу: %3.\n"
                                   "Отправить его открыто, без шифрования, один раз?")
                        .arg(QFileInfo(path).fileName(), recipient.displayName, reason);
                MessageBoxes::question(this, QStringLiteral("Внимание"), question, false,
                                       [this, recipient, path](bool yes) {
                    if (yes && m_messenger && !m_shutDown)
                        m_messenger->sendFileOpenly(recipient, path); // the transfers window follows it
                });
            });
}
