#include "MessageBoxProbe.h"

#include <QPointer>
#include <QTest>
#include <QWidget>

namespace MessageBoxProbe {

QList<SeenBox> take(QWidget *window)
{
    QList<SeenBox> boxes;
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (!box->isVisible())
            continue;
        boxes.append({box->windowTitle(), box->text(), box->icon()});
        box->done(QMessageBox::Ok);
    }
    return boxes;
}

QMessageBox *find(QWidget *window, const QString &text)
{
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible() && box->text() == text)
            return box;
    }
    return nullptr;
}

QMessageBox *open(const QWidget *window)
{
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

void closeAndWait(QMessageBox *box)
{
    QPointer<QMessageBox> guard(box);
    box->accept();
    QTRY_VERIFY(!guard);
}

bool shows(QWidget *window, const QString &text)
{
    return find(window, text) != nullptr;
}

} // namespace MessageBoxProbe
