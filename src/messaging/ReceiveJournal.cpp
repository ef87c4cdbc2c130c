#include "ReceiveJournal.h"

#include "Cp1251.h"
#include "HistoryLog.h"
#include "JournalFrame.h"
#include "Logging.h"
#include "PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kActiveName = QStringLiteral("Log.journal");
const QString kOldName = QStringLiteral("Log.journal.old");

int openRetrying(const QByteArray &path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOFOLLOW, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool isRegular(int fd, qint64 *size = nullptr)
{
    struct stat info{};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (size)
        *size = info.st_size;
    return true;
}

qint64 sizeOf(const QString &path)
{
    struct stat info{};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? qint64(info.st_size) : 0;
}

// A file of ours that is not a plain file, or is larger than the journal ever
// grows, is not read: it is nothing the journal wrote.
QByteArray readJournal(const QString &path)
{
    const int fd = openRetrying(QFile::encodeName(path), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return {};
    QByteArray bytes;
    qint64 size = 0;
    QFile file;
    if (isRegular(fd, &size) && size <= 2 * ReceiveJournal::kMaxBytes
        && file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        bytes = file.readAll();
    } else {
        qCWarning(lcZavolin, "%s is not a journal this program wrote: not read", qPrintable(path));
    }
    ::close(fd);
    return bytes;
}

// The history's data reach the disk; a pipe or device there has none to sync.
bool syncHistory(const QByteArray &path)
{
    const int fd = openRetrying(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return true; // no history yet, nothing written to it
    const bool ok = !isRegular(fd) || ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

ReceiveJournal::Message messageOf(const JournalFrame::Record &record)
{
    ReceiveJournal::Message message;
    message.ticket = record.ticket;
    message.arrived = QDateTime::fromMSecsSinceEpoch(record.arrivedMs);
    message.fromName = Cp1251::decode(record.fromName);
    message.text = Cp1251::decode(record.text);
    message.peer = QHostAddress(QString::fromLatin1(record.peer));
    message.peerKey = QString::fromLatin1(record.peerKey);
    message.historyFrom = record.value;
    return message;
}

} // namespace

ReceiveJournal::ReceiveJournal(const QString &folder, const HistoryLog &history, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_history(history)
{
    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(kSyncIntervalMs);
    connect(&m_syncTimer, &QTimer::timeout, this, &ReceiveJournal::startSync);
    m_syncer.setMaxThreadCount(1);
    load();
}

ReceiveJournal::~ReceiveJournal()
{
    m_syncTimer.stop();
    m_syncer.waitForDone();
    if (m_folderFd < 0)
        return;
    if (m_active.fd >= 0 || m_old.fd >= 0) {
        // A clean end: once the history is on disk, what is settled needs no journal.
        const bool settled = m_waiting.isEmpty() && syncHistory(QFile::encodeName(m_history.path()));
        for (File *file : {&m_active, &m_old}) {
            if (file->fd < 0)
                continue;
            if (!settled)
                ::fdatasync(file->fd);
            ::close(file->fd);
        }
        if (settled) {
            ::unlink(QFile::encodeName(activePath()).constData());
            ::unlink(QFile::encodeName(oldPath()).constData());
        }
    }
    ::close(m_folderFd); // and with it the lock
}

QString ReceiveJournal::activePath() const
{
    return QDir(m_folder).filePath(kActiveName);
}

QString ReceiveJournal::oldPath() const
{
    return QDir(m_folder).filePath(kOldName);
}

void ReceiveJournal::load()
{
    m_folderFd = openRetrying(QFile::encodeName(m_folder), O_RDONLY | O_DIRECTORY);
    if (m_folderFd >= 0 && ::flock(m_folderFd, LOCK_EX | LOCK_NB) != 0) {
        qCWarning(lcZavolin, "another instance keeps the receive journal in %s: this one keeps none",
                  qPrintable(m_folder));
        ::close(m_folderFd);
        m_folderFd = -1;
    }
    if (m_folderFd < 0)
        return;

    const QByteArray oldBytes = readJournal(oldPath());
    const QByteArray activeBytes = readJournal(activePath());
    qsizetype whole = 0;
    const QList<JournalFrame::Record> oldRecords = JournalFrame::decode(oldBytes);
    const QList<JournalFrame::Record> activeRecords = JournalFrame::decode(activeBytes, &whole);
    if (!oldBytes.isEmpty()) {
        m_old.fd = openRetrying(QFile::encodeName(oldPath()), O_RDONLY);
        m_old.size = oldBytes.size();
    }
    if (!activeBytes.isEmpty() && openActive() && whole < activeBytes.size()) {
        // A record cut short by the end of the last run: appends go after the whole ones.
        if (::ftruncate(m_active.fd, whole) == 0)
            m_active.size = whole;
    }

    QHash<quint64, qint64> settledAt; // ticket -> where the history ended when it was settled
    quint64 last = 0;
    for (const auto *records : {&oldRecords, &activeRecords}) {
        for (const JournalFrame::Record &record : *records) {
            last = std::max(last, record.ticket);
            if (record.kind == JournalFrame::Kind::Settled)
                settledAt.insert(record.ticket, record.value);
        }
    }
    m_nextTicket = last + 1;
    m_firstActiveTicket = m_nextTicket;
    // A settled message whose history entry lay past where the history now
    // ends lost it to a power cut, or the history was replaced: it waits again.
    // Entries of the settled ones end where the last of them left the history:
    // only unsettled ones can have an entry after that.
    const qint64 historySize = sizeOf(m_history.path());
    qint64 settledEnd = 0;
    for (qint64 end : std::as_const(settledAt)) {
        if (end <= historySize)
            settledEnd = std::max(settledEnd, end);
    }
    for (const auto *records : {&oldRecords, &activeRecords}) {
        const bool inOld = records == &oldRecords;
        for (const JournalFrame::Record &record : *records) {
            if (record.kind != JournalFrame::Kind::Arrived)
                continue;
            if (!inOld)
                m_firstActiveTicket = std::min(m_firstActiveTicket, record.ticket);
            const auto settled = settledAt.constFind(record.ticket);
            if (settled != settledAt.cend() && *settled <= historySize)
                continue;
            m_waiting.insert(record.ticket);
            ++(inOld ? m_old : m_active).waiting;
            m_leftOver.append(messageOf(record));
            m_leftOver.last().historyFrom = std::max(record.value, settledEnd);
        }
    }
    if (!m_leftOver.isEmpty())
        qCInfo(lcZavolin, "%lld received messages were left unsettled by the last run", qlonglong(m_leftOver.size()));
    // What is settled goes once the history is known to be on disk.
    if (m_active.size > 0 || m_old.fd >= 0)
        m_syncTimer.start();
}

bool ReceiveJournal::openActive()
{
    const int fd = openRetrying(QFile::encodeName(activePath()), O_WRONLY | O_APPEND | O_CREAT, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        m_error = qt_error_string(errno);
        return false;
    }
    PrivateFiles::narrowToOwner(fd);
    if (!isRegular(fd, &m_active.size)) {
        ::close(fd);
        m_error = QCoreApplication::translate("ReceiveJournal", "%1 не является обычным файлом").arg(activePath());
        return false;
    }
    m_active.fd = fd;
    m_folderChanged = true;
    return true;
}

bool ReceiveJournal::append(const QByteArray &bytes)
{
    if (m_active.fd < 0) {
        if (!openActive())
            return false;
        // Anything there was not read at the start: records after it could not be read either.
        if (m_active.size > 0 && ::ftruncate(m_active.fd, 0) == 0)
            m_active.size = 0;
    }
    ssize_t written = -1;
    do
        written = ::write(m_active.fd, bytes.constData(), size_t(bytes.size()));
    while (written < 0 && errno == EINTR);
    if (written != bytes.size()) {
        m_error = written < 0 ? qt_error_string(errno)
                              : QCoreApplication::translate("ReceiveJournal", "записано %1 байт из %2").arg(written).arg(bytes.size());
        // Part of a record would end what is read back: cut back to the last whole one.
        if (written > 0 && ::ftruncate(m_active.fd, m_active.size) != 0)
            qCWarning(lcZavolin, "the receive journal could not be cut back after a failed write");
        return false;
    }
    m_active.size += written;
    ++m_appended;
    if (!m_syncing && !m_syncTimer.isActive())
        m_syncTimer.start();
    return true;
}

quint64 ReceiveJournal::record(QByteArrayView fromName, QByteArrayView text, const QHostAddress &peer,
                               const QString &peerKey)
{
    if (!isAvailable())
        return 0;
    JournalFrame::Record record;
    record.kind = JournalFrame::Kind::Arrived;
    record.ticket = m_nextTicket;
    record.value = m_history.end();
    record.arrivedMs = QDateTime::currentMSecsSinceEpoch();
    record.peer = peer.toString().toLatin1();
    record.peerKey = peerKey.toLatin1();
    record.fromName = fromName.toByteArray();
    record.text = text.toByteArray();
    if (!append(JournalFrame::encode(record)))
        return 0;
    ++m_nextTicket;
    m_waiting.insert(record.ticket);
    ++m_active.waiting;
    return record.ticket;
}

void ReceiveJournal::settle(quint64 ticket)
{
    settle(QList<quint64>{ticket});
}

void ReceiveJournal::settle(const QList<quint64> &tickets)
{
    QByteArray records;
    QList<File *> files;
    for (const quint64 ticket : tickets) {
        const auto waiting = m_waiting.constFind(ticket);
        if (waiting == m_waiting.cend())
            continue;
        File &file = ticket < m_firstActiveTicket ? m_old : m_active;
        m_waiting.erase(waiting);
        JournalFrame::Record record;
        record.kind = JournalFrame::Kind::Settled;
        record.ticket = ticket;
        record.value = m_history.end();
        records += JournalFrame::encode(record);
        files.append(&file);
    }
    if (files.isEmpty())
        return;
    // A settle that is not written only means the history is searched for the message at the next start.
    append(records);
    for (File *file : files) {
        --file->waiting;
        file->lastSettled = m_appended;
    }
}

void ReceiveJournal::startSync()
{
    if (m_syncing || m_folderFd < 0)
        return;
    m_syncing = true;
    QList<int> files;
    for (int fd : {m_active.fd, m_old.fd}) {
        if (fd >= 0)
            files << ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    }
    const int folder = std::exchange(m_folderChanged, false) ? ::fcntl(m_folderFd, F_DUPFD_CLOEXEC, 0) : -1;
    const QByteArray history = QFile::encodeName(m_history.path());
    const quint64 appended = m_appended;
    // fdatasync takes milliseconds to seconds: never on the GUI thread.
    m_syncer.start([this, files, folder, history, appended] {
        bool ok = syncHistory(history);
        for (int fd : files) {
            ok = fd >= 0 && ::fdatasync(fd) == 0 && ok;
            if (fd >= 0)
                ::close(fd);
        }
        if (folder >= 0) {
            ok = ::fsync(folder) == 0 && ok;
            ::close(folder);
        }
        QMetaObject::invokeMethod(this, [this, ok, appended] { finishSync(ok, appended); }, Qt::QueuedConnection);
    });
}

void ReceiveJournal::finishSync(bool ok, quint64 appendedBefore)
{
    m_syncing = false;
    if (ok) {
        m_syncFailed = false;
        compact(appendedBefore);
    } else {
        if (!std::exchange(m_syncFailed, true))
            qCWarning(lcZavolin, "the receive journal or the history could not be synced to disk");
        m_folderChanged = true;
    }
    if (m_appended > appendedBefore)
        m_syncTimer.start();
    Q_EMIT synced();
}

void ReceiveJournal::compact(quint64 syncedAppends)
{
    // Settled before the sync began: their history entries are on disk.
    if (m_old.fd >= 0 && m_old.waiting == 0 && m_old.lastSettled <= syncedAppends) {
        ::close(m_old.fd);
        m_old = {};
        ::unlink(QFile::encodeName(oldPath()).constData());
        m_folderChanged = true;
    }
    if (m_active.fd < 0 || m_old.fd >= 0)
        return;
    if (m_active.waiting == 0 && m_active.lastSettled <= syncedAppends) {
        if (m_active.size > 0 && ::ftruncate(m_active.fd, 0) == 0)
            m_active.size = 0;
    } else if (m_active.size >= kRotateBytes
               && ::rename(QFile::encodeName(activePath()).constData(), QFile::encodeName(oldPath()).constData()) == 0) {
        // Never all settled at once under a steady flood: a new file takes the
        // appends, and this one goes when the messages it holds are settled.
        m_old = std::exchange(m_active, {});
        m_firstActiveTicket = m_nextTicket;
        m_folderChanged = true;
    }
}
