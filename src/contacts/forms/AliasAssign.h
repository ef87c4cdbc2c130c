#pragma once

#include <QString>

class ContactList;
class QInputDialog;
class QWidget;

// "Назначить псевдоним": asks for an alias of the current contact, writes it to
// section "Aliases" of the settings file under the contact's address and moves
// the contact to the end of the list under its new name. The question is
// asked without blocking; the contact is followed by identity, not by row, so
// presence changes while the box is open do not rename another entry.
namespace AliasAssign {

// currentRow is -1 when there is no current contact. Refusals are told in a
// message box on parent. Returns the input box that was opened, or nullptr.
QInputDialog *start(ContactList &contacts, int currentRow, int selectedCount, const QString &settingsPath,
                    QWidget *parent);

} // namespace AliasAssign
