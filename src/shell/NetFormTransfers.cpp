// Several files and folders going out, files dropped on the window, and the
// transfers window.
#include "NetForm.h"

#include "FileDropTarget.h"
#include "MessageBoxes.h"
#include "TransfersForm.h"

#include <QAction>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>

void TNetForm::wireTransfers()
{
    connect(m_ui.action(NetFormWidgets::NetAction::Transfers), &QAction::triggered, this, &TNetForm::openTransfers);
    connect(m_ui.action(NetFormWidgets::NetAction::SendFolder), &QAction::triggered, this, &TNetForm::sendFolder);

    // Opened as a transfer starts, without taking the focus from where the user types.
    connect(m_messenger.get(), &Messenger::transferStarted, this, [this](int id) {
        if (hasShutDown())
            return;
        const bool wasOpen = m_transfersForm && m_transfersForm->isVisible();
        TTransfersForm *form = transfersForm();
        if (!wasOpen) {
            form->setAttribute(Qt::WA_ShowWithoutActivating);
            form->show();
            form->selectTransfer(id);
        }
    });

    m_fileDrop = new FileDropTarget(
        [this](QObject *watched, const QPoint &position, const QStringList &paths) {
            QListView *list = m_ui.listBox1();
            if (watched == list->viewport()) {
                const QModelIndex under = list->indexAt(position);
                if (under.isValid()) {
                    sendPaths({recipientAt(under.row())}, paths);
                    return;
                }
            }
            sendToSelected(paths);
        },
        this);
    m_fileDrop->watch(m_ui.listBox1()->viewport());
    m_fileDrop->watch(m_ui.memo1()->viewport());
    m_fileDrop->watch(this);
}

TTransfersForm *TNetForm::transfersForm()
{
    if (!m_transfersForm) {
        m_transfersForm = new TTransfersForm(m_messenger->transfers(), m_messenger->transferQueue(),
                                             m_messenger->fileReceiver(), this);
        m_transfersForm->setAttribute(Qt::WA_DeleteOnClose);
    }
    return m_transfersForm;
}

void TNetForm::openTransfers()
{
    TTransfersForm *form = transfersForm();
    form->setAttribute(Qt::WA_ShowWithoutActivating, false);
    form->show();
    form->raise();
    form->activateWindow();
}

void TNetForm::sendToSelected(const QStringList &paths)
{
    const QModelIndexList rows = m_ui.listBox1()->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        MessageBoxes::warning(this, tr("Не выбран абонент!"));
        return;
    }
    QList<Recipient> recipients;
    for (const QModelIndex &row : rows)
        recipients << recipientAt(row.row());
    sendPaths(recipients, paths);
}

void TNetForm::sendPaths(const QList<Recipient> &recipients, const QStringList &paths)
{
    if (hasShutDown() || recipients.isEmpty() || paths.isEmpty())
        return;
    const QList<int> ids = m_messenger->sendPaths(recipients, paths);
    if (!ids.isEmpty()) {
        TTransfersForm *form = transfersForm();
        if (!form->isVisible()) {
            form->setAttribute(Qt::WA_ShowWithoutActivating);
            form->show();
        }
        form->selectTransfer(ids.first());
    }
}

void TNetForm::sendFolder()
{
    if (hasShutDown())
        return;
    if (m_ui.listBox1()->selectionModel()->selectedRows().isEmpty()) {
        MessageBoxes::warning(this, tr("Не выбран абонент!"));
        return;
    }
    auto *dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("FolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { sendToSelected({path}); });
    dialog->open();
}
