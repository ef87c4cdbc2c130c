#include "VersionCompare.h"

#include "Cp1251.h"

#include <cmath>

namespace {

qint64 partValue(QStringView part)
{
    bool ok = false;
    const qint64 value = part.trimmed().toLongLong(&ok, 10);
    return ok ? value : 0;
}

// The part before the first '.', and the rest after it (empty without a '.').
QStringView head(QStringView text)
{
    const qsizetype dot = text.indexOf(u'.');
    return dot < 0 ? text : text.left(dot);
}

QStringView tail(QStringView text)
{
    const qsizetype dot = text.indexOf(u'.');
    return dot < 0 ? QStringView() : text.mid(dot + 1);
}

bool standardNewer(QStringView a, QStringView b)
{
    for (;;) {
        const qint64 ours = partValue(head(a));
        const qint64 theirs = partValue(head(b));
        if (ours < theirs)
            return true;
        if (ours > theirs)
            return false;
        const bool more = a.contains(u'.');
        a = tail(a);
        b = tail(b);
        if (!more)
            return false;
    }
}

bool numberNewer(const QString &a, const QString &b)
{
    bool okA = false;
    bool okB = false;
    const double ours = a.toDouble(&okA);
    const double theirs = b.toDouble(&okB);
    if (!okA || !okB || !std::isfinite(ours) || !std::isfinite(theirs))
        return false;
    return theirs > ours;
}

} // namespace

namespace VersionCompare {

bool isNewer(const QString &running, const QString &page, VersionFormat format)
{
    switch (format) {
    case VersionFormat::vfStandard:
        return standardNewer(running, page);
    case VersionFormat::vfString:
        return Cp1251::encode(page) > Cp1251::encode(running);
    case VersionFormat::vfNumber:
        return numberNewer(running, page);
    }
    return false;
}

} // namespace VersionCompare
