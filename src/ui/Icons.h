#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

// The program's own pictures, compiled in under ":/icons".
namespace Icons {

// Every picture the program uses, by name (no extension).
QStringList names();

// The picture in every size there is: "zavolin" and "zavolin-blink" come in
// 16 to 128 pixels, the others at their own size and twice that for HiDPI.
// An unknown name gives a null icon.
QIcon get(const QString &name);

// The picture at size x size pixels (scaled down from the nearest larger one).
QPixmap pixmap(const QString &name, int size);

// The resource path of the picture at its own size, e.g. ":/icons/contact.png".
QString fileName(const QString &name);

} // namespace Icons
