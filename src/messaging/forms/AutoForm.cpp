#include "AutoForm.h"

#include "Accessibility.h"

#include "AutoAnswerTexts.h"
#include "IniFile.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include "MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

void openBox(QMessageBox::Icon icon, const QString &caption, const QString &text, QWidget *parent)
{
    MessageBoxes::show(parent, icon, caption, text);
}

} // namespace

TAutoForm::TAutoForm(QString settingsPath, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_settingsPath(std::move(settingsPath))
    , m_groupBox1(new QGroupBox(tr(" Текст "), this))
    , m_comboBox1(new QComboBox(m_groupBox1))
    , m_button1(new QPushButton(tr("Добавить"), m_groupBox1))
    , m_button2(new QPushButton(tr("Удалить"), m_groupBox1))
    , m_button3(new QPushButton(tr("ОК"), this))
{
    setObjectName(u"AutoForm"_s);
    setWindowTitle(tr("Автоответчик - Zavolin"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_groupBox1->setObjectName(u"GroupBox1"_s);
    m_comboBox1->setObjectName(u"ComboBox1"_s);
    m_comboBox1->setEditable(true);
    Accessibility::setName(m_comboBox1, tr("Текст автоответчика"));
    // The list changes only through "Добавить"; Enter must not insert.
    m_comboBox1->setInsertPolicy(QComboBox::NoInsert);
    m_comboBox1->setMinimumWidth(260);
    m_button1->setObjectName(u"Button1"_s);
    m_button2->setObjectName(u"Button2"_s);
    m_button3->setObjectName(u"Button3"_s);
    for (QPushButton *button : {m_button1, m_button2, m_button3})
        button->setAutoDefault(false);
    m_button3->setMinimumWidth(75);

    auto *groupButtons = new QHBoxLayout;
    groupButtons->addStretch(1);
    groupButtons->addWidget(m_button1);
    groupButtons->addWidget(m_button2);
    auto *group = new QVBoxLayout(m_groupBox1);
    group->setSpacing(6);
    group->addWidget(m_comboBox1);
    group->addLayout(groupButtons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_groupBox1);
    layout->addWidget(m_button3, 0, Qt::AlignHCenter);

    const AutoAnswerTexts texts(m_settingsPath);
    m_comboBox1->addItems(texts.list());
    m_comboBox1->setCurrentIndex(-1);
    m_comboBox1->setEditText(texts.editorText());

    connect(m_comboBox1, &QComboBox::currentIndexChanged, this, [this](int index) { m_selected = index; });
    connect(m_comboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { m_selected = -1; });
    connect(m_button1, &QPushButton::clicked, this, &TAutoForm::onAdd);
    connect(m_button2, &QPushButton::clicked, this, &TAutoForm::onRemove);
    connect(m_button3, &QPushButton::clicked, this, &TAutoForm::onOk);

    adjustSize();
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
}

QStringList TAutoForm::items() const
{
    QStringList result;
    for (int i = 0; i < m_comboBox1->count(); ++i)
        result.append(m_comboBox1->itemText(i));
    return result;
}

void TAutoForm::onAdd()
{
    const QString text = m_comboBox1->currentText();
    if (text.isEmpty()) {
        warn(tr("Введите текст для добавления в список!"));
        return;
    }
    if (items().contains(text))
        return;
    // Adding must neither choose the new item nor touch the edit field.
    const int selected = m_selected;
    m_comboBox1->addItem(text);
    m_comboBox1->setEditText(text);
    m_selected = selected;
    writeList();
}

void TAutoForm::onRemove()
{
    if (m_selected < 0 || m_selected >= m_comboBox1->count())
        return;
    const QString text = m_comboBox1->currentText();
    m_comboBox1->removeItem(m_selected);
    m_comboBox1->setEditText(text);
    m_selected = -1;
    writeList();
}

void TAutoForm::onOk()
{
    try {
        AutoAnswerTexts(m_settingsPath).writeAnswer(m_comboBox1->currentText());
    } catch (const IniWriteError &error) {
        // The window stays, so the text can be tried again or copied.
        fail(tr("Не удалось записать текст автоответчика.\n\r") + QString::fromStdString(error.what()));
        return;
    }
    accept();
}

void TAutoForm::writeList()
{
    try {
        AutoAnswerTexts(m_settingsPath).writeList(items());
    } catch (const IniWriteError &error) {
        // The window keeps the list; the next change or "ОК" tries the file again.
        fail(tr("Не удалось записать список текстов автоответчика.\n\r") + QString::fromStdString(error.what()));
    }
}

void TAutoForm::warn(const QString &text)
{
    openBox(QMessageBox::Warning, tr("Внимание"), text, this);
}

void TAutoForm::fail(const QString &text)
{
    openBox(QMessageBox::Critical, tr("Ошибка"), text, this);
}
