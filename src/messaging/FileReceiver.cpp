#include "FileReceiver.h"

#include "FileStore.h"
#include "ReceivedFileName.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace {

constexpr int kSaveIntoFolder = 20; // Ch20
const QString kNoFolder = QStringLiteral("*");
const QString kLineBreak = QStringLiteral("\n\r");

QString refusedNameText(const QString &sender, const QString &wirePath, const QString &name)
{
    const QString shown = ReceivedFileName::forDisplay(name.isEmpty() ? wirePath : name);
    return QStringLiteral("Файл от %1 не сохранен: недопустимое имя файла «%2».").arg(sender, shown);
}

} // namespace

FileReceiver::FileReceiver(FileReceiveHost &host, QObject *parent)
    : QObject(parent)
    , m_host(host)
{
}

void FileReceiver::receive(const ReceivedStream &stream)
{
    m_queue.push_back(stream);
    handleWaiting();
}

void FileReceiver::handleWaiting()
{
    while (!m_handling && !m_queue.empty()) {
        m_handling = true;
        const ReceivedStream stream = m_queue.front();
        if (!handle(stream))
            return; // a dialog finishes it
        m_queue.pop_front();
        m_handling = false;
    }
}

void FileReceiver::done()
{
    if (m_queue.empty())
        return;
    m_queue.pop_front(); // the spool file goes with it unless it was moved
    m_handling = false;
    handleWaiting();
}

bool FileReceiver::handle(const ReceivedStream &stream)
{
    using Notice = FileReceiveHost::Notice;
    const QString name = ReceivedFileName::fromWirePath(stream.fromName());
    const QString sender = m_host.senderName(stream.peer());
    switch (stream.status()) {
    case ReceivedStream::Status::Incomplete:
        m_host.showFileNotice(Notice::Warning,
                              QStringLiteral("Файл %1 от %2 получен не полностью (%3 из %4 байт) и не сохранен.")
                                  .arg(ReceivedFileName::forDisplay(name), sender)
                                  .arg(stream.receivedSize())
                                  .arg(stream.announcedSize()),
                              nullptr);
        return true;
    case ReceivedStream::Status::NotStored:
        m_host.showFileNotice(Notice::Warning,
                              QStringLiteral("Ошибка сохранения файла!") + kLineBreak
                                  + QStringLiteral("Файл %1 от %2 не принят: его негде сохранить (%3).")
                                        .arg(ReceivedFileName::forDisplay(name), sender, stream.error()),
                              nullptr);
        return true;
    case ReceivedStream::Status::Complete:
        break;
    }
    if (ReceivedFileName::check(name) != ReceivedFileName::Verdict::Ok) {
        m_host.showFileNotice(Notice::Warning, refusedNameText(sender, stream.fromName(), name), nullptr);
        return true;
    }
    if (m_host.option(kSaveIntoFolder)) {
        saveIntoFolder(stream, name);
        return true;
    }
    askWhereToSave(stream, name);
    return false;
}

void FileReceiver::saveIntoFolder(const ReceivedStream &stream, const QString &name)
{
    using Notice = FileReceiveHost::Notice;
    const QString folder = m_host.saveFolder();
    if (folder == kNoFolder) {
        m_host.showFileNotice(Notice::Warning, QStringLiteral("Не указан каталог сохранения полученных файлов!"),
                              nullptr);
        return;
    }
    QString error;
    if (!QFileInfo(folder).isDir() || !FileStore::replace(stream.spoolPath(), QDir(folder).filePath(name), &error)) {
        m_host.showFileNotice(Notice::Warning, QStringLiteral("Ошибка сохранения файла!"), nullptr);
        return;
    }
    stream.release();
    m_host.showFileNotice(Notice::Information,
                          QStringLiteral("Получен файл ") + name + QStringLiteral(" !") + kLineBreak
                              + QStringLiteral("Файл сохранен в каталоге ") + folder + u'.',
                          nullptr);
}

void FileReceiver::askWhereToSave(const ReceivedStream &stream, const QString &name)
{
    using Notice = FileReceiveHost::Notice;
    const QPointer<FileReceiver> self(this);
    m_host.showFileNotice(Notice::Information, QStringLiteral("Получен файл ") + name + QStringLiteral(" !"),
                          [self, stream, name] {
        if (!self)
            return;
        self->m_host.askSavePath(name, [self, stream](const QString &path) {
            if (!self)
                return;
            QString error;
            if (path.isEmpty()) {
                // cancelled: the file is dropped
            } else if (FileStore::replace(stream.spoolPath(), path, &error)) {
                stream.release();
            } else {
                self->m_host.showFileNotice(Notice::Error,
                                            QStringLiteral("Ошибка сохранения файла!") + kLineBreak
                                                + QStringLiteral("Вероятно, файл с таким именем уже существует!"),
                                            nullptr);
            }
            self->done();
        });
    });
}
