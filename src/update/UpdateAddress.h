#pragma once

#include <QString>

namespace UpdateAddress {

// An address as the user or a page writes it, made fetchable: "http://" goes
// in front unless it already names http or https (in any case).
QString withHttpPrefix(const QString &address);

// The page's name for the downloaded file reduced to a plain name for the
// download folder: its last part after '/', '\' or ':', control characters
// removed, leading dots and blanks dropped. Empty when nothing usable is left.
QString plainFileName(const QString &pageName);

} // namespace UpdateAddress
