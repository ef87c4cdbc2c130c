#include "KeyQuestion.h"

#include "Fingerprint.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace KeyQuestion {

QMessageBox *ask(QWidget *parent, const QString &caption, const QString &html, std::function<void()> yes)
{
    auto *box = new QMessageBox(QMessageBox::Question, caption, html, QMessageBox::Yes | QMessageBox::No, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::RichText);
    box->button(QMessageBox::Yes)->setText(QCoreApplication::translate("KeyQuestion", "&Да"));
    box->button(QMessageBox::No)->setText(QCoreApplication::translate("KeyQuestion", "&Нет"));
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    QAbstractButton *yesButton = box->button(QMessageBox::Yes);
    QObject::connect(box, &QMessageBox::finished, box, [box, yesButton, yes = std::move(yes)] {
        if (box->clickedButton() == yesButton && yes)
            yes();
    });
    box->open();
    return box;
}

QString fingerprintHtml(const QString &fingerprint)
{
    return QStringLiteral("<p style=\"font-family: monospace; white-space: pre;\">%1</p>")
        .arg(Fingerprint::grouped(fingerprint).toHtmlEscaped());
}

QMessageBox *askKeyChange(QWidget *parent, const QString &name, const QString &address, const QString &pinned,
                          const QString &offered, std::function<void(const QString &offered)> accept)
{
    const QString where = address.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(address.toHtmlEscaped());
    const QString html =
        QCoreApplication::translate("KeyQuestion", "<p>Компьютер %1%2 предъявил другой ключ.</p>"
                       "<p>Закреплённый отпечаток:</p>%3"
                       "<p>Новый отпечаток:</p>%4"
                       "<p>Пока новый ключ не принят, этому компьютеру ничего не отправляется по защищённому каналу, "
                       "а сообщения с новым ключом от его имени не принимаются.</p>"
                       "<p>Принимайте новый ключ, только сверив его отпечаток с владельцем компьютера "
                       "(например, по телефону).</p>"
                       "<p>Принять новый ключ?</p>")
            .arg(name.toHtmlEscaped(), where, fingerprintHtml(pinned), fingerprintHtml(offered));
    return ask(parent, QCoreApplication::translate("KeyQuestion", "Внимание"), html, [accept = std::move(accept), offered] {
        if (accept)
            accept(offered);
    });
}

} // namespace KeyQuestion
