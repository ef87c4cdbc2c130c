#include "PinStore.h"

#include "AsciiCase.h"
#include "Cp1251.h"
#include "Fingerprint.h"
#include "SecurityLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

// One line of the file, or nothing when it is not one we wrote.
std::optional<PinStore::Pin> parseLine(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() != 4 && fields.size() != 5)
        return std::nullopt;
    PinStore::Pin pin;
    pin.name = Cp1251::decode(fields[0]);
    pin.fingerprint = QString::fromLatin1(fields[1]).toUpper();
    pin.firstSeen = QDateTime::fromString(QString::fromLatin1(fields[2]), Qt::ISODate);
    pin.verified = fields[3] == "1";
    if (fields.size() == 5)
        pin.address = QString::fromLatin1(fields[4]);
    if (pin.name.isEmpty() || !Fingerprint::isWellFormed(pin.fingerprint))
        return std::nullopt;
    return pin;
}

} // namespace

PinStore::PinStore(QString path)
    : m_path(std::move(path))
{
    load();
}

void PinStore::load()
{
    m_pins.clear();
    m_notice.clear();
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_notice = QCoreApplication::translate("PinStore", "Файл ключей %1 не читается (%2): ключи компьютеров не загружены.")
                       .arg(m_path, file.errorString());
        qCWarning(lcSecurity, "the pins file %s cannot be read", qPrintable(m_path));
        return;
    }
    int skipped = 0;
    bool truncated = false;
    qint64 read = 0;
    while (!file.atEnd()) {
        if (read >= kMaxFileSize || m_pins.size() >= kMaxPins) {
            truncated = true;
            break;
        }
        QByteArray line = file.readLine(kMaxLine);
        read += line.size();
        if (!line.endsWith('\n') && !file.atEnd()) {
            // Longer than any line we write: the rest of it is no pin either.
            ++skipped;
            while (!file.atEnd() && !line.endsWith('\n') && read < kMaxFileSize) {
                line = file.readLine(kMaxLine);
                read += line.size();
            }
            continue;
        }
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const std::optional<Pin> pin = parseLine(line);
        if (!pin) {
            ++skipped;
            continue;
        }
        m_pins.insert(AsciiCase::upper(pin->name), *pin);
    }
    file.close();
    if (!skipped && !truncated)
        return;
    // Kept whole beside it, so that nothing the user pinned is lost for good.
    const QString aside = m_path + QStringLiteral(".bad");
    QFile::remove(aside);
    const bool copied = QFile::copy(m_path, aside);
    if (copied)
        QFile::setPermissions(aside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qCWarning(lcSecurity, "the pins file %s: %d unreadable lines%s; %d pins kept, the file %s", qPrintable(m_path),
              skipped, truncated ? " and more than can be read" : "", int(m_pins.size()),
              copied ? "copied aside" : "could not be copied aside");
    m_notice = QCoreApplication::translate("PinStore", "Файл ключей %1 повреждён или слишком велик: прочитано ключей: %2, "
                              "не прочитано строк: %3%4. %5")
                   .arg(m_path)
                   .arg(m_pins.size())
                   .arg(skipped)
                   .arg(truncated ? QCoreApplication::translate("PinStore", " и остаток файла") : QString())
                   .arg(copied ? QCoreApplication::translate("PinStore", "Прежний файл сохранён как %1.").arg(aside)
                               : QCoreApplication::translate("PinStore", "Сохранить прежний файл рядом не удалось."));
    if (copied)
        save();
}

std::optional<PinStore::Pin> PinStore::pin(const QString &name) const
{
    const auto it = m_pins.constFind(AsciiCase::upper(name));
    if (it == m_pins.cend())
        return std::nullopt;
    return *it;
}

PinStore::Check PinStore::check(const QString &name, const QString &fingerprint) const
{
    const auto it = m_pins.constFind(AsciiCase::upper(name));
    if (it == m_pins.cend())
        return Check::Unknown;
    return Fingerprint::same(it->fingerprint, fingerprint) ? Check::Match : Check::Mismatch;
}

bool PinStore::pinFirst(const QString &name, const QString &fingerprint, const QString &address)
{
    const QString key = AsciiCase::upper(name);
    if (m_pins.contains(key) || m_pins.size() >= kMaxPins || !Fingerprint::isWellFormed(fingerprint))
        return false;
    m_pins.insert(key, {name, fingerprint.toUpper(), QDateTime::currentDateTimeUtc(), false, address});
    save();
    return true;
}

void PinStore::replace(const QString &name, const QString &fingerprint, const QString &address)
{
    if (!Fingerprint::isWellFormed(fingerprint))
        return;
    m_pins.insert(AsciiCase::upper(name),
                  {name, fingerprint.toUpper(), QDateTime::currentDateTimeUtc(), false, address});
    save();
}

void PinStore::setAddress(const QString &name, const QString &address)
{
    const auto it = m_pins.find(AsciiCase::upper(name));
    if (it == m_pins.end() || address.isEmpty() || it->address == address)
        return;
    it->address = address;
    save();
}

bool PinStore::forget(const QString &name)
{
    if (!m_pins.remove(AsciiCase::upper(name)))
        return false;
    save();
    return true;
}

QString PinStore::nameAt(const QString &address) const
{
    if (address.isEmpty())
        return QString();
    for (const Pin &pin : m_pins) {
        if (pin.address == address)
            return pin.name;
    }
    return QString();
}

int PinStore::countAt(const QString &address) const
{
    return int(std::count_if(m_pins.cbegin(), m_pins.cend(), [&](const Pin &pin) { return pin.address == address; }));
}

QString PinStore::nameForKey(const QString &fingerprint) const
{
    for (const Pin &pin : m_pins) {
        if (Fingerprint::same(pin.fingerprint, fingerprint))
            return pin.name;
    }
    return QString();
}

void PinStore::setVerified(const QString &name, bool verified)
{
    const auto it = m_pins.find(AsciiCase::upper(name));
    if (it == m_pins.end() || it->verified == verified)
        return;
    it->verified = verified;
    save();
}

QList<PinStore::Pin> PinStore::pins() const
{
    QList<Pin> all = m_pins.values();
    std::sort(all.begin(), all.end(), [](const Pin &a, const Pin &b) { return a.name < b.name; });
    return all;
}

void PinStore::save()
{
    if (m_path.isEmpty())
        return;
    QByteArray out;
    for (const Pin &pin : pins()) {
        out += Cp1251::encode(pin.name) + '\t' + pin.fingerprint.toLatin1() + '\t'
               + pin.firstSeen.toUTC().toString(Qt::ISODate).toLatin1() + '\t' + (pin.verified ? "1" : "0") + '\t' + pin.address.toLatin1() + '\n';
    }
    QSaveFile file(m_path);
    m_saved = file.open(QIODevice::WriteOnly);
    if (m_saved) {
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_saved = file.write(out) == out.size() && file.commit();
    }
    if (!m_saved)
        qCWarning(lcSecurity, "the pins file %s cannot be written: %s", qPrintable(m_path),
                  qPrintable(file.errorString()));
}
