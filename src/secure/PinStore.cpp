#include "PinStore.h"

#include "AsciiCase.h"
#include "Cp1251.h"
#include "Fingerprint.h"
#include "SecurityLog.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
} // namespace

PinStore::PinStore(QString path)
    : m_path(std::move(path))
{
    load();
}

void PinStore::load()
{
    m_pins.clear();
    if (m_path.isEmpty())
        return;
    QFile file(m_path);
    if (!file.exists())
        return;
    if (file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSecurity, "the pins file %s cannot be read", qPrintable(m_path));
        return;
    }
    int skipped = 0;
    while (!file.atEnd() && m_pins.size() < kMaxPins) {
        const QByteArray line = file.readLine(2048).trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        Pin pin;
        if (fields.size() == 4) {
            pin.name = Cp1251::decode(fields[0]);
            pin.fingerprint = QString::fromLatin1(fields[1]).toUpper();
            pin.firstSeen = QDateTime::fromString(QString::fromLatin1(fields[2]), Qt::ISODate);
            pin.verified = fields[3] == "1";
        }
        if (pin.name.isEmpty() || !Fingerprint::isWellFormed(pin.fingerprint)) {
            ++skipped;
            continue;
        }
        m_pins.insert(AsciiCase::upper(pin.name), pin);
    }
    if (skipped)
        qCWarning(lcSecurity, "%d unreadable lines in the pins file skipped", skipped);
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
    return it->fingerprint.compare(fingerprint, Qt::CaseInsensitive) == 0 ? Check::Match : Check::Mismatch;
}

bool PinStore::pinFirst(const QString &name, const QString &fingerprint)
{
    const QString key = AsciiCase::upper(name);
    if (m_pins.contains(key) || m_pins.size() >= kMaxPins || !Fingerprint::isWellFormed(fingerprint))
        return false;
    m_pins.insert(key, {name, fingerprint.toUpper(), QDateTime::currentDateTimeUtc(), false});
    save();
    return true;
}

void PinStore::replace(const QString &name, const QString &fingerprint)
{
    if (!Fingerprint::isWellFormed(fingerprint))
        return;
    m_pins.insert(AsciiCase::upper(name), {name, fingerprint.toUpper(), QDateTime::currentDateTimeUtc(), false});
    save();
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
               + pin.firstSeen.toUTC().toString(Qt::ISODate).toLatin1() + '\t' + (pin.verified ? "1" : "0") + '\n';
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
