#include "TransfersForm.h"

#include "Accessibility.h"
#include "FileReceiver.h"
#include "MessageBoxes.h"
#include "TransferList.h"
#include "TransferQueue.h"
#include "WindowPlacement.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const QString &name, const QString &text, const QString &description)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(name);
    pushButton->setAccessibleName(text);
    pushButton->setAccessibleDescription(description);
    return pushButton;
}

} // namespace

TTransfersForm::TTransfersForm(TransferList &list, TransferQueue *queue, FileReceiver &receiver, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_list(list)
    , m_queue(queue)
    , m_receiver(receiver)
    , m_view(new QTableView(this))
    , m_opener([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("TransfersForm"));
    setWindowTitle(tr("Передача файлов"));
    setAccessibleName(windowTitle());
    Accessibility::closeOnEscape(this);

    m_view->setObjectName(QStringLiteral("TransfersView"));
    m_view->setAccessibleName(tr("Список передач"));
    m_view->setModel(&m_list);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    // Names and states take the room; the short columns as much as they show
    // (a cut text is whole in its hint).
    QHeaderView *header = m_view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(TransferList::Name, QHeaderView::Stretch);
    header->setSectionResizeMode(TransferList::Status, QHeaderView::Stretch);
    header->setStretchLastSection(false);
    m_view->setTabKeyNavigation(false); // Tab goes on to the buttons
    m_view->setWordWrap(false);          // one line a transfer; the whole text is in the hint

    m_cancel = button(this, QStringLiteral("CancelButton"), tr("Отменить"),
                      tr("Прервать выбранную передачу"));
    m_retry = button(this, QStringLiteral("RetryButton"), tr("Повторить"),
                     tr("Отправить файл ещё раз"));
    m_open = button(this, QStringLiteral("OpenButton"), tr("Открыть"), tr("Открыть файл"));
    m_openFolder = button(this, QStringLiteral("OpenFolderButton"), tr("Открыть папку"),
                          tr("Открыть папку, где лежит файл"));
    m_save = button(this, QStringLiteral("SaveButton"), tr("Сохранить"),
                    tr("Сохранить полученный файл"));
    m_saveAll = button(this, QStringLiteral("SaveAllButton"), tr("Сохранить все в…"),
                       tr("Сохранить в одну папку все ждущие файлы этого абонента"));
    m_reject = button(this, QStringLiteral("RejectButton"), tr("Отклонить"),
                      tr("Отказаться от полученного файла"));
    m_rejectAll = button(this, QStringLiteral("RejectAllButton"), tr("Отклонить все"),
                         tr("Отказаться от всех ждущих файлов этого абонента"));

    // Two rows, what goes out and what came in, so a small screen holds them all.
    auto *outgoing = new QHBoxLayout;
    for (QPushButton *b : {m_cancel, m_retry, m_open, m_openFolder})
        outgoing->addWidget(b);
    outgoing->addStretch();
    auto *incoming = new QHBoxLayout;
    for (QPushButton *b : {m_save, m_saveAll, m_reject, m_rejectAll})
        incoming->addWidget(b);
    incoming->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addLayout(outgoing);
    layout->addLayout(incoming);

    connect(m_cancel, &QPushButton::clicked, this, &TTransfersForm::cancelCurrent);
    connect(m_retry, &QPushButton::clicked, this, &TTransfersForm::retryCurrent);
    connect(m_open, &QPushButton::clicked, this, &TTransfersForm::openCurrent);
    connect(m_openFolder, &QPushButton::clicked, this, &TTransfersForm::openCurrentFolder);
    connect(m_save, &QPushButton::clicked, this, &TTransfersForm::saveCurrent);
    connect(m_saveAll, &QPushButton::clicked, this, &TTransfersForm::saveAll);
    connect(m_reject, &QPushButton::clicked, this, &TTransfersForm::rejectCurrent);
    connect(m_rejectAll, &QPushButton::clicked, this, &TTransfersForm::rejectAll);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TTransfersForm::updateButtons);
    connect(&m_list, &QAbstractItemModel::dataChanged, this, &TTransfersForm::updateButtons);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, &TTransfersForm::updateButtons);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_view->currentIndex().isValid())
            m_view->setCurrentIndex(m_list.index(m_list.rowCount() - 1, 0));
        updateButtons();
    });
    updateButtons();
    WindowPlacement::centreOn(this, parent, QSize(720, 320));
}

void TTransfersForm::selectTransfer(int id)
{
    const int row = m_list.rowOf(id);
    if (row >= 0)
        m_view->setCurrentIndex(m_list.index(row, 0));
}

int TTransfersForm::currentId() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? m_list.idAt(current.row()) : 0;
}

QString TTransfersForm::currentContact() const
{
    const TransferList::Transfer *transfer = m_list.find(currentId());
    return transfer ? transfer->contact : QString();
}

void TTransfersForm::updateButtons()
{
    using State = TransferList::State;
    const TransferList::Transfer *transfer = m_list.find(currentId());
    const bool outgoing = transfer && transfer->direction == TransferList::Direction::Outgoing;
    const bool running = transfer && outgoing && !TransferList::isFinished(transfer->state);
    const bool deciding = transfer && transfer->state == State::Deciding;
    const bool there = transfer && !transfer->path.isEmpty()
                       && (transfer->state == State::Saved || transfer->state == State::Sent);
    m_cancel->setEnabled(running);
    m_retry->setEnabled(transfer && m_queue && m_queue->canRetry(transfer->id));
    m_open->setEnabled(there && QFileInfo(transfer->path).isFile());
    m_openFolder->setEnabled(there);
    m_save->setEnabled(deciding);
    m_saveAll->setEnabled(deciding);
    m_reject->setEnabled(deciding);
    m_rejectAll->setEnabled(deciding);
}

void TTransfersForm::cancelCurrent()
{
    if (const int id = currentId(); id && m_queue)
        m_queue->cancel(id);
}

void TTransfersForm::retryCurrent()
{
    if (const int id = currentId(); id && m_queue) {
        if (const int again = m_queue->retry(id))
            selectTransfer(again);
    }
}

void TTransfersForm::openCurrent()
{
    if (const TransferList::Transfer *transfer = m_list.find(currentId()); transfer && !transfer->path.isEmpty())
        m_opener(QUrl::fromLocalFile(transfer->path));
}

void TTransfersForm::openCurrentFolder()
{
    if (const TransferList::Transfer *transfer = m_list.find(currentId()); transfer && !transfer->path.isEmpty())
        m_opener(QUrl::fromLocalFile(QFileInfo(transfer->path).absolutePath()));
}

void TTransfersForm::saveCurrent()
{
    const TransferList::Transfer *transfer = m_list.find(currentId());
    if (!transfer || transfer->state != TransferList::State::Deciding)
        return;
    auto *dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("TransferSaveDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(transfer->name);
    const int id = transfer->id;
    connect(dialog, &QFileDialog::fileSelected, this, [this, id](const QString &path) {
        selectTransfer(id);
        saveCurrentTo(path);
    });
    dialog->open();
}

void TTransfersForm::saveAll()
{
    if (m_list.find(currentId()) == nullptr)
        return;
    auto *dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("TransferFolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setDirectory(QDir::homePath());
    connect(dialog, &QFileDialog::fileSelected, this, &TTransfersForm::saveAllInto);
    dialog->open();
}

void TTransfersForm::saveCurrentTo(const QString &path)
{
    QString error;
    if (!m_receiver.saveWaiting(currentId(), path, &error) && !error.isEmpty())
        MessageBoxes::warning(this, tr("Ошибка сохранения файла!\n\rНе удалось записать %1: %2.").arg(path, error));
}

void TTransfersForm::saveAllInto(const QString &folder)
{
    QStringList errors;
    m_receiver.saveAllWaiting(currentContact(), folder, &errors);
    if (!errors.isEmpty())
        MessageBoxes::warning(this, tr("Ошибка сохранения файла!\n\r") + errors.join(u'\n'));
}

void TTransfersForm::rejectCurrent()
{
    m_receiver.rejectWaiting(currentId());
}

void TTransfersForm::rejectAll()
{
    m_receiver.rejectAllWaiting(currentContact());
}
