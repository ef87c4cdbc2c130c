#pragma once

#include <QString>

class QPlainTextEdit;
class QWidget;

// What the toolkit's accessibility leaves to the program: how its buttons and
// windows are operated and announced by a screen reader, and the texts that
// name its controls.
namespace Accessibility {

// Once per process, before the first window is shown (later calls do nothing):
// - a checkable button's accessible Press and Toggle act as a click, so what
//   is wired to clicked() happens (the toolkit's Toggle only flips the state);
// - a plain widget shown as a top-level window is announced as a window;
// - a window that had the keyboard focus gives it back, when it closes, to the
//   control that had it before the window opened.
// Needs the QApplication.
void install();

// Escape closes `window` as its close box does (dialogs do so by themselves).
void closeOnEscape(QWidget *window);

// Tab and Shift+Tab leave `editor` like any other control; Ctrl+Tab types a
// tab character into it.
void tabLeavesEditor(QPlainTextEdit *editor);

// Names a control for assistive technology; the visible text stays as it is.
void setName(QWidget *widget, const QString &name, const QString &description = {});

// Gives every button of `root` (itself included) without a caption or an
// accessible name its tool tip as name: an icon-only button is known by its hint.
void nameButtonsByHint(QWidget *root);

} // namespace Accessibility
