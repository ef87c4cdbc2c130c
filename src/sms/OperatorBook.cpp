#include "OperatorBook.h"

#include "AppPaths.h"
#include "IniFile.h"
#include "LineListFile.h"

#include <QFileInfo>

OperatorBook::OperatorBook(QString namesFile, QString waysFile)
    : m_namesFile(std::move(namesFile))
    , m_waysFile(std::move(waysFile))
{
}

OperatorBook OperatorBook::installed()
{
    return OperatorBook(AppPaths::operatorDataFile(QStringLiteral("oss.lst")),
                        AppPaths::operatorDataFile(QStringLiteral("dataoss.lst")));
}

bool OperatorBook::namesExist() const
{
    return QFileInfo::exists(m_namesFile);
}

QStringList OperatorBook::names() const
{
    QStringList result;
    for (const QString &line : LineListFile::load(m_namesFile)) {
        if (!line.trimmed().isEmpty())
            result.append(line);
    }
    return result;
}

OperatorWays OperatorBook::ways(const QString &operatorName) const
{
    if (operatorName.isEmpty())
        return {};
    const IniFile file(m_waysFile);
    return {file.readString(operatorName, u"Web"), file.readString(operatorName, u"Mail")};
}

QString OperatorBook::unwrap(const QString &value)
{
    // The settings-file reader has already taken a pair of quotes off, as the
    // Windows one does; cutting two more characters would eat the "h" of
    // "http". So only a true pair of delimiters is removed.
    if (value.size() < 2)
        return value;
    const QChar first = value.front();
    const QChar last = value.back();
    static const QString opening = QStringLiteral("([{<");
    static const QString closing = QStringLiteral(")]}>");
    const qsizetype pair = opening.indexOf(first);
    const bool delimited = pair >= 0 ? closing[pair] == last
                                     : first == last && !first.isLetterOrNumber() && first != u'%';
    return delimited ? value.mid(1, value.size() - 2) : value;
}

QString OperatorBook::fill(const QString &format, const QStringList &arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size()) {
            if (format[i + 1] == u's') {
                if (next < arguments.size())
                    result += arguments[next];
                ++next;
                ++i;
                continue;
            }
            if (format[i + 1] == u'%') {
                result += u'%';
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}
