#include "ContactDelegate.h"
#include "NetForm.h"
#include "OutboxForm.h"

#include <QAction>
#include <QListView>
#include <QPointer>

#include <memory>

// The outbox in the window: the count beside each contact that has messages
// waiting and the "Ожидают отправки" window in the Message menu.
void TNetForm::wireOutbox()
{
    if (auto *delegate = qobject_cast<ContactDelegate *>(m_ui.listBox1()->itemDelegate())) {
        delegate->setSuffix([this](const QModelIndex &index) {
            const int waiting = m_messenger->outbox().countFor(contacts().addressAt(index.row()));
            return waiting ? QStringLiteral(" (%1)").arg(waiting) : QString();
        });
    }
    QAction *outbox = m_ui.action(NetFormWidgets::NetAction::Outbox);
    auto update = [this, outbox] {
        const qsizetype waiting = m_messenger->outbox().messages().size();
        outbox->setText(waiting ? tr("Ожидают отправки (%1)...").arg(waiting)
                                : tr("Ожидают отправки..."));
        m_ui.listBox1()->viewport()->update();
    };
    update();
    connect(m_messenger.get(), &Messenger::outboxChanged, this, update);
    auto open = std::make_shared<QPointer<TOutboxForm>>(); // one window, kept while the main one lives
    connect(outbox, &QAction::triggered, this, [this, open] {
        TOutboxForm *form = *open;
        if (!form) {
            form = new TOutboxForm(m_messenger->outbox(), this);
            *open = form;
            connect(form, &TOutboxForm::editRequested, m_messenger.get(), &Messenger::editQueued);
            connect(form, &TOutboxForm::cancelRequested, m_messenger.get(), &Messenger::cancelQueued);
            connect(m_messenger.get(), &Messenger::outboxChanged, form, &TOutboxForm::reload);
        }
        form->show();
        form->raise();
        // Opened by the user: the keyboard goes with it.
        form->activateWindow();
    });
}
