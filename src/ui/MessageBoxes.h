#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// The program's message boxes, opened without blocking the event loop: the
// caller goes on at once, and a question answers through its callback.
namespace MessageBoxes {

// A text as a box shows it: the "\n\r" the program's texts break lines with
// is one line break (a label would keep the CR as a character of its own).
QString shownText(const QString &text);

// Any caption and icon, with an Ok button; the box goes away by itself when closed.
QMessageBox *show(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text);
// Caption "Внимание", exclamation icon: refused input and warnings.
void warning(QWidget *parent, const QString &text);
// Caption "Внимание", information icon.
void information(QWidget *parent, const QString &text);
// Caption "Ошибка": a failed operation.
void error(QWidget *parent, const QString &text);
// Caption "Zavolin", error icon: a file operation that failed, told as the
// program's standard error box tells it.
void applicationError(QWidget *parent, const QString &text);
// Yes and No with the question icon. answered is called once: true only when
// Yes was chosen; No, Escape, the close button, reject() or the box destroyed
// unanswered (its window gone at the program's end) give false.
void question(QWidget *parent, const QString &caption, const QString &text, bool yesIsDefault,
              std::function<void(bool yes)> answered);

} // namespace MessageBoxes
