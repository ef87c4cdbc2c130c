// Sending and receiving files in the main window.
#include "NetForm.h"

#include "Logging.h"
#include "MessageBoxes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListView>
#include <QProgressDialog>

#include <algorithm>

using NetAction = NetFormWidgets::NetAction;

namespace {

QString attention()
{
    return TNetForm::tr("Внимание");
}

QString fileFilter()
{
    return TNetForm::tr("Все файлы *.* (*)");
}

} // namespace

void TNetForm::wireFiles()
{
    connect(m_ui.action(NetAction::SendFile), &QAction::triggered, this, &TNetForm::sendFile);
    connect(m_messenger.get(), &Messenger::fileSendStarted, this, &TNetForm::showFileProgress);
    connect(m_messenger.get(), &Messenger::fileSendProgress, this, [this](qint64 sent, qint64 total) {
        if (m_fileProgress && total > 0)
            m_fileProgress->setValue(int(sent * m_fileProgress->maximum() / total));
    });
    wireTransfers();
}

void TNetForm::setPeerStreamPort(quint16 port)
{
    m_messenger->setPeerStreamPort(port);
}

void TNetForm::sendFile()
{
    if (hasShutDown())
        return;
    QListView *list = m_ui.listBox1();
    const QModelIndex current = list->currentIndex();
    if (!current.isValid()) {
        MessageBoxes::warning(this, tr("Не выбран абонент!"));
        return;
    }
    if (list->selectionModel()->selectedRows().size() >= 2) {
        MessageBoxes::warning(this, tr("Выберано более одного абонента!"));
        return;
    }
    const Recipient recipient = recipientAt(current.row());
    auto *dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilter(fileFilter());
    connect(dialog, &QFileDialog::filesSelected, this, [this, recipient](const QStringList &paths) {
        // One file is told of by boxes; several go to the transfers window.
        if (paths.size() == 1)
            startFileSend(recipient, paths.first());
        else
            sendPaths({recipient}, paths);
    });
    dialog->open();
}

void TNetForm::startFileSend(const Recipient &recipient, const QString &path)
{
    if (hasShutDown())
        return;
    FileSender::Refusal refusal = FileSender::Refusal::None;
    QString error;
    std::unique_ptr<QFile> file = FileSender::open(path, &refusal, &error);
    switch (refusal) {
    case FileSender::Refusal::None:
        break;
    case FileSender::Refusal::CannotOpen:
        MessageBoxes::show(this, QMessageBox::Critical, QStringLiteral("Zavolin"),
                           tr("Не удается открыть файл \"%1\". %2").arg(path, error));
        return;
    case FileSender::Refusal::PathTooLong:
        MessageBoxes::warning(this, tr("Файл не отправлен: путь к нему длиннее 9999 байт, "
                                       "а получатель примет не больше."));
        return;
    case FileSender::Refusal::TooLarge:
        MessageBoxes::warning(this, tr("Файл не отправлен: его размер %1 байт, а передать можно "
                                       "только файл меньше 2 ГБ (не больше 2147483647 байт).")
                                        .arg(QFileInfo(path).size()));
        return;
    }
    // The id comes back before the end can be reported: ends are reported later.
    auto id = std::make_shared<int>(0);
    *id = m_messenger->sendFile(recipient, std::move(file), [this, id](FileSender::Result result, const QString &reason) {
        if (m_fileProgress)
            m_fileProgress->deleteLater();
        if (m_secureFileFailures.remove(*id))
            return; // the user was asked whether to send it openly
        switch (result) {
        case FileSender::Result::Sent:
            MessageBoxes::information(this, tr("Файл отправлен!"));
            return;
        case FileSender::Result::Failed:
            qCWarning(lcZavolin, "file not sent: %s", qPrintable(reason));
            MessageBoxes::show(this, QMessageBox::Critical, attention(), tr("Ошибка отправки файла!"));
            return;
        case FileSender::Result::Cancelled:
            return; // the user knows
        }
    });
}

void TNetForm::showFileProgress(const QString &path, const QString &recipient)
{
    if (m_fileProgress)
        m_fileProgress->deleteLater();
    // Shown only when the transfer promises to take a while; never modal, so
    // the window stays usable and messages keep arriving.
    auto *progress = new QProgressDialog(tr("Отправка файла %1 абоненту %2").arg(QFileInfo(path).fileName(), recipient),
                                         tr("Отмена"), 0, 1000, this);
    progress->setObjectName(QStringLiteral("SendFileProgress"));
    progress->setWindowTitle(tr("Отправка файла"));
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(700);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, m_messenger.get(), &Messenger::cancelFileSend);
    m_fileProgress = progress;
}

void TNetForm::showFileNotice(Notice notice, const QString &text, std::function<void()> closed)
{
    // A notice that only tells (a file saved, a save that failed) is also a
    // row of the transfers window: past a few open ones, a peer sending file
    // after file must not pile up boxes without bound.
    const QString tellsOnly = QStringLiteral("FileNotice");
    if (!closed) {
        const auto open = findChildren<QMessageBox *>(tellsOnly, Qt::FindDirectChildrenOnly);
        if (std::count_if(open.begin(), open.end(), [](QMessageBox *box) { return box->isVisible(); })
            >= kMaxOpenFileNotices)
            return;
    }
    const QMessageBox::Icon icon = notice == Notice::Information ? QMessageBox::Information
                                   : notice == Notice::Warning   ? QMessageBox::Warning
                                                                 : QMessageBox::Critical;
    auto *box = new QMessageBox(icon, attention(), MessageBoxes::shownText(text), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (!closed)
        box->setObjectName(tellsOnly);
    if (closed)
        connect(box, &QMessageBox::finished, this, [closed = std::move(closed)] { closed(); });
    box->open();
}

void TNetForm::askSavePath(const QString &fileName, std::function<void(const QString &path)> answered)
{
    auto *dialog = new QFileDialog(this);
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
