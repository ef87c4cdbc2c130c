#include "IniFile.h"

#include "IniCache.h"
#include "IniDocument.h"

using namespace Qt::StringLiterals;

namespace {

// Callers were written for a 2048-byte read buffer and rely on the cut.
constexpr qsizetype kMaxValueLength = 2047;

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
    const auto value = IniCache::read(m_path)->value(section, key);
    if (!value)
        return defaultValue;
    return value->left(kMaxValueLength);
}

int IniFile::readInteger(QStringView section, QStringView key, int defaultValue) const
{
    const auto value = IniCache::read(m_path)->value(section, key);
    if (!value)
        return defaultValue;
    return parseProfileInteger(QStringView(*value).left(kMaxValueLength), defaultValue);
}

bool IniFile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::beginBatch()
{
    m_batch.emplace();
}

void IniFile::commitBatch()
{
    if (!m_batch)
        return;
    const QList<Change> changes = std::move(*m_batch);
    m_batch.reset();
    if (changes.isEmpty())
        return;
    IniCache::update(m_path, [&changes](IniDocument &document) {
        bool changed = false;
        for (const Change &change : changes)
            changed = change(document) || changed;
        return changed;
    });
}

void IniFile::dropCache()
{
    IniCache::clear();
}

quint64 IniFile::parseCount()
{
    return IniCache::parseCount();
}

void IniFile::apply(Change change)
{
    if (m_batch)
        m_batch->append(std::move(change));
    else
        IniCache::update(m_path, change);
}

void IniFile::writeString(QStringView section, QStringView key, const QString &value)
{
    if (!IniDocument::isWritableSection(section) || !IniDocument::isWritableKey(key))
        throw IniWriteError(m_path);
    apply([section = section.toString(), key = key.toString(), value](IniDocument &document) {
        return document.setValue(section, key, value);
    });
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
        apply([section = section.toString(), key = key.toString()](IniDocument &document) {
            return document.removeKey(section, key);
        });
    } catch (const IniWriteError &) {
        // Deleting is best effort by contract.
    }
}

void IniFile::eraseSection(QStringView section)
{
    try {
        apply([section = section.toString()](IniDocument &document) { return document.removeSection(section); });
    } catch (const IniWriteError &) {
        // Erasing is best effort by contract.
    }
}

QStringList IniFile::readSection(QStringView section) const
{
    return IniCache::read(m_path)->keys(section);
}

QStringList IniFile::readSections() const
{
    return IniCache::read(m_path)->sections();
}

bool IniFile::sectionExists(QStringView section) const
{
    return IniCache::read(m_path)->hasSection(section);
}

bool IniFile::valueExists(QStringView section, QStringView key) const
{
    return IniCache::read(m_path)->value(section, key).has_value();
}
