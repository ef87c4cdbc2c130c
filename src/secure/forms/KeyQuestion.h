#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

// Questions about keys. Only the "Да" button says yes: Escape, the close
// box or the program ending answer no, so nothing is pinned or forgotten
// unless the user chose it. The boxes never block the event loop.
namespace KeyQuestion {

// `html` is rich text: whatever came from the network in it must be escaped.
QMessageBox *ask(QWidget *parent, const QString &caption, const QString &html, std::function<void()> yes);

// A paragraph of rich text: the fingerprint grouped by four, in a fixed-width font, on one line.
QString fingerprintHtml(const QString &fingerprint);

// A real handshake for `name` at `address` presented `offered` where
// `pinned` is pinned; `accept` is called with exactly the key shown.
QMessageBox *askKeyChange(QWidget *parent, const QString &name, const QString &address, const QString &pinned,
                          const QString &offered, std::function<void(const QString &offered)> accept);

} // namespace KeyQuestion
