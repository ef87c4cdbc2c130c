#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <memory>
#include <utility>

namespace {

QMessageBox *open(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text,
                  QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(icon, caption, MessageBoxes::shownText(text), buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

} // namespace

namespace MessageBoxes {

QString shownText(const QString &text)
{
    return QString(text).replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
}

QMessageBox *show(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox *box = open(parent, icon, caption, text, QMessageBox::Ok);
    box->open();
    return box;
}

void warning(QWidget *parent, const QString &text)
{
    open(parent, QMessageBox::Warning, QCoreApplication::translate("MessageBoxes", "Внимание"), text, QMessageBox::Ok)->open();
}

void information(QWidget *parent, const QString &text)
{
    open(parent, QMessageBox::Information, QCoreApplication::translate("MessageBoxes", "Внимание"), text, QMessageBox::Ok)->open();
}

void error(QWidget *parent, const QString &text)
{
    open(parent, QMessageBox::Warning, QCoreApplication::translate("MessageBoxes", "Ошибка"), text, QMessageBox::Ok)->open();
}

void applicationError(QWidget *parent, const QString &text)
{
    open(parent, QMessageBox::Critical, QStringLiteral("Zavolin"), text, QMessageBox::Ok)->open();
}

void question(QWidget *parent, const QString &caption, const QString &text, bool yesIsDefault,
              std::function<void(bool yes)> answered)
{
    QMessageBox *box = open(parent, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
    // Shared by both ends, so that the box answers once, whichever comes first.
    auto pending = std::make_shared<std::function<void(bool)>>(std::move(answered));
    const auto answer = [pending](bool yes) {
        if (!*pending)
            return;
        const auto call = std::exchange(*pending, nullptr);
        call(yes);
    };
    // Only Yes itself is a yes: no button at all (reject(), done()) is the safe answer.
    QObject::connect(box, &QMessageBox::finished, box, [box, answer] {
        answer(box->clickedButton() && box->clickedButton() == box->button(QMessageBox::Yes));
    });
    // Destroyed unanswered, as when the program ends with the box open.
    QObject::connect(box, &QObject::destroyed, [answer] { answer(false); });
    box->open();
}

} // namespace MessageBoxes
