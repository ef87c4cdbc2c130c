// The main window's part of the secure channel: each contact's trust level in
// the list, the contact's menu with its keys window, what the user is asked
// when a computer's key changes, told when several computers announce one
// name with different keys, and asked when a message could not go securely.
#include "NetForm.h"
#include "SendController.h"

#include "KeyForm.h"
#include "KeyQuestion.h"
#include "MessageBoxes.h"
#include "Messenger.h"
#include "TrustMarks.h"

#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QShortcut>

TKeyForm *TNetForm::openKeyForm(int row)
{
    SecureChannel *channel = m_messenger ? m_messenger->secure() : nullptr;
    if (!channel || !channel->isAvailable() || row < 0 || row >= contacts().count())
        return nullptr;
    // A contact added by address shows the key of the name last proven there.
    const QString host = recipientAt(row).host;
    const KeyTrust::Route route = channel->trust().routeTo(host);
    const QString contact = route.secure ? route.name : host;
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
    m_contactMenu->setAccessibleName(tr("Меню контакта"));
    QAction *keys = m_contactMenu->addAction(tr("Ключи и отпечатки..."));
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
    // From the keyboard the menu opens at the current contact. Some platforms
    // turn the menu key into a context menu request of their own as well.
    auto *menuKeys = new QShortcut(list);
    menuKeys->setKeys({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    menuKeys->setContext(Qt::WidgetShortcut);
    connect(menuKeys, &QShortcut::activated, this, [this, list] {
        const QModelIndex current = list->currentIndex();
        if (!current.isValid() || m_contactMenu->isVisible())
            return;
        list->scrollTo(current);
        const QRect row = list->visualRect(current);
        m_contactMenu->popup(list->viewport()->mapToGlobal(QPoint(row.left() + 20, row.bottom())));
    });

    // The list shows each contact's trust level, and follows its changes.
    contacts().setTrustQuery([this](int row) {
        const SecureChannel *channel = m_messenger->secure();
        if (!channel)
            return ContactList::Trust{int(TrustLevel::Open), TrustMarks::words(TrustLevel::Open)};
        const KeyTrust &trust = channel->trust();
        const KeyTrust::Route route = trust.routeTo(contacts().addressAt(row));
        const TrustLevel level = route.secure ? trust.levelOf(route.name) : TrustLevel::Open;
        return ContactList::Trust{int(level), TrustMarks::words(level)};
    });
    connect(&core->secure()->trust(), &KeyTrust::changed, this, [this] { contacts().repaint(); });

    connect(core, &Messenger::keyChanged, this,
            [this](const QString &name, const QString &address, const QString &pinned, const QString &offered) {
                // "Да" pins the key this box shows, whatever was offered after it.
                KeyQuestion::askKeyChange(this, name, address, pinned, offered, [this, name](const QString &shown) {
                    if (m_messenger && m_messenger->secure())
                        m_messenger->secure()->trust().accept(name, shown);
                });
            });
    connect(core, &Messenger::keysConflict, this, [this](const QString &name) {
        const QString text = tr("Несколько компьютеров называют себя %1 и объявляют разные ключи. "
                                "Ни один из этих ключей не закреплён, и сообщения для %1 идут без "
                                "шифрования, пока вы не выберете ключ в окне «Ключи и отпечатки» "
                                "(меню контакта в списке).")
                                 .arg(name);
        // The name came from the network: never read as markup.
        MessageBoxes::show(this, QMessageBox::Warning, tr("Внимание"), text)->setTextFormat(Qt::PlainText);
    });
    connect(core, &Messenger::secureSendFailed, this,
            [this](const Recipient &recipient, const QString &text, const QString &reason) {
                const QString question =
                    tr("Сообщение для %1 не отправлено по защищённому каналу: %2.\n"
                       "Отправить его открыто, без шифрования, один раз?")
                        .arg(recipient.displayName, reason);
                MessageBoxes::question(this, tr("Внимание"), question, false,
                                       [this, recipient, text](bool yes) {
                                           if (yes && m_messenger)
                                               m_send->sendOpenly(recipient, text);
                                       });
            });
}
