#include "NoteBookForm.h"

#include "Accessibility.h"
#include "IniFile.h"
#include "MessageBoxes.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

QPushButton *pushButton(const QString &name, const QString &text, const QString &hint, const QRect &geometry,
                        QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setGeometry(geometry);
    return b;
}

// A subscriber in the sorted list, placed without regard to case.
class NameItem : public QListWidgetItem
{
    explicit NameItem(const QString &name)
        : QListWidgetItem(name)
    {
    }

public:
    // Added after construction: inserted from QListWidgetItem's constructor,
    // the item would be placed by the base class's comparison.
    static void add(const QString &name, QListWidget *list) { list->addItem(new NameItem(name)); }

    bool operator<(const QListWidgetItem &other) const override
    {
        const int folded = text().compare(other.text(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : text() < other.text();
    }
};

} // namespace

TNoteBookForm::TNoteBookForm(const OperatorBook &operators, QString phoneBookPath, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_book(std::move(phoneBookPath))
    , m_listBox1(new QListWidget(this))
    , m_edit1(new QLineEdit(this))
    , m_comboBox1(new QComboBox(this))
    , m_edit2(new QLineEdit(this))
    , m_button1(pushButton(u"Button1"_s, tr("Добавить"), tr("Добавить абонента в список"), QRect(368, 8, 76, 25), this))
    , m_button2(pushButton(u"Button2"_s, tr("Удалить"), tr("Удалить абонента из списка"), QRect(368, 38, 76, 25), this))
    , m_button3(pushButton(u"Button3"_s, u"Ok"_s, {}, QRect(368, 186, 76, 25), this))
    , m_button4(pushButton(u"Button4"_s, tr("Отмена"), {}, QRect(368, 216, 76, 25), this))
{
    setObjectName(u"NoteBookForm"_s);
    setWindowTitle(tr("Записная книжка - Zavolin"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(kWidth, kHeight);

    m_listBox1->setObjectName(u"ListBox1"_s);
    m_listBox1->setSortingEnabled(true);
    m_listBox1->setGeometry(8, 8, 170, 235);
    auto *name = new QLabel(tr("Абонент"), this);
    name->move(188, 8);
    name->setBuddy(m_edit1);
    m_edit1->setObjectName(u"Edit1"_s);
    m_edit1->setGeometry(188, 24, 170, 24);
    auto *op = new QLabel(tr("Оператор"), this);
    op->move(188, 56);
    op->setBuddy(m_comboBox1);
    m_comboBox1->setObjectName(u"ComboBox1"_s);
    m_comboBox1->setEditable(true);
    m_comboBox1->setInsertPolicy(QComboBox::NoInsert);
    m_comboBox1->setGeometry(188, 72, 170, 24);
    auto *phone = new QLabel(tr("Номер телефона"), this);
    phone->move(188, 104);
    phone->setBuddy(m_edit2);
    m_edit2->setObjectName(u"Edit2"_s);
    m_edit2->setGeometry(188, 120, 170, 24);

    if (operators.namesExist())
        m_comboBox1->addItems(operators.names());
    m_comboBox1->setCurrentIndex(-1);
    for (const QString &subscriber : m_book.names())
        NameItem::add(subscriber, m_listBox1);

    Accessibility::setName(m_listBox1, tr("Абоненты"));
    Accessibility::setName(m_edit1, tr("Абонент"));
    Accessibility::setName(m_comboBox1, tr("Оператор"));
    Accessibility::setName(m_edit2, tr("Номер телефона"));
    Accessibility::closeOnEscape(this); // Cancel, as in any dialog

    connect(m_button1, &QPushButton::clicked, this, &TNoteBookForm::onAdd);
    connect(m_button2, &QPushButton::clicked, this, &TNoteBookForm::onDelete);
    connect(m_button3, &QPushButton::clicked, this, &TNoteBookForm::onOk);
    connect(m_button4, &QPushButton::clicked, this, &QWidget::close);
    connect(m_listBox1, &QListWidget::currentRowChanged, this, &TNoteBookForm::showTipOf);
    connect(m_listBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showTipOf(m_listBox1->row(item)); });

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

void TNoteBookForm::showTipOf(int row)
{
    QListWidgetItem *item = m_listBox1->item(row);
    if (!item)
        return;
    const QString name = item->text();
    m_listBox1->setToolTip(tr("ОСС: %1 Тел: %2").arg(m_book.operatorOf(name), m_book.phoneOf(name)));
}

void TNoteBookForm::onAdd()
{
    if (m_edit1->text().isEmpty()) {
        MessageBoxes::warning(this, tr("Введите название абонента!"));
        return;
    }
    if (m_edit2->text().isEmpty()) {
        MessageBoxes::warning(this, tr("Введите номер телефона абонента!"));
        return;
    }
    // Only an operator picked from the list counts; a typed one may be unknown.
    const int index = m_comboBox1->currentIndex();
    if (index < 0 || m_comboBox1->itemText(index) != m_comboBox1->currentText()) {
        MessageBoxes::warning(this, tr("Выберите оператора сотовой связи абонента!"));
        return;
    }
    try {
        m_book.store(m_edit1->text(), m_comboBox1->currentText(), m_edit2->text());
    } catch (const IniWriteError &error) {
        MessageBoxes::error(this, QString::fromLocal8Bit(error.what()));
        return;
    }
    NameItem::add(m_edit1->text(), m_listBox1);
    m_edit1->clear();
    m_edit2->clear();
    m_comboBox1->setCurrentIndex(-1);
    m_listBox1->clearSelection();
    m_listBox1->setCurrentRow(-1);
}

void TNoteBookForm::onDelete()
{
    QListWidgetItem *item = m_listBox1->currentItem();
    if (!item || !item->isSelected()) {
        MessageBoxes::warning(this, tr("Не выбран абонент!"));
        return;
    }
    m_book.remove(item->text());
    delete m_listBox1->takeItem(m_listBox1->row(item));
}

void TNoteBookForm::onOk()
{
    QListWidgetItem *item = m_listBox1->currentItem();
    if (!item || !item->isSelected()) {
        MessageBoxes::warning(this, tr("Не выбран абонент!"));
        return;
    }
    Q_EMIT subscriberChosen(m_book.operatorOf(item->text()), m_book.phoneOf(item->text()));
    close();
}
