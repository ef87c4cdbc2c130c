#include "OutboxForm.h"

#include "Messenger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TOutboxForm::TOutboxForm(Messenger &messenger, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_messenger(messenger)
{
    setObjectName(QStringLiteral("OutboxForm"));
    setWindowTitle(QStringLiteral("Ожидают отправки"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(480, 380);

    auto *hint = new QLabel(QStringLiteral("Сообщения уйдут, когда контакт появится в сети. "
                                           "Сообщение может прийти дважды, если подтверждение потерялось."),
                            this);
    hint->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("OutboxList"));
    m_list->setAccessibleName(QStringLiteral("Ожидающие сообщения"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("OutboxText"));
    m_text->setAccessibleName(QStringLiteral("Текст сообщения"));
    m_save = new QPushButton(QStringLiteral("Сохранить изменения"), this);
    m_save->setObjectName(QStringLiteral("SaveButton"));
    m_save->setAccessibleName(m_save->text());
    m_cancel = new QPushButton(QStringLiteral("Не отправлять"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setAccessibleName(m_cancel->text());

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list, 2);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, &TOutboxForm::showSelected);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (const quint64 id = selectedId())
            m_messenger.editQueued(id, m_text->toPlainText().replace(u'\n', QStringLiteral("\r\n")));
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (const quint64 id = selectedId())
            m_messenger.cancelQueued(id);
    });
    connect(&m_messenger, &Messenger::outboxChanged, this, &TOutboxForm::reload);
    reload();
}

quint64 TOutboxForm::selectedId() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toULongLong() : 0;
}

void TOutboxForm::reload()
{
    const quint64 kept = selectedId();
    m_list->clear();
    for (const Outbox::Message &m : m_messenger.outbox().messages()) {
        QString firstLine = m.text.section(u'\n', 0, 0).trimmed();
        if (firstLine.size() > 60)
            firstLine = firstLine.left(60) + QStringLiteral("…");
        auto *item = new QListWidgetItem(QStringLiteral("%1 — %2 (%3)")
                                             .arg(m.recipient.displayName, firstLine,
                                                  m.written.toString(QStringLiteral("dd.MM.yyyy hh:mm"))),
                                         m_list);
        item->setData(Qt::UserRole, m.id);
        if (m.id == kept)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
    showSelected();
}

void TOutboxForm::showSelected()
{
    const Outbox::Message *m = m_messenger.outbox().find(selectedId());
    m_save->setEnabled(m);
    m_cancel->setEnabled(m);
    m_text->setEnabled(m);
    m_text->setPlainText(m ? QString(m->text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : QString());
}
