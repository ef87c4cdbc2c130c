#pragma once

#include <QByteArray>
#include <QString>

// Everything on the wire and in our files is Windows code page 1251; inside the
// program text is QString. These two functions are the only crossing point.
namespace Cp1251 {

// Characters that 1251 cannot carry become '?'.
QByteArray encode(QStringView text);

// Total: every byte maps to one character, and encode(decode(b)) == b for any b.
// The one unassigned byte, 0x98, maps to U+0098 as Windows does.
QString decode(QByteArrayView bytes);

} // namespace Cp1251
