#pragma once

#include <QString>

// Writing values of a freedesktop.org desktop entry (.desktop file).
namespace DesktopEntry {

// One Exec argument, quoted so that launchers hand it over unchanged,
// whatever blanks, quotes, dollars or percent signs it holds.
QString execArgument(const QString &argument);

// A value of type string: backslash, newline, tab and carriage return escaped.
QString stringValue(const QString &value);

} // namespace DesktopEntry
