#include "BlackListForm.h"

#include "Accessibility.h"
#include "AsciiCase.h"
#include "ContactDrag.h"
#include "ContactList.h"
#include "LineListFile.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include "MessageBoxes.h"

#include <QMessageBox>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QToolButton *textButton(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

TBlackListForm::TBlackListForm(QString blackListPath, ContactList &contacts, QListView *mainList,
                               QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool)
    , m_path(std::move(blackListPath))
    , m_contacts(contacts)
    , m_mainList(mainList)
    , m_listBox1(new QListWidget(this))
    , m_edit1(new QLineEdit(this))
    , m_speedButton1(textButton(u"SpeedButton1"_s, tr("Добавить"), this))
    , m_speedButton2(textButton(u"SpeedButton2"_s, tr("Удалить"), this))
{
    setObjectName(u"BlackListForm"_s);
    setWindowTitle(tr("Черный список - Zavolin"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_listBox1->setObjectName(u"ListBox1"_s);
    m_listBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Drops are handled here, not by the list: only names from the contact list count.
    m_listBox1->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_listBox1->setAcceptDrops(true);
    m_listBox1->viewport()->setAcceptDrops(true);
    m_listBox1->viewport()->installEventFilter(this);
    m_edit1->setObjectName(u"Edit1"_s);
    m_listBox1->setAccessibleName(tr("Черный список"));
    m_edit1->setAccessibleName(tr("Имя"));
    m_edit1->setAccessibleDescription(tr("Имя для черного списка"));
    Accessibility::closeOnEscape(this);
    connect(m_speedButton1, &QToolButton::clicked, this, &TBlackListForm::onAdd);
    connect(m_speedButton2, &QToolButton::clicked, this, &TBlackListForm::onRemove);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(m_speedButton1);
    buttons->addWidget(m_speedButton2);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(m_listBox1, 1);
    layout->addWidget(m_edit1);
    layout->addLayout(buttons);
    resize(190, 280);

    placeBeside(mainWindow);
    m_listBox1->addItems(m_contacts.blacklist());
    if (m_mainList)
        m_drag = std::make_unique<ContactDrag>(m_mainList);
}

TBlackListForm::~TBlackListForm() = default;

void TBlackListForm::placeBeside(const QWidget *mainWindow)
{
    if (!mainWindow)
        return;
    const QRect main = mainWindow->frameGeometry();
    QPoint at(main.left() - frameGeometry().width(), main.top());
    // Beside the main window, but never off the screen it is on.
    if (const QScreen *screen = mainWindow->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - frameGeometry().width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frameGeometry().height())));
    }
    move(at);
}

void TBlackListForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_announced) {
        m_announced = true;
        // Now the frame is known, the right edge can meet the main window exactly.
        placeBeside(parentWidget());
        Q_EMIT opened();
    }
}

void TBlackListForm::closeEvent(QCloseEvent *event)
{
    // The main list goes back to plain clicking as soon as the window is gone.
    m_drag.reset();
    event->accept();
    Q_EMIT closed();
}

bool TBlackListForm::acceptsDragFrom(const QObject *source, const QMimeData *data) const
{
    return source && m_mainList && source == m_mainList.data() && ContactDrag::displayNameFrom(data).has_value();
}

bool TBlackListForm::dropContact(const QObject *source, const QMimeData *data)
{
    if (!acceptsDragFrom(source, data))
        return false;
    // The name as shown: an alias keeps its letter case.
    m_listBox1->addItem(*ContactDrag::displayNameFrom(data));
    save();
    return true;
}

bool TBlackListForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_listBox1->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (acceptsDragFrom(drag->source(), drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (dropContact(drop->source(), drop->mimeData()))
            drop->acceptProposedAction();
        else
            drop->ignore();
        return true;
    }
    case QEvent::DragLeave:
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TBlackListForm::onAdd()
{
    if (m_edit1->text().isEmpty()) {
        warn(tr("Введите имя компьютера!"));
        return;
    }
    m_listBox1->addItem(AsciiCase::upper(m_edit1->text()));
    m_edit1->clear();
    save();
}

void TBlackListForm::onRemove()
{
    const QList<QListWidgetItem *> selected = m_listBox1->selectedItems();
    if (selected.isEmpty()) {
        warn(tr("Не выбран компьютер для удаления из \"черного списка\"!"));
        return;
    }
    std::unique_ptr<QListWidgetItem> removed(m_listBox1->takeItem(m_listBox1->row(selected.first())));
    save();
}

QStringList TBlackListForm::entries() const
{
    QStringList names;
    names.reserve(m_listBox1->count());
    for (int row = 0; row < m_listBox1->count(); ++row)
        names.append(m_listBox1->item(row)->text());
    return names;
}

void TBlackListForm::save()
{
    const QStringList names = entries();
    QString error;
    if (LineListFile::save(m_path, names, &error)) {
        m_contacts.setBlacklist(LineListFile::load(m_path));
        return;
    }
    // The change still holds for this run, so the markers agree with the window.
    m_contacts.setBlacklist(names);
    MessageBoxes::show(this, QMessageBox::Critical, tr("Ошибка"),
                       tr("Не удалось сохранить черный список в файл %1: %2").arg(m_path, error));
}

void TBlackListForm::warn(const QString &text)
{
    MessageBoxes::show(this, QMessageBox::Critical, tr("Внимание"), text);
}
