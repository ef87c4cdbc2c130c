#include "HistoryLog.h"

#include "Cp1251.h"
#include "LogHeader.h"
#include "PrivateFiles.h"
#include "SystemFormats.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

HistoryLog::HistoryLog(QString path)
    : m_path(std::move(path))
    , m_encodedPath(QFile::encodeName(m_path))
{
}

HistoryLog::~HistoryLog()
{
    flush();
    close();
}

namespace {

// One rule line for the writer and the history window's reader.
const QByteArray kRule = LogHeader::kRule.toByteArray();

// The header is one line: a name with a line break would start a forged entry.
QString headerName(QString name)
{
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return name;
}

// Peers' line breaks stay (Windows texts are multi-line), but a line that is
// the rule would start an entry of its own, so it is pushed off by a blank.
// NUL is a blank too: readers of the file stop at it.
QByteArray entryText(const QString &text)
{
    QByteArray bytes = Cp1251::encode(text);
    bytes.replace('\0', ' ');
    if (!bytes.contains(kRule))
        return bytes;
    QByteArray written;
    written.reserve(bytes.size() + 1);
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        if (line == kRule)
            written += ' ';
        written += line;
        qsizetype stop = end;
        if (stop < bytes.size())
            stop += QByteArrayView(bytes).sliced(stop).startsWith("\r\n") ? 2 : 1;
        written += QByteArrayView(bytes).sliced(end, stop - end);
        if (stop == bytes.size() && stop == end)
            break;
        start = stop;
    }
    return written;
}

} // namespace

QByteArray HistoryLog::entry(const QString &text, const QString &from, const QString &to, const QDateTime &moment)
{
    return kRule + "\r\n[" + Cp1251::encode(SystemFormats::dateTime(moment)) + entryBody(text, from, to);
}

QByteArray HistoryLog::entryBody(const QString &text, const QString &from, const QString &to)
{
    const QString names = QStringLiteral("] ") + headerName(from) + QStringLiteral(" --> ") + headerName(to);
    return Cp1251::encode(names) + "\r\n" + entryText(text) + "\r\n";
}

qint64 HistoryLog::end() const
{
    if (m_end < 0) {
        struct stat info{};
        m_end = ::stat(m_encodedPath.constData(), &info) == 0 ? qint64(info.st_size) : 0;
    }
    return m_end;
}

bool HistoryLog::stillOpen() const
{
    if (m_fd < 0)
        return false;
    struct stat info{};
    if (::stat(m_encodedPath.constData(), &info) != 0)
        return false;
    return Identity{info.st_dev, info.st_ino, info.st_mode, info.st_uid, info.st_gid} == m_opened;
}

void HistoryLog::close() const
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

HistoryLog::Result HistoryLog::write(const QString &text, const QString &from, const QString &to,
                                     const QDateTime &moment) const
{
    return append(std::exchange(m_pending, {}) + entry(text, from, to, moment), false);
}

HistoryLog::Result HistoryLog::complete(const QByteArray &rest) const
{
    // The cut entry came before anything kept.
    const Result result = append(rest, true);
    const Result kept = flush();
    return result == Result::Written ? kept : result;
}

void HistoryLog::writeLater(const QString &text, const QString &from, const QString &to,
                            const QDateTime &moment) const
{
    m_pending += entry(text, from, to, moment);
}

HistoryLog::Result HistoryLog::flush() const
{
    if (m_pending.isEmpty())
        return Result::Written;
    return append(std::exchange(m_pending, {}), false);
}

namespace {

// A file whose last line has no line break ends in an entry a crash cut short.
bool endsMidLine(const QByteArray &path, off_t size)
{
    if (size == 0)
        return false;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    char last = '\n';
    if (fd >= 0) {
        if (::pread(fd, &last, 1, size - 1) != 1)
            last = '\n';
        ::close(fd);
    }
    return last != '\n';
}

} // namespace

HistoryLog::Result HistoryLog::append(QByteArray bytes, bool continuing) const
{
    if (!stillOpen()) {
        close();
        // The history holds what was said: the owner's only.
        int fd = -1;
        do
            fd = ::open(m_encodedPath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return Result::CannotCreate;
        PrivateFiles::narrowToOwner(fd);
        struct stat info{};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            // Something other than a plain file (a pipe, a device) is not
            // kept open: it is opened again for every entry.
            m_opened = {};
        } else {
            m_opened = {info.st_dev, info.st_ino, info.st_mode, info.st_uid, info.st_gid};
            m_endsMidLine = endsMidLine(m_encodedPath, info.st_size);
        }
        m_fd = fd;
    }
    // An entry after a cut one starts on a line of its own, or readers would not see it.
    if (m_endsMidLine && !continuing)
        bytes.prepend("\r\n");
    ssize_t written = -1;
    do
        written = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
    while (written < 0 && errno == EINTR);
    if (written != bytes.size()) {
        // The next entry opens the file again rather than trusting this one.
        close();
        return Result::WriteFailed;
    }
    m_endsMidLine = false;
    // Appending leaves the offset at the end of this entry, even when another process appends too.
    if (const off_t at = ::lseek(m_fd, 0, SEEK_CUR); at >= 0)
        m_end = at;
    return Result::Written;
}
