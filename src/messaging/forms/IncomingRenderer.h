#pragma once

#include <QList>
#include <QString>

#include <functional>

class IncomingView;
struct IncomingEntry;

// Lays received messages out in the incoming view: the header, the text with
// its smiley pictures when asked for, and the empty line after a message with
// pictures. scrollToEnd runs once the messages are laid out, when an entry
// asks for it.
namespace IncomingRenderer {

// After the header of a message that came over the secure channel from the
// key pinned to its name: whether the users compared that key says how far it goes.
QString secureMark();
QString comparedMark();
// The line before a message under a name that has a pinned key, which did not speak for it.
QString unverifiedWarning();

void render(IncomingView &view, const IncomingEntry &entry, const std::function<void()> &scrollToEnd);

// Several messages in one layout. The view scrolls once, to where the last
// entry that asks for it ends, as it would have after that entry alone;
// the entries after it are laid out together behind it.
void render(IncomingView &view, const QList<IncomingEntry> &entries, const std::function<void()> &scrollToEnd);

} // namespace IncomingRenderer
