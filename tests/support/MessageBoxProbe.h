#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

// What a test sees of the message boxes a window has open.
struct SeenBox
{
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

namespace MessageBoxProbe {

// The visible boxes under `window`, closed with Ok as they are taken.
QList<SeenBox> take(QWidget *window);
// Whether a visible box under `window` says `text`.
bool shows(QWidget *window, const QString &text);
// The visible box under `window` that says `text`, or nullptr.
QMessageBox *find(QWidget *window, const QString &text);
// The first visible box under `window`, or nullptr.
QMessageBox *open(const QWidget *window);
// Accepts the box and waits until it is gone (boxes delete themselves on close).
void closeAndWait(QMessageBox *box);

} // namespace MessageBoxProbe
