#include "DesktopEntry.h"

namespace DesktopEntry {

QString execArgument(const QString &argument)
{
    // Always quoted: a quoted argument may hold every reserved character,
    // and inside quotes only these four need a backslash.
    QString quoted;
    quoted.reserve(argument.size() + 2);
    quoted += u'"';
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%'; // a lone % would start a field code
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

QString stringValue(const QString &value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\': escaped += u"\\\\"; break;
        case u'\n': escaped += u"\\n"; break;
        case u'\t': escaped += u"\\t"; break;
        case u'\r': escaped += u"\\r"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

} // namespace DesktopEntry
