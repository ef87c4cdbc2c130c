#pragma once

#include <QString>

// Names and codes change case in ASCII only: Cyrillic and every other letter
// stay as they are, exactly as Windows instances do.
namespace AsciiCase {

QString upper(QString text);

} // namespace AsciiCase
