#include "MetaTags.h"

#include "Cp1251.h"

#include <QStringDecoder>

namespace {

// How far past a start position the closing quote is looked for.
constexpr qsizetype kQuoteWindow = 255;

QString quotedFrom(const QString &line, qsizetype start)
{
    if (start > line.size())
        return {};
    const QStringView window = QStringView(line).mid(start, kQuoteWindow);
    const qsizetype quote = window.indexOf(u'"');
    return quote < 0 ? QString() : window.left(quote).toString();
}

} // namespace

namespace MetaTags {

bool parseLine(const QString &line, Tag &tag)
{
    const qsizetype name = line.indexOf(u"META NAME", 0, Qt::CaseSensitive);
    if (name < 0)
        return false;
    tag.name = quotedFrom(line, name + 11);
    const qsizetype content = line.indexOf(u"CONTENT=", 0, Qt::CaseInsensitive);
    tag.value = content < 0 ? QString() : quotedFrom(line, content + 9);
    return true;
}

PageValues parsePage(const QStringList &lines, const TTagInfo &names)
{
    const std::pair<const QString *, QString PageValues::*> fields[] = {
        {&names.ProductName, &PageValues::productName},
        {&names.Version, &PageValues::version},
        {&names.Download, &PageValues::download},
        {&names.ClientFileName, &PageValues::clientFileName},
        {&names.RunParameters, &PageValues::runParameters},
        {&names.Redirection, &PageValues::redirection},
        {&names.Author, &PageValues::author},
        {&names.Email, &PageValues::email},
    };
    PageValues values;
    Tag tag;
    for (const QString &line : lines) {
        if (!parseLine(line, tag) || tag.name.isEmpty())
            continue;
        for (const auto &[name, field] : fields) {
            if (tag.name == *name)
                values.*field = tag.value;
        }
    }
    return values;
}

QString decodePage(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Cp1251::decode(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

} // namespace MetaTags
