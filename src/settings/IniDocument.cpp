#include "IniDocument.h"

#include "Cp1251.h"
#include "ProfileValue.h"

using namespace Qt::StringLiterals;

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// The file holds 1251 text, so a name is looked up as it would be stored:
// a character 1251 lacks is a '?' on both sides.
QString storedName(QStringView name)
{
    return Cp1251::decode(Cp1251::encode(trimProfileBlanks(name)));
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Equal for exactly the names sameName takes as equal: both fold each UTF-16
// unit alone, and stored names hold no surrogates (code page 1251 has none).
QString foldedName(QStringView name)
{
    QString folded(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = name[i].toCaseFolded();
    return folded;
}

bool hasLineBreak(QStringView text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

IniDocument IniDocument::parse(QByteArrayView bytes)
{
    IniDocument document;
    // CR LF, a lone LF and a lone CR each end a line, as in any editor: a CR
    // taken for text would glue the next key written onto this line.
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        qsizetype stop = end;
        if (stop < bytes.size())
            stop += bytes.sliced(stop).startsWith("\r\n") ? 2 : 1;
        document.m_lines.append(parseLine(bytes.sliced(start, end - start).toByteArray()));
        start = stop;
    }
    return document;
}

IniDocument::Line IniDocument::parseLine(QByteArray bytes)
{
    Line line;
    line.bytes = std::move(bytes);
    const QString decoded = Cp1251::decode(line.bytes);
    const QStringView text = trimProfileBlanks(decoded);
    if (text.isEmpty() || text.startsWith(u';'))
        return line;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimProfileBlanks(text.sliced(1, close - 1)).toString();
            return line;
        }
    }
    const qsizetype equals = text.indexOf(u'=');
    const QStringView key = trimProfileBlanks(text.first(qMax(equals, 0)));
    if (equals > 0 && !key.isEmpty()) {
        line.kind = LineKind::Entry;
        line.name = key.toString();
        line.value = profileValueFromText(text.sliced(equals + 1));
    }
    return line;
}

IniDocument::Line IniDocument::entryLine(QStringView key, QStringView value)
{
    const QString text = key.toString() + u'=' + profileTextForValue(value);
    return parseLine(Cp1251::encode(text));
}

QByteArray IniDocument::toBytes() const
{
    // Every line ends in CR LF, whatever ended it when read: Windows instances
    // end a line at LF only, so a lone CR kept would put the next key on the
    // same line for them.
    QByteArray bytes;
    for (const Line &line : m_lines) {
        bytes += line.bytes;
        bytes += kLineEnd;
    }
    return bytes;
}

bool IniDocument::isWritableSection(QStringView section)
{
    const QString name = storedName(section);
    return !name.isEmpty() && !name.contains(u']') && !hasLineBreak(name);
}

bool IniDocument::isWritableKey(QStringView key)
{
    const QString name = storedName(key);
    return !name.isEmpty() && !name.contains(u'=') && !hasLineBreak(name)
        && !name.startsWith(u';') && !name.startsWith(u'[');
}

IniDocument::SectionRange IniDocument::rangeFrom(qsizetype header) const
{
    qsizetype end = header + 1;
    while (end < m_lines.size() && m_lines[end].kind != LineKind::Section)
        ++end;
    return {header, end};
}

void IniDocument::buildIndex()
{
    auto index = std::make_shared<Index>();
    qsizetype header = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == LineKind::Section) {
            header = i;
            const QString name = foldedName(line.name);
            if (!index->sections.contains(name)) // the first of equal sections counts
                index->sections.insert(name, rangeFrom(i));
        } else if (line.kind == LineKind::Entry) {
            auto key = std::pair(header, foldedName(line.name));
            if (!index->keys.contains(key))
                index->keys.insert(std::move(key), i);
        }
    }
    m_index = std::move(index);
}

std::optional<IniDocument::SectionRange> IniDocument::findSection(QStringView section) const
{
    const QString name = storedName(section);
    if (m_index) {
        const auto found = m_index->sections.constFind(foldedName(name));
        if (found == m_index->sections.cend())
            return std::nullopt;
        return *found;
    }
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == LineKind::Section && sameName(m_lines[i].name, name))
            return rangeFrom(i);
    }
    return std::nullopt;
}

qsizetype IniDocument::findKey(SectionRange range, QStringView key) const
{
    const QString name = storedName(key);
    if (m_index)
        return m_index->keys.value(std::pair(range.header, foldedName(name)), -1);
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        if (m_lines[i].kind == LineKind::Entry && sameName(m_lines[i].name, name))
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const qsizetype index = findKey(*range, key);
    if (index < 0)
        return std::nullopt;
    return m_lines[index].value;
}

QStringList IniDocument::keys(QStringView section) const
{
    QStringList names;
    const auto range = findSection(section);
    if (!range)
        return names;
    for (qsizetype i = range->header + 1; i < range->end; ++i) {
        const Line &line = m_lines[i];
        if (line.kind == LineKind::Entry && !names.contains(line.name, Qt::CaseInsensitive))
            names.append(line.name);
    }
    return names;
}

QStringList IniDocument::sections() const
{
    QStringList names;
    for (const Line &line : m_lines) {
        if (line.kind == LineKind::Section && !names.contains(line.name, Qt::CaseInsensitive))
            names.append(line.name);
    }
    return names;
}

bool IniDocument::hasSection(QStringView section) const
{
    return findSection(section).has_value();
}

bool IniDocument::setValue(QStringView section, QStringView key, QStringView value)
{
    const auto range = findSection(section);
    if (!range) {
        m_lines.append(parseLine(Cp1251::encode(u'[' + storedName(section) + u']')));
        m_lines.append(entryLine(storedName(key), value));
        changed();
        return true;
    }
    const qsizetype index = findKey(*range, key);
    if (index >= 0) {
        Line replacement = entryLine(m_lines[index].name, value);
        // An equal value keeps the line as the user formatted it.
        if (replacement.value == m_lines[index].value)
            return false;
        m_lines[index] = std::move(replacement);
        changed();
        return true;
    }
    // After the last key, so comments and blank lines that close the section stay last.
    qsizetype after = range->header;
    for (qsizetype i = range->header + 1; i < range->end; ++i) {
        if (m_lines[i].kind == LineKind::Entry)
            after = i;
    }
    m_lines.insert(after + 1, entryLine(storedName(key), value));
    changed();
    return true;
}

bool IniDocument::removeKey(QStringView section, QStringView key)
{
    const auto range = findSection(section);
    if (!range)
        return false;
    // Duplicates go too, or the next one would surface as the value.
    const QString name = storedName(key);
    bool removed = false;
    for (qsizetype i = range->end - 1; i > range->header; --i) {
        if (m_lines[i].kind == LineKind::Entry && sameName(m_lines[i].name, name)) {
            m_lines.removeAt(i);
            changed();
            removed = true;
        }
    }
    return removed;
}

bool IniDocument::removeSection(QStringView section)
{
    // Every copy goes, so the section is really gone for the next read.
    bool removed = false;
    while (const auto range = findSection(section)) {
        m_lines.remove(range->header, range->end - range->header);
        changed();
        removed = true;
    }
    return removed;
}
