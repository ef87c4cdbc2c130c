#include "VersionCompare.h"

#include "Cp1251.h"

#include <cmath>

namespace {

// A part as a sign and its digits without leading zeros, so that parts of any
// length compare exactly; a part that is no integer counts as 0.
struct Part
{
    bool negative = false;
    QStringView digits; // empty for 0
};

Part partValue(QStringView part)
{
    part = part.trimmed();
    Part value;
    if (part.startsWith(u'+') || part.startsWith(u'-')) {
        value.negative = part.front() == u'-';
        part = part.mid(1);
    }
    if (part.isEmpty())
        return {};
    for (const QChar c : part) {
        if (c < u'0' || c > u'9')
            return {};
    }
    while (!part.isEmpty() && part.front() == u'0')
        part = part.mid(1);
    value.digits = part;
    if (part.isEmpty())
        value.negative = false;
    return value;
}

// <0, 0, >0 as a is below, equal to or above b.
int comparePart(const Part &a, const Part &b)
{
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    int magnitude = 0;
    if (a.digits.size() != b.digits.size())
        magnitude = a.digits.size() < b.digits.size() ? -1 : 1;
    else
        magnitude = a.digits.compare(b.digits); // same length: digit order is number order
    magnitude = magnitude < 0 ? -1 : (magnitude > 0 ? 1 : 0);
    return a.negative ? -magnitude : magnitude;
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
        const int order = comparePart(partValue(head(a)), partValue(head(b)));
        if (order < 0)
            return true;
        if (order > 0)
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
