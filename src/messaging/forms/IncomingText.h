#pragma once

#include <QString>

class QTextDocument;

// The incoming view's text as its reader takes it away: each picture as the
// smiley code it was drawn for, so that a copy pasted into the editor and
// sent is smileys again, not "?".
namespace IncomingText {

// The text of the document positions [from, to), each line and paragraph
// break as "\n".
QString between(const QTextDocument &document, int from, int to);

} // namespace IncomingText
