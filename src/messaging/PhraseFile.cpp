#include "PhraseFile.h"

#include <QCollator>
#include <QDir>
#include <QLocale>

#include <algorithm>

namespace PhraseFile {

QString fileName()
{
    return QStringLiteral("Hint.hnt");
}

bool lessThan(const QString &a, const QString &b)
{
    // Qt's collator is ICU's, which carries its own Russian rules: no system
    // locale needs to be installed. One per thread: a collator is not shared.
    thread_local const QCollator russian = [] {
        QCollator collator{QLocale(QLocale::Russian)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator;
    }();
    const int order = russian.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

QStringList sorted(QStringList phrases)
{
    std::stable_sort(phrases.begin(), phrases.end(), lessThan);
    return phrases;
}

qsizetype insertionPoint(const QStringList &phrases, const QString &phrase)
{
    return std::upper_bound(phrases.begin(), phrases.end(), phrase, lessThan) - phrases.begin();
}

QStringList read(const QString &path, LineListFile::ReadStatus *status)
{
    return sorted(LineListFile::load(path, status));
}

bool write(const QString &path, const QStringList &phrases, QString *error)
{
    return LineListFile::save(path, sorted(phrases), error);
}

QString cannotOpen(const QString &path)
{
    return QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(path));
}

QString cannotCreate(const QString &path)
{
    return QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path));
}

} // namespace PhraseFile
