#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// The pictures of the smiley table's rows (20 x 20 px, transparent ground).
// These make sure the pictures compiled into the library are registered
// before the first use. An order outside 1..26 gives an empty path or a null
// picture.
namespace SmileyPictures {

QString picture(int order); // the resource path, ":/smileys/NN.png"
QImage image(int order);
QPixmap pixmap(int order); // needs a QGuiApplication
QIcon icon(int order);     // needs a QGuiApplication

// Call before opening SmileyRow::pictureFile() paths directly; the functions
// above call it themselves.
void registerPictures();

} // namespace SmileyPictures
