#pragma once

#include <QString>

#include <functional>

class IncomingView;
struct IncomingEntry;

// Lays a received message out in the incoming view: the header, the text with
// its smiley pictures when asked for, and the empty line after a message with
// pictures. scrollToEnd runs once the message is laid out, when the entry asks.
namespace IncomingRenderer {

// After the header of a message that came over the secure channel from the key pinned to its name.
inline const QString kVerifiedMark = QStringLiteral("  [защищённый канал]");
// The line before a message that came in the open under a name that has a pinned key.
inline const QString kUnverifiedWarning =
    QStringLiteral("!!! НЕ ПОДТВЕРЖДЕНО: сообщение пришло открытым каналом от имени компьютера с закреплённым ключом. "
                   "Отправителем может быть кто угодно. !!!");

void render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd);

} // namespace IncomingRenderer
