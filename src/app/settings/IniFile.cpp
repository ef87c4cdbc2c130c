#include "IniFile.h"

#include "IniDocument.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

// Callers were written for a 2048-byte read buffer and rely on the cut.
constexpr qsizetype kMaxValueLength = 2047;

IniDocument loadForReading(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return IniDocument::parse(file.readAll());
}

// Unlike a read, a write must not take an unreadable file for an empty one:
// saving that would wipe every other setting.
IniDocument loadForWriting(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw IniWriteError(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw IniWriteError(path);
    return IniDocument::parse(bytes);
}

void save(const QString &path, const IniDocument &document)
{
    // QSaveFile refuses a read-only file itself, as writing in place would.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw IniWriteError(path);
    const QByteArray bytes = document.toBytes();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw IniWriteError(path);
}

} // namespace

IniWriteError::IniWriteError(const QString &path)
    : std::runtime_error((u"Unable to write to "_s + path).toStdString())
    , m_path(path)
{
}

const QString &IniWriteError::path() const
{
    return m_path;
}

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

const QString &IniFile::path() const
{
    return m_path;
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const auto value = loadForReading(m_path).value(section, key);
    if (!value)
        return defaultValue;
    return value->left(kMaxValueLength);
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const auto value = loadForReading(m_path).value(section, key);
    if (!value)
        return defaultValue;
    return parseProfileInteger(QStringView(*value).left(kMaxValueLength), defaultValue);
}

bool IniFile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(QStringView section, QStringView key, const QString &value)
{
    if (!IniDocument::isWritableSection(section) || !IniDocument::isWritableKey(key))
        throw IniWriteError(m_path);
    IniDocument document = loadForWriting(m_path);
    if (document.setValue(section, key, value))
        save(m_path, document);
}

void IniFile::writeInteger(QStringView section, QStringView key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(QStringView section, QStringView key, bool value)
{
    writeString(section, key, value ? u"1"_s : u"0"_s);
}

void IniFile::deleteKey(QStringView section, QStringView key)
{
    try {
        IniDocument document = loadForWriting(m_path);
        if (document.removeKey(section, key))
            save(m_path, document);
    } catch (const IniWriteError &) {
        // Deleting is best effort by contract.
    }
}

void IniFile::eraseSection(QStringView section)
{
    try {
        IniDocument document = loadForWriting(m_path);
        if (document.removeSection(section))
            save(m_path, document);
    } catch (const IniWriteError &) {
        // Erasing is best effort by contract.
    }
}

QStringList IniFile::readSection(QStringView section) const
{
    return loadForReading(m_path).keys(section);
}

QStringList IniFile::readSections() const
{
    return loadForReading(m_path).sections();
}

bool IniFile::sectionExists(QStringView section) const
{
    return loadForReading(m_path).hasSection(section);
}

bool IniFile::valueExists(QStringView section, QStringView key) const
{
    return loadForReading(m_path).value(section, key).has_value();
}
