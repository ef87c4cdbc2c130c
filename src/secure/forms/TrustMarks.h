#pragma once

#include "KeyTrust.h"

#include <QPixmap>
#include <QString>

class QPainter;
class QRect;

// How a contact's trust level is shown: the same few words in the contact
// list, the keys window and the incoming view's marks, and a padlock told
// apart by its shape as well as its colour: open for no key, closed for a key
// pinned on first use, closed and ticked for a key the users compared.
namespace TrustMarks {

QString words(TrustLevel level);
void paint(QPainter &painter, const QRect &box, TrustLevel level);
QPixmap pixmap(TrustLevel level, int size);

} // namespace TrustMarks
