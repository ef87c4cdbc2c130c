#include "IpForm.h"

#include "AliasBook.h"
#include "ContactList.h"
#include "Icons.h"
#include "IniFile.h"
#include "SettingKeys.h"
#include "LineListFile.h"

#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include "MessageBoxes.h"

#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum class Glyph { Add, Remove, ToContacts };

void paintSign(QPainter &painter, QRectF box, bool plus, const QColor &color)
{
    painter.setPen(QPen(color.darker(150), 1));
    painter.setBrush(color);
    painter.drawEllipse(box);
    const qreal arm = box.width() * 0.28;
    const QPointF centre = box.center();
    painter.setPen(QPen(Qt::white, std::max<qreal>(1.5, box.width() / 6), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
    if (plus)
        painter.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
}

QPixmap glyphPixmap(Glyph glyph, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    switch (glyph) {
    case Glyph::Add:
        paintSign(painter, QRectF(1, 1, s - 2, s - 2), true, QColor(0x2e, 0x9a, 0x3a));
        break;
    case Glyph::Remove:
        paintSign(painter, QRectF(1, 1, s - 2, s - 2), false, QColor(0xc8, 0x32, 0x2d));
        break;
    case Glyph::ToContacts:
        painter.drawPixmap(QRectF(0, 0, s * 0.8, s * 0.8), Icons::pixmap(u"contact"_s, size), QRectF());
        paintSign(painter, QRectF(s * 0.45, s * 0.45, s * 0.55 - 0.5, s * 0.55 - 0.5), true,
                  QColor(0x2e, 0x9a, 0x3a));
        break;
    }
    return pixmap;
}

QIcon glyphIcon(Glyph glyph)
{
    QIcon icon;
    icon.addPixmap(glyphPixmap(glyph, 16));
    icon.addPixmap(glyphPixmap(glyph, 32));
    return icon;
}

QToolButton *glyphButton(const QString &objectName, Glyph glyph, const QString &hint, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(glyphIcon(glyph));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFixedSize(26, 26);
    return button;
}

} // namespace

TipForm::TipForm(QString ipListPath, QString settingsPath, ContactList &contacts, QWidget *parent)
    : QDialog(parent, Qt::Tool)
    , m_path(std::move(ipListPath))
    , m_settingsPath(std::move(settingsPath))
    , m_contacts(contacts)
    , m_listBox1(new QListWidget(this))
    , m_speedButton1(glyphButton(u"SpeedButton1"_s, Glyph::Add, tr("Добавить IP-адрес"), this))
    , m_speedButton2(glyphButton(u"SpeedButton2"_s, Glyph::Remove, tr("Удалить IP-адрес"), this))
    , m_speedButton3(new QToolButton(this))
    , m_speedButton4(glyphButton(u"SpeedButton4"_s, Glyph::ToContacts, tr("Добавить в контактный лист"), this))
{
    setObjectName(u"ipForm"_s);
    setWindowTitle(u"ip - Zavolin"_s);
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_listBox1->setObjectName(u"ListBox1"_s);
    m_listBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listBox1->setAccessibleName(tr("IP - адреса"));
    m_speedButton3->setObjectName(u"SpeedButton3"_s);
    m_speedButton3->setText(u"Ok"_s);
    m_speedButton3->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_speedButton3->setFixedSize(75, 26);

    connect(m_speedButton1, &QToolButton::clicked, this, &TipForm::onAddAddress);
    connect(m_speedButton2, &QToolButton::clicked, this, &TipForm::onRemoveAddress);
    connect(m_speedButton4, &QToolButton::clicked, this, &TipForm::onAddToContacts);
    connect(m_speedButton3, &QToolButton::clicked, this, &TipForm::onOk);
    connect(m_listBox1, &QListWidget::currentRowChanged, this, &TipForm::showAliasOf);
    connect(m_listBox1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showAliasOf(m_listBox1->row(item)); });

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(m_speedButton1);
    buttons->addWidget(m_speedButton2);
    buttons->addWidget(m_speedButton4);
    buttons->addStretch(1);
    auto *top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(m_listBox1, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addLayout(top, 1);
    layout->addWidget(m_speedButton3, 0, Qt::AlignHCenter);
    resize(230, 250);

    if (QFile::exists(m_path))
        m_listBox1->addItems(LineListFile::load(m_path));

    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());
}

QStringList TipForm::addresses() const
{
    QStringList result;
    result.reserve(m_listBox1->count());
    for (int row = 0; row < m_listBox1->count(); ++row)
        result.append(m_listBox1->item(row)->text());
    return result;
}

int TipForm::selectedRow() const
{
    const QList<QListWidgetItem *> selected = m_listBox1->selectedItems();
    return selected.isEmpty() ? -1 : m_listBox1->row(selected.first());
}

void TipForm::onAddAddress()
{
    auto *box = new QInputDialog(this);
    box->setObjectName(u"IpInputBox"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(u"Zavolin"_s);
    box->setLabelText(tr("Введите IP-адрес абонента"));
    box->setOkButtonText(u"OK"_s);
    box->setCancelButtonText(tr("Отмена"));
    connect(box, &QInputDialog::textValueSelected, this, &TipForm::addAddress);
    box->open();
}

void TipForm::addAddress(const QString &text)
{
    // Taken as typed: a host name serves as well as an address.
    if (addresses().contains(text)) {
        message(tr("Внимание"), tr("Такой IP-адрес уже существует!"));
        return;
    }
    m_listBox1->addItem(text);
}

void TipForm::onRemoveAddress()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString address = m_listBox1->item(row)->text();
    IniFile(m_settingsPath).deleteKey(SettingKeys::kAliases, address);
    std::unique_ptr<QListWidgetItem> removed(m_listBox1->takeItem(row));
    m_listBox1->setCurrentRow(-1);
    m_listBox1->clearSelection();
    showAliasOf(-1);
}

void TipForm::onAddToContacts()
{
    const int row = selectedRow();
    if (row < 0 || m_listBox1->count() == 0) {
        message(tr("Внимание"), tr("Не выбран IP_адрес!"));
        return;
    }
    const QString address = m_listBox1->item(row)->text();
    m_contacts.add(AliasBook(m_settingsPath).displayName(address), address);
}

void TipForm::onOk()
{
    QString error;
    if (!LineListFile::save(m_path, addresses(), &error)) {
        // The window stays open with its list, so nothing typed is lost.
        MessageBoxes::show(this, QMessageBox::Critical, tr("Ошибка"),
                           tr("Не удалось сохранить список IP-адресов в файл %1: %2").arg(m_path, error));
        return;
    }
    accept();
}

void TipForm::showAliasOf(int row)
{
    const QListWidgetItem *item = row >= 0 ? m_listBox1->item(row) : nullptr;
    m_listBox1->setToolTip(item ? AliasBook(m_settingsPath).alias(item->text()) : QString());
}

void TipForm::message(const QString &caption, const QString &text)
{
    MessageBoxes::show(this, QMessageBox::Warning, caption, text);
}
