// Sending and receiving files in the main window.
#include "NetForm.h"

#include "IniFile.h"
#include "SettingKeys.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "SettingsForm.h"
#include "SpoolFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListView>
#include <QProgressDialog>


using NetAction = NetFormWidgets::NetAction;

namespace {

const QString kAttention = QStringLiteral("Внимание");
const QString kFileFilter = QStringLiteral("Все файлы *.* (*)");

} // namespace

void TNetForm::wireFiles()
{
    connect(m_ui.action(NetAction::SendFile), &QAction::triggered, this, &TNetForm::sendFile);

    m_fileSender = std::make_unique<FileSender>();
    connect(m_fileSender.get(), &FileSender::started, this, &TNetForm::showFileProgress);
    connect(m_fileSender.get(), &FileSender::progress, this, [this](qint64 sent, qint64 total) {
        if (m_fileProgress && total > 0)
            m_fileProgress->setValue(int(sent * m_fileProgress->maximum() / total));
    });

    m_fileReceiver = std::make_unique<FileReceiver>(static_cast<FileReceiveHost &>(*this), m_options);
    listenForFiles();
}

void TNetForm::listenForFiles()
{
    m_strmServer = std::make_unique<TStrmServer>();
    m_strmServer->setPort(m_env.streamPort);
    m_strmServer->setAdmission([this](const StreamOffer &offer) { return m_fileReceiver->admit(offer); });
    connect(m_strmServer.get(), &TStrmServer::streamReceived, this, [this](const ReceivedStream &stream) {
        m_fileReceiver->receive(stream);
    });
    connect(m_strmServer.get(), &TStrmServer::connectionDropped, this,
            [this](const QString &reason) { m_streamDrops.record(reason); });
    connect(m_strmServer.get(), &TStrmServer::spoolLimitReached, this, [](int files, qint64 bytes) {
        qCWarning(lcZavolin, "%d received files (%lld bytes) wait to be saved; further files are refused until there is room",
                  files, static_cast<long long>(bytes));
    });
    removeStaleSpoolFiles();
    if (m_strmServer->listen(m_env.listenAddress))
        return;
    const quint16 port = m_env.streamPort;
    if (m_strmServer->serverError() == QAbstractSocket::SocketAccessError) {
        // Ports below 1024 belong to root on Linux unless the program is allowed them.
        reportOnce(QStringLiteral("listen-files"),
                   QStringLiteral("Файлы не будут приниматься: порт %1 в Linux открывает только администратор.\n"
                                  "Чтобы разрешить, выполните одну из команд и перезапустите Zavolin:\n"
                                  "sudo setcap 'cap_net_bind_service=+ep' %2\n"
                                  "sudo sysctl net.ipv4.ip_unprivileged_port_start=%1")
                       .arg(port)
                       .arg(QCoreApplication::applicationFilePath()));
        return;
    }
    reportOnce(QStringLiteral("listen-files"),
               QStringLiteral("Файлы не будут приниматься: порт %1 занят (%2). "
                              "Возможно, Zavolin уже запущен на этом компьютере.")
                   .arg(port)
                   .arg(m_strmServer->errorString()));
}

void TNetForm::setPeerStreamPort(quint16 port)
{
    if (m_fileSender)
        m_fileSender->setPort(port);
}

QString TNetForm::dataFolder() const
{
    return m_env.dataFolder;
}

void TNetForm::removeStaleSpoolFiles() const
{
    // Left by an instance that was killed while a file arrived; files that a
    // running instance holds are locked and stay.
    // The settings dialog has not read the preset folder yet: the stream
    // server listens before start-up.
    QStringList folders{m_env.dataFolder, QDir::tempPath()};
    const QString preset = SettingKeys::kSaveFileDir.read(IniFile(m_env.settingsPath));
    if (preset != SettingKeys::kNoFolder)
        folders << preset;
    for (const QString &folder : std::as_const(folders)) {
        if (const int removed = SpoolFile::removeStale(folder))
            qCInfo(lcZavolin, "removed %d unfinished received files from %s", removed, qPrintable(folder));
    }
}

void TNetForm::sendFile()
{
    if (!m_fileSender)
        return;
    QListView *list = m_ui.listBox1();
    const QModelIndex current = list->currentIndex();
    if (!current.isValid()) {
        MessageBoxes::warning(this, QStringLiteral("Не выбран абонент!"));
        return;
    }
    if (list->selectionModel()->selectedRows().size() >= 2) {
        MessageBoxes::warning(this, QStringLiteral("Выберано более одного абонента!"));
        return;
    }
    const Recipient recipient = recipientAt(current.row());
    auto *dialog = new QFileDialog(this);
    dialog->setObjectName(QStringLiteral("OpenDialog1"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(kFileFilter);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, recipient](const QString &path) { startFileSend(recipient, path); });
    dialog->open();
}

void TNetForm::startFileSend(const Recipient &recipient, const QString &path)
{
    if (!m_fileSender)
        return;
    FileSender::Refusal refusal = FileSender::Refusal::None;
    QString error;
    std::unique_ptr<QFile> file = FileSender::open(path, &refusal, &error);
    switch (refusal) {
    case FileSender::Refusal::None:
        break;
    case FileSender::Refusal::CannotOpen:
        MessageBoxes::show(this, QMessageBox::Critical, QStringLiteral("Zavolin"),
                           QStringLiteral("Не удается открыть файл \"%1\". %2").arg(path, error));
        return;
    case FileSender::Refusal::PathTooLong:
        MessageBoxes::warning(this, QStringLiteral("Файл не отправлен: путь к нему длиннее 9999 байт, "
                                                   "а получатель примет не больше."));
        return;
    case FileSender::Refusal::TooLarge:
        MessageBoxes::warning(this, QStringLiteral("Файл не отправлен: его размер %1 байт, а передать можно "
                                                   "только файл меньше 2 ГБ (не больше 2147483647 байт).")
                                        .arg(QFileInfo(path).size()));
        return;
    }
    m_fileSender->send(recipient, std::move(file), [this](FileSender::Result result, const QString &reason) {
        if (m_fileProgress)
            m_fileProgress->deleteLater();
        switch (result) {
        case FileSender::Result::Sent:
            MessageBoxes::information(this, QStringLiteral("Файл отправлен!"));
            return;
        case FileSender::Result::Failed:
            qCWarning(lcZavolin, "file not sent: %s", qPrintable(reason));
            MessageBoxes::show(this, QMessageBox::Critical, kAttention, QStringLiteral("Ошибка отправки файла!"));
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
    auto *progress = new QProgressDialog(QStringLiteral("Отправка файла %1 абоненту %2")
                                             .arg(QFileInfo(path).fileName(), recipient),
                                         QStringLiteral("Отмена"), 0, 1000, this);
    progress->setObjectName(QStringLiteral("SendFileProgress"));
    progress->setWindowTitle(QStringLiteral("Отправка файла"));
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(700);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, this, [this] {
        if (m_fileSender)
            m_fileSender->cancel();
    });
    m_fileProgress = progress;
}

QString TNetForm::senderName(const QHostAddress &peer) const
{
    const QString address = peer.toString();
    int row = m_contacts.indexOfAddress(address);
    if (row < 0) {
        for (auto it = m_presenceAddress.cbegin(); it != m_presenceAddress.cend() && row < 0; ++it) {
            if (it.value() == address)
                row = m_contacts.indexOfAddress(it.key());
        }
    }
    return row >= 0 ? m_contacts.displayNameAt(row) : address;
}

void TNetForm::showFileNotice(Notice notice, const QString &text, std::function<void()> closed)
{
    const QMessageBox::Icon icon = notice == Notice::Information ? QMessageBox::Information
                                   : notice == Notice::Warning   ? QMessageBox::Warning
                                                                 : QMessageBox::Critical;
    auto *box = new QMessageBox(icon, kAttention, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
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
    dialog->setNameFilter(kFileFilter);
    dialog->setDirectory(QDir::homePath());
    dialog->selectFile(fileName);
    connect(dialog, &QFileDialog::finished, this, [dialog, answered = std::move(answered)](int result) {
        answered(result == QDialog::Accepted ? dialog->selectedFiles().value(0) : QString());
    });
    dialog->open();
}
