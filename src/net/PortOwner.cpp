#include "PortOwner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

namespace PortOwner {

namespace {

constexpr int kMostProcessesScanned = 4096;

QString readSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(4 << 20));
}

} // namespace

bool parseTable(const QString &table, Protocol protocol, quint16 port, uint *uid, quint64 *inode)
{
    // "sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode"
    const QStringList lines = table.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines.at(i).split(u' ', Qt::SkipEmptyParts);
        if (f.size() < 10)
            continue;
        const QString local = f.at(1);
        const qsizetype colon = local.indexOf(u':');
        bool ok = false;
        if (colon < 0 || local.mid(colon + 1).toUInt(&ok, 16) != port || !ok)
            continue;
        if (protocol == Protocol::Tcp && f.at(3) != u"0A") // listening
            continue;
        *uid = f.at(7).toUInt();
        *inode = f.at(9).toULongLong();
        return true;
    }
    return false;
}

Holder find(Protocol protocol, quint16 port)
{
    Holder holder;
    quint64 inode = 0;
    const QString table = readSmallFile(protocol == Protocol::Udp ? QStringLiteral("/proc/net/udp")
                                                                  : QStringLiteral("/proc/net/tcp"));
    if (!parseTable(table, protocol, port, &holder.uid, &inode))
        return holder;
    holder.found = true;
    if (holder.uid != ::getuid() || inode == 0)
        return holder; // another user's processes are not ours to look into
    const QString wanted = QStringLiteral("socket:[%1]").arg(inode);
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    int scanned = 0;
    for (const QString &pid : pids) {
        bool numeric = false;
        const int id = pid.toInt(&numeric);
        if (!numeric || ++scanned > kMostProcessesScanned)
            continue;
        const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString &fd : QDir(folder).entryList(QDir::System | QDir::NoDotAndDotDot)) {
            char target[64] = {};
            const QByteArray path = QFile::encodeName(folder + u'/' + fd);
            const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
            if (n > 0 && QLatin1StringView(target, n) == wanted) {
                holder.pid = id;
                holder.program = readSmallFile(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed();
                return holder;
            }
        }
    }
    return holder;
}

QString explain(Protocol protocol, quint16 port, const QString &whatStops)
{
    const QString kind = protocol == Protocol::Udp ? QStringLiteral("UDP") : QStringLiteral("TCP");
    const Holder holder = find(protocol, port);
    QString who;
    if (!holder.found)
        who = QCoreApplication::translate("PortOwner", "его держит другая программа");
    else if (holder.uid != ::getuid())
        who = QCoreApplication::translate("PortOwner",
                                          "его держит программа другого пользователя этого компьютера (uid %1), "
                                          "например его Zavolin на терминальном сервере")
                  .arg(holder.uid);
    else if (holder.pid > 0)
        who = QCoreApplication::translate("PortOwner", "его держит процесс %1 (pid %2)")
                  .arg(holder.program)
                  .arg(holder.pid);
    else
        who = QCoreApplication::translate("PortOwner", "его держит другая ваша программа");
    return QCoreApplication::translate(
               "PortOwner",
               "%1: порт %2 занят (%3); %4.\n"
               "Что делать: закройте ту программу (или второй экземпляр Zavolin) и перезапустите Zavolin; "
               "на одном компьютере порт %2 может занимать только один экземпляр. "
               "Остальное продолжает работать.")
        .arg(whatStops)
        .arg(port)
        .arg(kind, who);
}

} // namespace PortOwner
