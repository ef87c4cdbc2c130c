#pragma once

#include <QString>
#include <QStringView>

// Integer text as the settings file reads it: decimal with an optional sign, or
// hexadecimal after "$" or after "0x"/"0X" (only when digits follow). Hex up to
// FFFFFFFF wraps to a negative int, so system colours written as negative
// decimals and as hex read back the same. Anything else gives defaultValue.
int parseProfileInteger(QStringView text, int defaultValue);

// Blanks around names and values that a read ignores.
QStringView trimProfileBlanks(QStringView text);

// What a read returns for the text after '=': blanks trimmed, then one pair of
// matching double or single quotes removed.
QString profileValueFromText(QStringView text);

// The text to store after '=' so that profileValueFromText gives value back.
// A line break cannot be stored in a one-line value; each becomes one space.
QString profileTextForValue(QStringView value);
