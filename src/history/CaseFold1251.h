#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Case-insensitive matching over code page 1251 bytes as they lie in the file:
// every byte maps to its lower-case letter (Latin and Cyrillic alike), so a
// search never converts the history to UTF-16.
namespace CaseFold1251 {

const unsigned char *table();
// Folds in place; the bytes stay code page 1251.
void fold(char *bytes, qsizetype size);
QByteArray folded(QByteArrayView bytes);

} // namespace CaseFold1251
