#pragma once

#include <QString>

// The name under which a received file may be stored. Senders put their full
// local path on the wire; only its last part is ours to use, and only if it
// is a plain file name that stays inside the folder the user chose.
namespace ReceivedFileName {

// The part after the last '\', '/' or ':' (Windows paths, Unix paths, drive letters).
QString fromWirePath(const QString &wirePath);

// C0 and C1 control characters and DEL, which no sender's file system allows.
bool isControlCharacter(QChar c);

enum class Verdict {
    Ok,
    Empty,            // the path ended in a separator
    DotName,          // "." or "..": the folder itself or its parent
    Hidden,           // a leading dot: a hidden file that could replace a program's settings
    ControlCharacter, // NUL, line breaks and the like, which no sender's file system allows
    Separator,        // still a path, not a name
};

Verdict check(const QString &name);

// A hidden name made visible, for a user who picks the place himself: the
// name without its leading dots (empty when nothing else is left).
QString withoutLeadingDots(const QString &name);

// For showing a name the user did not choose: control characters become '?',
// and a name too long for a message box is cut with an ellipsis.
QString forDisplay(const QString &name);

} // namespace ReceivedFileName
