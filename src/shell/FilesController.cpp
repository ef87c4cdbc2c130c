#include "FilesController.h"

#include "FileDropTarget.h"
#include "FileSender.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "Messenger.h"
#include "NetFormWidgets.h"
#include "TransfersForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListView>
#include <QMainWindow>
#include <QPlainTextEdit>

#include <algorithm>

using NetAction = NetFormWidgets::NetAction;

namespace {

QString attention()
{
    return FilesController::tr("Внимание");
}

QString fileFilter()
{
    return FilesController::tr("Все файлы *.* (*)");
}

} // namespace

FilesController::FilesController(const Setup &setup)
    : m_setup(setup)
{
    NetFormWidgets &ui = m_setup.ui;
    connect(ui.action(NetAction::SendFile), &QAction::triggered, this, &FilesController::sendFile);
    connect(ui.action(NetAction::SendFolder), &QAction::triggered, this, &FilesController::sendFolder);
    connect(ui.action(NetAction::Transfers), &QAction::triggered, this, &FilesController::openTransfers);

    Messenger *messenger = &m_setup.messenger;
    // Opened as a transfer starts, without taking the focus from where the user types.
    connect(messenger, &Messenger::transferStarted, this, [this](int id) {
        if (m_setup.hasShutDown())
            return;
        if (!m_transfersForm || !m_transfersForm->isVisible())
            showWithoutFocus(id);
    });
    connect(messenger, &Messenger::transferEnded, this,
            [this](int id, TransferQueue::Result result, const QString &error) {
                const bool asked = m_secureFailures.remove(id);
                if (m_toldByBox.remove(id) && !asked && result != TransferQueue::Result::Cancelled)
                    tellEnd(id, result == TransferQueue::Result::Sent, error);
            });
    wireSecureFailures();
    wireDrop();
    messenger->setPrompts(this);
}

FilesController::~FilesController()
{
    m_setup.messenger.setPrompts(nullptr);
}

void FilesController::wireDrop()
{
    m_drop = new FileDropTarget(
        [this](QObject *watched, const QPoint &position, const QStringList &paths) {
            QListView *list = m_setup.ui.listBox1();
            if (watched == list->viewport()) {
                const QModelIndex under = list->indexAt(position);
                if (under.isValid()) {
                    sendPaths({m_setup.messenger.recipientAt(under.row())}, paths);
                    return;
                }
            }
            sendToSelected(paths);
        },
        this);
    m_drop->watch(m_setup.ui.listBox1()->viewport());
    m_drop->watch(m_setup.ui.memo1()->viewport());
    m_drop->watch(m_setup.window);
}

void FilesController::wireSecureFailures()
{
    connect(&m_setup.messenger, &Messenger::secureFileSendFailed, this,
            [this](int id, const Recipient &recipient, const QString &path, const QString &reason) {
                m_secureFailures.insert(id);
                const QString question = tr("Файл «%1» для %2 не отправлен по защищённому каналу: %3.\n"
                                            "Отправить его открыто, без шифрования, один раз?")
                                             .arg(QFileInfo(path).fileName(), recipient.displayName, reason);
                MessageBoxes::question(m_setup.window, attention(), question, false,
                                       [this, recipient, path](bool yes) {
                                           if (yes && !m_setup.hasShutDown())
                                               m_setup.messenger.sendFileOpenly(recipient, path);
                                       });
            });
}

void FilesController::sendFile()
{
    if (m_setup.hasShutDown())
        return;
    QListView *list = m_setup.ui.listBox1();
    const QModelIndex current = list->currentIndex();
    if (!current.isValid()) {
        MessageBoxes::warning(m_setup.window, tr("Не выбран абонент!"));
        return;
    }
    if (list->selectionModel()->selectedRows().size() >= 2) {
        MessageBoxes::warning(m_setup.window, tr("Выберано более одного абонента!"));
        return;
    }
    const Recipient recipient = m_setup.messenger.recipientAt(current.row());
    auto *dialog = new QFileDialog(m_setup.window);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilter(fileFilter());
    connect(dialog, &QFileDialog::filesSelected, this, [this, recipient](const QStringList &paths) {
        // One file is also told of by boxes; several only by the transfers window.
        const bool single = paths.size() == 1;
        if (single && refusedUpFront(paths.first()))
            return;
        const QList<int> ids = sendPaths({recipient}, paths);
        if (single && !ids.isEmpty())
            m_toldByBox.insert(ids.first());
    });
    dialog->open();
}

bool FilesController::refusedUpFront(const QString &path)
{
    FileSender::Refusal refusal = FileSender::Refusal::None;
    QString error;
    const std::unique_ptr<QFile> file = FileSender::open(path, &refusal, &error);
    switch (refusal) {
    case FileSender::Refusal::None:
        return false;
    case FileSender::Refusal::CannotOpen:
        MessageBoxes::show(m_setup.window, QMessageBox::Critical, QStringLiteral("Zavolin"),
                           tr("Не удается открыть файл \"%1\". %2").arg(path, error));
        break;
    case FileSender::Refusal::PathTooLong:
        MessageBoxes::warning(m_setup.window, tr("Файл не отправлен: путь к нему длиннее 9999 байт, "
                                                 "а получатель примет не больше."));
        break;
    case FileSender::Refusal::TooLarge:
        MessageBoxes::warning(m_setup.window, tr("Файл не отправлен: его размер %1 байт, а передать можно "
                                                 "только файл меньше 2 ГБ (не больше 2147483647 байт).")
                                                  .arg(QFileInfo(path).size()));
        break;
    }
    return true;
}

void FilesController::tellEnd(int id, bool sent, const QString &error)
{
    if (sent) {
        MessageBoxes::information(m_setup.window, tr("Файл отправлен!"));
        return;
    }
    qCWarning(lcZavolin, "file %d not sent: %s", id, qPrintable(error));
    MessageBoxes::show(m_setup.window, QMessageBox::Critical, attention(), tr("Ошибка отправки файла!"));
}

void FilesController::sendToSelected(const QStringList &paths)
{
    const QModelIndexList rows = m_setup.ui.listBox1()->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        MessageBoxes::warning(m_setup.window, tr("Не выбран абонент!"));
        return;
    }
    QList<Recipient> recipients;
    for (const QModelIndex &row : rows)
        recipients << m_setup.messenger.recipientAt(row.row());
    sendPaths(recipients, paths);
}

QList<int> FilesController::sendPaths(const QList<Recipient> &recipients, const QStringList &paths)
{
    if (m_setup.hasShutDown() || recipients.isEmpty() || paths.isEmpty())
        return {};
    const QList<int> ids = m_setup.messenger.sendPaths(recipients, paths);
    if (ids.isEmpty())
        return ids;
    if (m_transfersForm && m_transfersForm->isVisible())
        m_transfersForm->selectTransfer(ids.first());
    else
        showWithoutFocus(ids.first());
    return ids;
}

void FilesController::sendFolder()
{
    if (m_setup.hasShutDown())
        return;
    if (m_setup.ui.listBox1()->selectionModel()->selectedRows().isEmpty()) {
        MessageBoxes::warning(m_setup.window, tr("Не выбран абонент!"));
        return;
    }
    auto *dialog = new QFileDialog(m_setup.window);
    dialog->setObjectName(QStringLiteral("FolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { sendToSelected({path}); });
    dialog->open();
}

TTransfersForm *FilesController::transfersForm()
{
    if (!m_transfersForm) {
        Messenger &messenger = m_setup.messenger;
        m_transfersForm = new TTransfersForm(messenger.transfers(), messenger.transferQueue(),
                                             messenger.fileReceiver(), m_setup.window);
        m_transfersForm->setAttribute(Qt::WA_DeleteOnClose);
    }
    return m_transfersForm;
}

void FilesController::showWithoutFocus(int id)
{
    TTransfersForm *form = transfersForm();
    form->setAttribute(Qt::WA_ShowWithoutActivating);
    form->show();
    form->selectTransfer(id);
}

void FilesController::openTransfers()
{
    TTransfersForm *form = transfersForm();
    form->setAttribute(Qt::WA_ShowWithoutActivating, false);
    form->show();
    form->raise();
    form->activateWindow();
}

bool FilesController::isSendingFile() const
{
    return m_setup.messenger.isSendingFile();
}

void FilesController::showFileNotice(Notice notice, const QString &text, std::function<void()> closed)
{
    // A notice that only tells (a file saved, a save that failed) is also a
    // row of the transfers window: past a few open ones, a peer sending file
    // after file must not pile up boxes without bound.
    if (!closed) {
        m_notices.removeAll(nullptr);
        if (std::count_if(m_notices.begin(), m_notices.end(), [](const QPointer<QMessageBox> &box) {
                return box->isVisible();
            }) >= kMaxOpenFileNotices)
            return;
    }
    const QMessageBox::Icon icon = notice == Notice::Information ? QMessageBox::Information
                                   : notice == Notice::Warning   ? QMessageBox::Warning
                                                                 : QMessageBox::Critical;
    auto *box = new QMessageBox(icon, attention(), MessageBoxes::shownText(text), QMessageBox::Ok, m_setup.window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (closed)
        connect(box, &QMessageBox::finished, this, [closed = std::move(closed)] { closed(); });
    else
        m_notices.append(box);
    box->open();
}

void FilesController::askSavePath(const QString &fileName, std::function<void(const QString &path)> answered)
{
    auto *dialog = new QFileDialog(m_setup.window);
    dialog->setObjectName(QStringLiteral("SaveDialog1"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite); // replaced without a question
    dialog->setNameFilter(fileFilter());
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(fileName);
    connect(dialog, &QFileDialog::finished, this, [dialog, answered = std::move(answered)](int result) {
        answered(result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString());
    });
    dialog->open();
}
