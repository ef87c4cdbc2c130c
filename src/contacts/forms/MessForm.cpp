#include "MessForm.h"

#include "Icons.h"
#include "SystemFormats.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;


TMessForm::TMessForm(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_image1(new QLabel(this))
    , m_label1(new QLabel(this))
    , m_label2(new QLabel(this))
    , m_button1(new QPushButton(u"Ok"_s, this))
{
    setObjectName(u"MessForm"_s);
    setWindowTitle(tr("Сообщение - Zavolin"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the last notice while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);

    m_image1->setObjectName(u"Image1"_s);
    m_image1->setPixmap(Icons::pixmap(u"notice"_s, 32));
    m_image1->setFixedSize(32, 32);
    m_label1->setObjectName(u"Label1"_s);
    QFont bold = m_label1->font();
    bold.setBold(true);
    m_label1->setFont(bold);
    m_label1->setTextFormat(Qt::PlainText);
    m_label2->setObjectName(u"Label2"_s);
    m_label2->setTextFormat(Qt::PlainText);
    m_button1->setObjectName(u"Button1"_s);
    m_button1->setDefault(true);
    m_button1->setMinimumWidth(75);
    connect(m_button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_label1);
    texts->addWidget(m_label2);
    auto *top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(m_image1, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(m_button1, 0, Qt::AlignHCenter);
    m_label1->setMinimumWidth(180);
}

TMessForm *TMessForm::showNotice(const QString &headline)
{
    auto *form = new TMessForm;
    form->m_label1->setText(headline);
    form->m_label2->setText(ShownFormats::dateTime(QDateTime::currentDateTime()));
    form->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        form->move(screen->geometry().center() - form->rect().center());
    form->show();
    form->raise();
    return form;
}

QLabel *TMessForm::label1() const
{
    return m_label1;
}

QLabel *TMessForm::label2() const
{
    return m_label2;
}

QPushButton *TMessForm::okButton() const
{
    return m_button1;
}
