#pragma once

#include <QString>

// Text typed with the Latin layout while Russian was meant, turned into the
// Cyrillic letters on the same keys of the Russian layout. Each character is
// mapped once ("&" becomes "?", and that "?" stays); capitals give small
// letters; digits, blanks, line breaks, Cyrillic and unlisted punctuation stay.
namespace LayoutCorrection {

QChar corrected(QChar typed);
QString corrected(const QString &typed);

} // namespace LayoutCorrection
