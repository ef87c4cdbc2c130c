#include "AliasAssign.h"

#include "ContactList.h"
#include "IniFile.h"
#include "SettingKeys.h"

#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPersistentModelIndex>

using namespace Qt::StringLiterals;

namespace {

void showBox(QWidget *parent, const QString &caption, const QString &text)
{
    MessageBoxes::show(parent, QMessageBox::Critical, caption, text);
}

void assign(ContactList &contacts, const QPersistentModelIndex &contact, const QString &address,
            const QString &alias, const QString &settingsPath, QWidget *parent)
{
    try {
        IniFile(settingsPath).writeString(SettingKeys::kAliases, address, alias);
    } catch (const IniWriteError &error) {
        // Nothing changed: the contact keeps its place and its name.
        showBox(parent, QCoreApplication::translate("AliasAssign", "Ошибка"),
                QCoreApplication::translate("AliasAssign", "Не удалось записать псевдоним.\n\r") + QString::fromStdString(error.what()));
        return;
    }
    // A contact that left while the box was open only gets its alias stored.
    if (!contact.isValid())
        return;
    contacts.removeAt(contact.row());
    contacts.add(alias, address);
}

} // namespace

namespace AliasAssign {

QInputDialog *start(ContactList &contacts, int currentRow, int selectedCount, const QString &settingsPath,
                    QWidget *parent)
{
    if (selectedCount >= 2) {
        showBox(parent, QCoreApplication::translate("AliasAssign", "Внимание"), QCoreApplication::translate("AliasAssign", "Выбрано несколько абонентов!"));
        return nullptr;
    }
    if (currentRow < 0 || currentRow >= contacts.count()) {
        showBox(parent, QCoreApplication::translate("AliasAssign", "Внимание"), QCoreApplication::translate("AliasAssign", "Не выбран абонент!"));
        return nullptr;
    }
    const QPersistentModelIndex contact(contacts.index(currentRow));
    const QString address = contacts.addressAt(currentRow);

    auto *box = new QInputDialog(parent);
    box->setObjectName(u"AliasInputBox"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(u"Zavolin"_s);
    box->setLabelText(QCoreApplication::translate("AliasAssign", "Введите псевдоним"));
    box->setTextValue(contacts.displayNameAt(currentRow));
    box->setOkButtonText(u"OK"_s);
    box->setCancelButtonText(QCoreApplication::translate("AliasAssign", "Отмена"));
    ContactList *list = &contacts;
    QObject::connect(box, &QInputDialog::textValueSelected, list,
                     [list, contact, address, settingsPath, parent](const QString &alias) {
                         assign(*list, contact, address, alias, settingsPath, parent);
                     });
    box->open();
    return box;
}

} // namespace AliasAssign

