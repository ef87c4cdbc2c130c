#include "HistoryForm.h"

#include "Accessibility.h"
#include "Cp1251.h"
#include "HistoryHighlight.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPointer<THistoryForm> g_open;

template<typename W>
W *named(W *widget, const QString &objectName, const QString &accessibleName)
{
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

} // namespace

THistoryForm::THistoryForm(const QString &logPath, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_index(logPath)
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(tr("История сообщений"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    Accessibility::closeOnEscape(this);

    m_model = new HistoryModel(m_index, this);
    m_search = named(new QLineEdit(this), QStringLiteral("SearchEdit"), tr("Поиск"));
    m_search->setPlaceholderText(tr("Поиск"));
    m_search->setClearButtonEnabled(true);
    m_contact = named(new QComboBox(this), QStringLiteral("ContactBox"), tr("Контакт"));
    // A screen reader names a box by its label; its own name is its value.
    auto *contactLabel = new QLabel(tr("Контакт:"), this);
    contactLabel->setBuddy(m_contact);
    m_contact->addItem(tr("Все контакты"));
    m_contact->setMinimumContentsLength(14);
    m_period = named(new QCheckBox(tr("Период с"), this), QStringLiteral("PeriodCheck"),
                     tr("Период"));
    m_fromDate = named(new QDateEdit(QDate::currentDate().addMonths(-1), this), QStringLiteral("FromDate"),
                       tr("Начало периода"));
    m_toDate = named(new QDateEdit(QDate::currentDate(), this), QStringLiteral("ToDate"),
                     tr("Конец периода"));
    for (QDateEdit *edit : {m_fromDate, m_toDate}) {
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    auto *toLabel = new QLabel(tr("по"), this);

    m_list = named(new QTreeView(this), QStringLiteral("EntryList"), tr("Записи истории"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(HistoryModel::DateColumn, 150);
    m_list->setColumnWidth(HistoryModel::FromColumn, 110);
    m_list->setColumnWidth(HistoryModel::ToColumn, 110);
    m_highlight = new HistoryHighlight(m_list);
    m_list->setItemDelegate(m_highlight);

    m_text = named(new QTextEdit(this), QStringLiteral("EntryText"), tr("Текст записи"));
    m_text->setReadOnly(true);
    m_copy = named(new QPushButton(tr("Копировать"), this), QStringLiteral("CopyButton"),
                   tr("Копировать"));
    m_context = named(new QPushButton(tr("Показать в истории"), this), QStringLiteral("ContextButton"),
                      tr("Показать в истории"));
    // Named by what it says: the count is what a screen reader should read.
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    m_status->setAccessibleDescription(tr("Состояние"));
    auto *close = named(new QPushButton(tr("Закрыть"), this), QStringLiteral("CloseButton"),
                        tr("Закрыть"));

    // Two rows, so that a small screen holds every filter.
    auto *search = new QHBoxLayout;
    search->addWidget(m_search, 3);
    search->addWidget(contactLabel);
    search->addWidget(m_contact, 1);
    auto *period = new QHBoxLayout;
    period->addWidget(m_period);
    period->addWidget(m_fromDate);
    period->addWidget(toLabel);
    period->addWidget(m_toDate);
    period->addStretch(1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_list);
    split->addWidget(m_text);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_context);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addLayout(period);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    auto *copy = new QAction(tr("Копировать"), m_list);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_list->addAction(copy);
    connect(copy, &QAction::triggered, this, &THistoryForm::copySelected);
    connect(m_copy, &QPushButton::clicked, this, &THistoryForm::copySelected);
    connect(m_context, &QPushButton::clicked, this, &THistoryForm::showInContext);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &QTreeView::activated, this, [this] {
        if (m_model->isFiltered())
            showInContext();
    });

    // The search follows the typing, once the keys pause for a moment.
    m_typing.setSingleShot(true);
    m_typing.setInterval(120);
    connect(&m_typing, &QTimer::timeout, this, &THistoryForm::applyQuery);
    connect(m_search, &QLineEdit::textChanged, this, [this] { m_typing.start(); });
    connect(m_contact, &QComboBox::currentIndexChanged, this, &THistoryForm::applyQuery);
    connect(m_period, &QCheckBox::toggled, this, [this](bool on) {
        m_fromDate->setEnabled(on);
        m_toDate->setEnabled(on);
        applyQuery();
    });
    connect(m_fromDate, &QDateEdit::dateChanged, this, &THistoryForm::applyQuery);
    connect(m_toDate, &QDateEdit::dateChanged, this, &THistoryForm::applyQuery);

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, &THistoryForm::showCurrent);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &THistoryForm::updateButtons);
    // The entry in view stays in view while rows come and go.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_keptStart = currentStart(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_keptStart >= 0)
            selectStart(m_keptStart);
        updateStatus();
        updateButtons(); // a reset clears the selection without a word
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &THistoryForm::updateStatus);
    connect(m_model, &HistoryModel::searchingChanged, this, &THistoryForm::updateStatus);
    connect(&m_index, &HistoryIndex::changed, this, [this] {
        updateContacts();
        updateStatus();
    });
    connect(&m_index, &HistoryIndex::progress, this, [this](int percent) {
        m_progress = percent;
        updateStatus();
    });
    updateStatus();
    updateButtons();
    WindowPlacement::centreOn(this, parent, QSize(820, 560));
    m_index.start();
}

THistoryForm::~THistoryForm() = default;

THistoryForm *THistoryForm::open(const QString &logPath, QWidget *parent)
{
    if (!g_open || g_open->m_index.path() != logPath)
        g_open = new THistoryForm(logPath, parent);
    g_open->show();
    g_open->raise();
    g_open->activateWindow();
    g_open->m_search->setFocus();
    return g_open;
}

void THistoryForm::applyQuery()
{
    m_typing.stop();
    HistoryQuery query;
    query.text = m_search->text();
    if (m_contact->currentIndex() > 0)
        query.contact = m_contact->currentText();
    if (m_period->isChecked()) {
        query.from = m_fromDate->date();
        query.to = m_toDate->date();
    }
    if (query == m_index.query() && !(query.isEmpty() && m_model->isFiltered()))
        return;
    m_highlight->setWords(query.text);
    m_model->setQuery(query);
    m_list->viewport()->update();
    showCurrent();
}

void THistoryForm::updateContacts()
{
    QStringList names;
    for (const QByteArray &name : m_index.snapshot().names)
        names.append(Cp1251::decode(name));
    names.sort(Qt::CaseInsensitive);
    names.removeDuplicates();
    QStringList shown;
    for (int i = 1; i < m_contact->count(); ++i)
        shown.append(m_contact->itemText(i));
    if (shown == names)
        return;
    const QString current = m_contact->currentIndex() > 0 ? m_contact->currentText() : QString();
    const QSignalBlocker quiet(m_contact);
    while (m_contact->count() > 1)
        m_contact->removeItem(1);
    m_contact->addItems(names);
    // A chosen contact stays chosen even when the newer index does not hold it yet.
    int at = current.isEmpty() ? 0 : m_contact->findText(current);
    if (at < 0) {
        m_contact->addItem(current);
        at = m_contact->count() - 1;
    }
    m_contact->setCurrentIndex(at);
}

void THistoryForm::updateStatus()
{
    QString text;
    if (!m_index.snapshot().complete)
        text = tr("Индексация: %1%").arg(m_progress);
    else if (m_model->isSearching())
        text = tr("Поиск...");
    else if (m_model->isFiltered())
        text = tr("Найдено: %1").arg(m_model->rowCount());
    else
        text = tr("Записей: %1").arg(m_model->rowCount());
    if (!m_index.snapshot().complete && m_model->isSearching())
        text += tr(", поиск...");
    m_status->setText(text);
}

void THistoryForm::updateButtons()
{
    // Only what is selected is copied or shown: nothing selected, nothing to do.
    const bool selected = m_list->selectionModel()->hasSelection();
    m_copy->setEnabled(selected);
    m_context->setEnabled(selected && m_list->currentIndex().isValid() && m_model->isFiltered());
}

void THistoryForm::showCurrent()
{
    const QModelIndex current = m_list->currentIndex();
    updateButtons();
    if (!current.isValid()) {
        m_text->clear();
        return;
    }
    const HistoryRecord r = m_model->record(current.row());
    m_text->setPlainText(r.hasHeader ? QStringLiteral("[%1] %2 --> %3\n%4").arg(r.dateTime, r.from, r.to, r.text) : r.text);
    QList<QTextEdit::ExtraSelection> marks;
    const QString words = m_highlight->words();
    if (!words.isEmpty()) {
        QTextCursor at(m_text->document());
        while (!(at = m_text->document()->find(words, at)).isNull()) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = at;
            mark.format.setBackground(QColor(255, 230, 0));
            mark.format.setForeground(Qt::black);
            marks.append(mark);
        }
    }
    m_text->setExtraSelections(marks);
}

qint64 THistoryForm::currentStart() const
{
    return m_model->startAt(m_list->currentIndex().row());
}

void THistoryForm::selectStart(qint64 start)
{
    const int row = m_model->rowAt(start);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_list->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void THistoryForm::copySelected()
{
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty() && m_list->currentIndex().isValid())
        rows.append(m_list->currentIndex().row());
    std::sort(rows.begin(), rows.end(), std::greater<int>()); // oldest first, as in the file
    QStringList entries;
    for (int row : std::as_const(rows))
        entries.append(m_model->record(row).asLogText());
    if (!entries.isEmpty())
        QApplication::clipboard()->setText(entries.join(u'\n') + u'\n');
}

void THistoryForm::showInContext()
{
    const qint64 start = currentStart();
    {
        const QSignalBlocker a(m_search), b(m_contact), c(m_period);
        m_search->clear();
        m_contact->setCurrentIndex(0);
        m_period->setChecked(false);
        m_fromDate->setEnabled(false);
        m_toDate->setEnabled(false);
    }
    m_keptStart = -1;
    applyQuery();
    if (start >= 0)
        selectStart(start);
    m_list->setFocus();
}
