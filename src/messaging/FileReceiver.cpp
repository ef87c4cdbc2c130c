#include "FileReceiver.h"

#include "Logging.h"

#include "FileStore.h"
#include "OptionsStore.h"
#include "SettingKeys.h"
#include "ReceivedFileName.h"
#include "TransferList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace {

// Notices that wait behind an open dialog; a peer sending streams that are
// all refused must not fill memory with them.
constexpr qsizetype kMaxWaitingNotices = 64;
const QString kNoFolder = SettingKeys::kNoFolder.toString();
const QString kLineBreak = QStringLiteral("\n\r");

QString saveError()
{
    return QCoreApplication::translate("FileReceiver", "Ошибка сохранения файла!");
}

// A reason kept in the transfers list: stored in Russian, shown in the interface's language.
QString listReason(const char *text)
{
    return QString::fromUtf8(text);
}

QString refusedNameText(const QString &sender, const QString &wirePath, const QString &name)
{
    const QString shown = ReceivedFileName::forDisplay(name.isEmpty() ? wirePath : name);
    return QCoreApplication::translate("FileReceiver", "Файл от %1 не сохранен: недопустимое имя файла «%2».").arg(sender, shown);
}

// The first line says what the user knows; the second, why.
QString notAcceptedText(const QString &name, const QString &sender, const QString &reason)
{
    return saveError() + kLineBreak
           + QCoreApplication::translate("FileReceiver", "Файл %1 от %2 не принят: %3.").arg(ReceivedFileName::forDisplay(name), sender, reason);
}

void log(const QString &text)
{
    QString line = text;
    line.replace(kLineBreak, QStringLiteral(" "));
    qCWarning(lcZavolin, "%s", qPrintable(line));
}

bool holdsSpool(const ReceivedStream &stream)
{
    return stream.status() == ReceivedStream::Status::Complete;
}

} // namespace

FileReceiver::FileReceiver(FileReceiveHost &host, const OptionsStore &options, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_options(options)
{
}

StreamAdmission FileReceiver::admit(const StreamOffer &offer) const
{
    const QString name = ReceivedFileName::fromWirePath(offer.fromName);
    const bool intoFolder = m_options.isOn(Option::SaveIntoFolder);
    const ReceivedFileName::Verdict verdict = ReceivedFileName::check(name);
    // A hidden name may still be saved where the user chooses, under a visible one.
    const bool userPicks = !intoFolder && verdict == ReceivedFileName::Verdict::Hidden;
    if (verdict != ReceivedFileName::Verdict::Ok && !userPicks) {
        return StreamAdmission::refuse(QStringLiteral("file name refused"),
                                       refusedNameText(m_host.senderOf(offer.peer, offer.fromName, offer.peerKey), offer.fromName, name));
    }
    const QString folder = m_options.saveFolder();
    if (!intoFolder || folder == kNoFolder)
        return StreamAdmission::spoolIn(m_host.dataFolder(), false);
    if (!QFileInfo(folder).isDir()) {
        return StreamAdmission::refuse(
            QStringLiteral("no folder ") + folder,
            notAcceptedText(name, m_host.senderOf(offer.peer, offer.fromName, offer.peerKey), tr("нет каталога %1").arg(folder)));
    }
    return StreamAdmission::spoolIn(folder, true);
}

void FileReceiver::started(const StreamOffer &offer)
{
    if (!m_list || !offer.id)
        return;
    const QString name = ReceivedFileName::withoutLeadingDots(ReceivedFileName::fromWirePath(offer.fromName));
    m_live.insert(offer.id, m_list->add(TransferList::Direction::Incoming, name, m_host.senderOf(offer.peer, offer.fromName, offer.peerKey),
                                        QString(), offer.size, TransferList::State::Sending));
}

void FileReceiver::progressed(int streamId, qint64 received)
{
    if (m_list && m_live.contains(streamId))
        m_list->setProgress(m_live.value(streamId), received);
}

int FileReceiver::liveRow(const ReceivedStream &stream) const
{
    return stream.streamId() ? m_live.value(stream.streamId()) : 0;
}

void FileReceiver::endRow(const ReceivedStream &stream, TransferList::State state, const QString &path,
                          const QString &error)
{
    const int id = liveRow(stream);
    if (!id)
        return;
    m_live.remove(stream.streamId());
    m_list->setPath(id, path);
    m_list->setState(id, state, error);
}

void FileReceiver::receive(const ReceivedStream &stream)
{
    if (const int id = liveRow(stream)) {
        m_list->setProgress(id, stream.receivedSize());
        if (stream.status() == ReceivedStream::Status::Complete)
            m_list->setState(id, TransferList::State::Deciding);
        else if (stream.status() == ReceivedStream::Status::Incomplete)
            endRow(stream, TransferList::State::Failed, QString(), listReason(QT_TRANSLATE_NOOP("FailureReason", "получен не полностью")));
        else
            endRow(stream, TransferList::State::Failed, QString(), listReason(QT_TRANSLATE_NOOP("FailureReason", "не удалось записать")));
    }
    if (!holdsSpool(stream) && !m_queue.empty()) {
        const auto notices = std::count_if(m_queue.cbegin(), m_queue.cend(),
                                           [](const ReceivedStream &waiting) { return !holdsSpool(waiting); });
        if (notices >= kMaxWaitingNotices) {
            log(QStringLiteral("%1 notices about received files wait already; not shown: file %2 from %3")
                    .arg(notices)
                    .arg(ReceivedFileName::forDisplay(stream.fromName()), stream.peer().toString()));
            return;
        }
    }
    if (holdsSpool(stream) && (m_handling || !m_listed.empty()) && m_host.listsWaitingFiles()
        && !m_options.isOn(Option::SaveIntoFolder)) {
        // An earlier file waits for its answer: this one waits in the list, without a dialog of its own.
        const QString name = ReceivedFileName::fromWirePath(stream.fromName());
        const ReceivedFileName::Verdict verdict = ReceivedFileName::check(name);
        if (verdict == ReceivedFileName::Verdict::Ok || verdict == ReceivedFileName::Verdict::Hidden) {
            list(stream, ReceivedFileName::withoutLeadingDots(name), m_host.senderOf(stream.peer(), stream.fromName(), stream.peerKey()));
            return;
        }
    }
    m_queue.push_back(stream);
    handleWaiting();
}

int FileReceiver::list(const ReceivedStream &stream, const QString &name, const QString &sender)
{
    Listed listed{0, stream, name.isEmpty() ? tr("файл") : name, sender};
    if (const int id = liveRow(stream)) {
        m_live.remove(stream.streamId()); // the list's decisions end its row from here on
        listed.id = id;
    } else if (m_list) {
        listed.id = m_list->add(TransferList::Direction::Incoming, name, sender, QString(), stream.receivedSize(),
                                TransferList::State::Deciding);
    }
    if (listed.id) {
        m_listed.push_back(listed);
        Q_EMIT waitsForDecision(listed.id);
    }
    return listed.id;
}

bool FileReceiver::isListed(int id) const
{
    return std::any_of(m_listed.cbegin(), m_listed.cend(), [id](const Listed &listed) { return listed.id == id; });
}

void FileReceiver::unlist(int id, const QString &savedAt)
{
    const auto it = std::find_if(m_listed.begin(), m_listed.end(), [id](const Listed &listed) { return listed.id == id; });
    if (it == m_listed.end())
        return;
    m_listed.erase(it); // the spool file goes with it unless it was moved
    if (m_list) {
        m_list->setPath(id, savedAt);
        m_list->setState(id, savedAt.isEmpty() ? TransferList::State::Rejected : TransferList::State::Saved);
    }
}

QList<int> FileReceiver::waitingFiles(const QString &sender) const
{
    QList<int> ids;
    for (const Listed &listed : m_listed) {
        if (sender.isEmpty() || listed.sender == sender)
            ids << listed.id;
    }
    return ids;
}

bool FileReceiver::storeListed(const Listed &listed, const QString &path, QString *error)
{
    if (!FileStore::replace(listed.stream.spoolPath(), path, error))
        return false;
    listed.stream.release();
    return true;
}

bool FileReceiver::saveWaiting(int id, const QString &path, QString *error)
{
    const auto it = std::find_if(m_listed.cbegin(), m_listed.cend(), [id](const Listed &listed) { return listed.id == id; });
    if (it == m_listed.cend() || path.isEmpty())
        return false;
    QString reason;
    if (!storeListed(*it, path, &reason)) {
        log(QStringLiteral("%1 not saved at %2: %3").arg(it->name, path, reason));
        if (error)
            *error = reason;
        return false;
    }
    unlist(id, path);
    return true;
}

namespace {

// `name` in `folder`, or "name (2).ext" and so on when that is taken.
QString freePlace(const QDir &folder, const QString &name)
{
    QString candidate = folder.filePath(name);
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty() ? QString()
                                                                                       : u'.' + info.suffix();
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = folder.filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    return candidate;
}

} // namespace

int FileReceiver::saveAllWaiting(const QString &sender, const QString &folder, QStringList *errors)
{
    int saved = 0;
    const QDir into(folder);
    for (int id : waitingFiles(sender)) {
        const auto it = std::find_if(m_listed.cbegin(), m_listed.cend(), [id](const Listed &listed) { return listed.id == id; });
        const QString target = freePlace(into, it->name);
        QString error;
        if (saveWaiting(id, target, &error))
            ++saved;
        else if (errors)
            errors->append(QStringLiteral("%1: %2").arg(target, error));
    }
    return saved;
}

void FileReceiver::rejectWaiting(int id)
{
    unlist(id, QString());
}

void FileReceiver::rejectAllWaiting(const QString &sender)
{
    for (int id : waitingFiles(sender))
        unlist(id, QString());
}

void FileReceiver::showSaveError(FileReceiveHost::Notice notice, const QString &text)
{
    log(text);
    m_host.showFileNotice(notice, text, nullptr);
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
    const QString sender = m_host.senderOf(stream.peer(), stream.fromName(), stream.peerKey());
    switch (stream.status()) {
    case ReceivedStream::Status::Incomplete:
        m_host.showFileNotice(Notice::Warning,
                              tr("Файл %1 от %2 получен не полностью (%3 из %4 байт) и не сохранен.")
                                  .arg(ReceivedFileName::forDisplay(name), sender)
                                  .arg(stream.receivedSize())
                                  .arg(stream.announcedSize()),
                              nullptr);
        return true;
    case ReceivedStream::Status::NotStored: {
        const QString folder = stream.folder().isEmpty() ? QDir::tempPath() : stream.folder();
        const QString reason = stream.noRoom()
                                   ? tr("нет места на диске в каталоге %1").arg(folder)
                                   : tr("не удалось записать в каталог %1 (%2)").arg(folder, stream.error());
        showSaveError(Notice::Warning, notAcceptedText(name, sender, reason));
        return true;
    }
    case ReceivedStream::Status::Refused:
        if (!stream.error().isEmpty())
            showSaveError(Notice::Warning, stream.error());
        return true;
    case ReceivedStream::Status::Complete:
        break;
    }
    const ReceivedFileName::Verdict verdict = ReceivedFileName::check(name);
    const bool intoFolder = m_options.isOn(Option::SaveIntoFolder);
    if (verdict != ReceivedFileName::Verdict::Ok && (intoFolder || verdict != ReceivedFileName::Verdict::Hidden)) {
        endRow(stream, TransferList::State::Failed, QString(), listReason(QT_TRANSLATE_NOOP("FailureReason", "недопустимое имя")));
        m_host.showFileNotice(Notice::Warning, refusedNameText(sender, stream.fromName(), name), nullptr);
        return true;
    }
    if (intoFolder) {
        saveIntoFolder(stream, name);
        return true;
    }
    askWhereToSave(stream, name);
    return false;
}

void FileReceiver::saveIntoFolder(const ReceivedStream &stream, const QString &name)
{
    using Notice = FileReceiveHost::Notice;
    const QString folder = m_options.saveFolder();
    if (folder == kNoFolder) {
        endRow(stream, TransferList::State::Failed, QString(), listReason(QT_TRANSLATE_NOOP("FailureReason", "не указан каталог")));
        m_host.showFileNotice(Notice::Warning, tr("Не указан каталог сохранения полученных файлов!"),
                              nullptr);
        return;
    }
    QString error;
    if (!QFileInfo(folder).isDir()) {
        endRow(stream, TransferList::State::Failed, QString(), listReason(QT_TRANSLATE_NOOP("FailureReason", "нет каталога")));
        showSaveError(Notice::Warning, saveError() + kLineBreak + tr("Нет каталога %1.").arg(folder));
        return;
    }
    const QString target = QDir(folder).filePath(name);
    if (!FileStore::replace(stream.spoolPath(), target, &error)) {
        endRow(stream, TransferList::State::Failed, QString(), error);
        showSaveError(Notice::Warning,
                      saveError() + kLineBreak + tr("Не удалось записать %1: %2.").arg(target, error));
        return;
    }
    stream.release();
    if (liveRow(stream)) {
        endRow(stream, TransferList::State::Saved, target);
    } else if (m_list) {
        m_list->add(TransferList::Direction::Incoming, name, m_host.senderOf(stream.peer(), stream.fromName(), stream.peerKey()), target,
                    stream.receivedSize(), TransferList::State::Saved);
    }
    m_host.showFileNotice(Notice::Information,
                          tr("Получен файл %1 !").arg(name) + kLineBreak
                              + tr("Файл сохранен в каталоге %1.").arg(folder),
                          nullptr);
}

void FileReceiver::askWhereToSave(const ReceivedStream &stream, const QString &name)
{
    using Notice = FileReceiveHost::Notice;
    const QPointer<FileReceiver> self(this);
    const QString offered = ReceivedFileName::withoutLeadingDots(name);
    // Listed too, so that a decision for all of its sender's files takes it along.
    const int id = m_host.listsWaitingFiles() ? list(stream, offered, m_host.senderOf(stream.peer(), stream.fromName(), stream.peerKey())) : 0;
    m_host.showFileNotice(Notice::Information, tr("Получен файл %1 !").arg(name),
                          [self, stream, offered, id] {
        if (!self)
            return;
        if (id && !self->isListed(id)) {
            self->done(); // decided in the list meanwhile
            return;
        }
        self->m_host.askSavePath(offered, [self, stream, id](const QString &path) {
            if (!self)
                return;
            QString error;
            if (id && !self->isListed(id)) {
                // decided in the list meanwhile
            } else if (id) {
                if (path.isEmpty())
                    self->rejectWaiting(id);
                else if (!self->saveWaiting(id, path, &error))
                    self->showSaveError(Notice::Error,
                                        saveError() + kLineBreak
                                            + tr("Вероятно, файл с таким именем уже существует!") + kLineBreak
                                            + tr("Не удалось записать %1: %2.").arg(path, error));
            } else if (path.isEmpty()) {
                self->endRow(stream, TransferList::State::Rejected); // cancelled: the file is dropped
            } else if (FileStore::replace(stream.spoolPath(), path, &error)) {
                stream.release();
                self->endRow(stream, TransferList::State::Saved, path);
            } else {
                self->endRow(stream, TransferList::State::Failed, QString(), error);
                // The usual guess stays first; the system's reason follows it.
                self->showSaveError(Notice::Error,
                                    saveError() + kLineBreak
                                        + tr("Вероятно, файл с таким именем уже существует!") + kLineBreak
                                        + tr("Не удалось записать %1: %2.").arg(path, error));
            }
            self->done();
        });
    });
}
