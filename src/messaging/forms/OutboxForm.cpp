#include "OutboxForm.h"

#include "Accessibility.h"
#include "Outbox.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { WrittenColumn, ContactColumn, TextColumn };

QString wireText(const QPlainTextEdit *edit)
{
    return edit->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

} // namespace

TOutboxForm::TOutboxForm(const Outbox &outbox, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_outbox(outbox)
{
    setObjectName(QStringLiteral("OutboxForm"));
    setWindowTitle(tr("Ожидают отправки"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    Accessibility::closeOnEscape(this);

    auto *hint = new QLabel(tr("Сообщения уйдут, когда контакт появится в сети. "
                                "Сообщение может прийти дважды, если подтверждение потерялось."),
                            this);
    hint->setWordWrap(true);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("OutboxList"));
    m_list->setAccessibleName(tr("Ожидающие сообщения"));
    m_list->setHeaderLabels({tr("Записано"), tr("Кому"), tr("Текст")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    // The date and the contact first and whole; the text takes what is left.
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(TextColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(true);
    m_empty = new QLabel(tr("Нет сообщений, ожидающих отправки."), this);
    m_empty->setObjectName(QStringLiteral("OutboxEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setFrameShape(QFrame::StyledPanel);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("OutboxText"));
    m_text->setAccessibleName(tr("Текст сообщения"));
    Accessibility::tabLeavesEditor(m_text);
    m_save = new QPushButton(tr("Сохранить изменения"), this);
    m_save->setObjectName(QStringLiteral("SaveButton"));
    m_save->setAccessibleName(m_save->text());
    m_cancel = new QPushButton(tr("Не отправлять"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAccessibleName(m_cancel->text());
    auto *close = new QPushButton(tr("Закрыть"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setAccessibleName(close->text());

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list, 2);
    layout->addWidget(m_empty, 2);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        // Another message chosen: what was typed into the last one is kept,
        // told to the outbox later (the list must not be rebuilt inside its own signal).
        if (const quint64 id = m_shownId; hasEdits()) {
            m_text->document()->setModified(false);
            QMetaObject::invokeMethod(
                this, [this, id, text = wireText(m_text)] { Q_EMIT editRequested(id, text); },
                Qt::QueuedConnection);
        }
        showSelected();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (const quint64 id = selectedId()) {
            m_text->document()->setModified(false);
            Q_EMIT editRequested(id, wireText(m_text));
        }
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (const quint64 id = selectedId()) {
            m_shownId = 0; // its edits go with it
            Q_EMIT cancelRequested(id);
        }
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    reload();
    WindowPlacement::centreOn(this, parent, QSize(520, 380));
}

quint64 TOutboxForm::selectedId() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(WrittenColumn, Qt::UserRole).toULongLong() : 0;
}

bool TOutboxForm::hasEdits() const
{
    return m_shownId && m_text->document()->isModified() && m_outbox.find(m_shownId);
}

void TOutboxForm::closeEvent(QCloseEvent *event)
{
    if (hasEdits()) {
        m_text->document()->setModified(false);
        Q_EMIT editRequested(m_shownId, wireText(m_text));
    }
    QWidget::closeEvent(event);
}

void TOutboxForm::reload()
{
    const quint64 kept = selectedId();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (const Outbox::Message &m : m_outbox.messages()) {
        QString firstLine = m.text.section(u'\n', 0, 0).trimmed();
        if (firstLine.size() > 60)
            firstLine = firstLine.left(60) + QStringLiteral("…");
        auto *item = new QTreeWidgetItem(m_list, {QLocale().toString(m.written, QLocale::ShortFormat),
                                                  m.recipient.displayName, firstLine});
        item->setData(WrittenColumn, Qt::UserRole, m.id);
        item->setToolTip(TextColumn, firstLine);
        if (m.id == kept)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    const bool empty = m_list->topLevelItemCount() == 0;
    m_list->setVisible(!empty);
    m_empty->setVisible(empty);
    showSelected();
}

void TOutboxForm::showSelected()
{
    const quint64 id = selectedId();
    const Outbox::Message *m = m_outbox.find(id);
    m_save->setEnabled(m);
    m_cancel->setEnabled(m);
    m_text->setEnabled(m);
    // A reload of the message being edited keeps what was typed.
    if (m && id == m_shownId && hasEdits())
        return;
    m_shownId = m ? id : 0;
    m_text->setPlainText(m ? QString(m->text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : QString());
}
