#include "PageMarkup.h"

#include <QUrl>

namespace {

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isEntityChar(QChar c)
{
    return isLetter(c) || (c >= u'0' && c <= u'9') || c == u'#';
}

// The value of one attribute in a tag's text, or nothing.
QString attribute(QStringView tag, QStringView name)
{
    qsizetype from = 0;
    while (from < tag.size()) {
        const qsizetype at = tag.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0)
            return {};
        from = at + name.size();
        // A whole attribute name: a blank before it, '=' after it.
        if (at == 0 || !tag.at(at - 1).isSpace())
            continue;
        qsizetype i = from;
        while (i < tag.size() && tag.at(i).isSpace())
            ++i;
        if (i >= tag.size() || tag.at(i) != u'=')
            continue;
        ++i;
        while (i < tag.size() && tag.at(i).isSpace())
            ++i;
        if (i >= tag.size())
            return {};
        const QChar quote = tag.at(i);
        if (quote == u'"' || quote == u'\'') {
            const qsizetype end = tag.indexOf(quote, i + 1);
            return (end < 0 ? tag.mid(i + 1) : tag.mid(i + 1, end - i - 1)).toString();
        }
        qsizetype end = i;
        while (end < tag.size() && !tag.at(end).isSpace())
            ++end;
        return tag.mid(i, end - i).toString();
    }
    return {};
}

// Writes the flat document while the page is read, closing and reopening the
// few kept elements so that they never nest.
class Writer
{
public:
    void text(QStringView chunk)
    {
        if (chunk.trimmed().isEmpty() && m_block == Block::None) {
            return; // blanks between blocks
        }
        openBlock();
        syncInline();
        m_out += chunk;
    }

    void entity(QStringView entity)
    {
        openBlock();
        syncInline();
        m_out += entity;
    }

    void lineBreak()
    {
        openBlock();
        m_out += u"<br/>";
    }

    void blockBoundary() { closeBlock(); }

    void listItem()
    {
        closeBlock();
        if (m_listDepth > 0) {
            m_out += u"<li>";
            m_block = Block::Item;
        }
    }

    void list(bool open, bool ordered)
    {
        if (open) {
            if (m_listDepth++ == 0) {
                closeBlock();
                m_ordered = ordered;
                m_out += m_ordered ? u"<ol>" : u"<ul>";
            }
        } else if (m_listDepth > 0 && --m_listDepth == 0) {
            closeBlock();
            m_out += m_ordered ? u"</ol>" : u"</ul>";
        }
    }

    // Depths count nested elements of the page; only "inside or not" is shown.
    void bold(bool open) { step(m_bold, open); }
    void italic(bool open) { step(m_italic, open); }
    void link(const QString &href) { m_href = href; }

    QString finish()
    {
        closeBlock();
        while (m_listDepth > 0)
            list(false, false);
        return m_out;
    }

    qsizetype size() const { return m_out.size(); }

private:
    enum class Block { None, Paragraph, Item };

    static void step(int &depth, bool open) { depth = open ? depth + 1 : qMax(0, depth - 1); }

    void openBlock()
    {
        if (m_block != Block::None)
            return;
        if (m_listDepth > 0) {
            m_out += u"<li>";
            m_block = Block::Item;
        } else {
            m_out += u"<p>";
            m_block = Block::Paragraph;
        }
    }

    void closeInline()
    {
        if (m_shownItalic)
            m_out += u"</i>";
        if (m_shownBold)
            m_out += u"</b>";
        if (!m_shownHref.isEmpty())
            m_out += u"</a>";
        m_shownItalic = m_shownBold = false;
        m_shownHref.clear();
    }

    void syncInline()
    {
        const bool bold = m_bold > 0;
        const bool italic = m_italic > 0;
        if (bold == m_shownBold && italic == m_shownItalic && m_href == m_shownHref)
            return;
        closeInline();
        if (!m_href.isEmpty())
            m_out += QStringLiteral("<a href=\"") + m_href + QStringLiteral("\">");
        if (bold)
            m_out += u"<b>";
        if (italic)
            m_out += u"<i>";
        m_shownHref = m_href;
        m_shownBold = bold;
        m_shownItalic = italic;
    }

    void closeBlock()
    {
        closeInline();
        if (m_block == Block::Paragraph)
            m_out += u"</p>";
        else if (m_block == Block::Item)
            m_out += u"</li>";
        m_block = Block::None;
    }

    QString m_out;
    Block m_block = Block::None;
    int m_listDepth = 0;
    bool m_ordered = false;
    int m_bold = 0;
    int m_italic = 0;
    QString m_href;
    bool m_shownBold = false;
    bool m_shownItalic = false;
    QString m_shownHref;
};

// Only addresses a browser may open from here; quotes and angles written as entities.
QString safeHref(const QString &raw)
{
    const QUrl url(raw.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return {};
    return url.toString(QUrl::FullyEncoded).toHtmlEscaped();
}

// Elements whose content is no text of the page.
bool skipsContent(QStringView name)
{
    for (const char *skipped : {"script", "style", "head", "title", "template", "textarea", "select", "object"}) {
        if (name.compare(QLatin1String(skipped), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool nameIs(QStringView name, std::initializer_list<const char *> names)
{
    for (const char *candidate : names) {
        if (name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void applyTag(Writer &out, QStringView name, bool closing, QStringView tag)
{
    if (nameIs(name, {"br"})) {
        out.lineBreak();
    } else if (nameIs(name, {"b", "strong"})) {
        out.bold(!closing);
    } else if (nameIs(name, {"i", "em"})) {
        out.italic(!closing);
    } else if (nameIs(name, {"a"})) {
        out.link(closing ? QString() : safeHref(attribute(tag, u"href")));
    } else if (nameIs(name, {"ul", "ol"})) {
        out.list(!closing, nameIs(name, {"ol"}));
    } else if (nameIs(name, {"li"})) {
        if (closing)
            out.blockBoundary();
        else
            out.listItem();
    } else if (nameIs(name, {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "table", "tr", "td", "th", "blockquote",
                             "pre", "hr", "body", "center", "dl", "dt", "dd", "form", "section", "article"})) {
        out.blockBoundary();
    }
    // Any other element: its text stays, the element goes.
}

} // namespace

namespace PageMarkup {

QString flatten(QStringView html, qsizetype maxChars)
{
    const bool cut = html.size() > maxChars;
    if (cut)
        html = html.left(qMax<qsizetype>(0, maxChars));
    Writer out;
    bool tagsLeft = true; // false once no '>' follows: every later '<' is text
    qsizetype textStart = 0;
    qsizetype i = 0;
    auto flushText = [&](qsizetype end) {
        if (end > textStart)
            out.text(html.mid(textStart, end - textStart));
    };
    while (i < html.size()) {
        const QChar c = html.at(i);
        if (c == u'&') {
            flushText(i);
            qsizetype end = i + 1;
            while (end < html.size() && end - i <= 10 && isEntityChar(html.at(end)))
                ++end;
            if (end < html.size() && html.at(end) == u';' && end > i + 1) {
                out.entity(html.mid(i, end - i + 1));
                i = end + 1;
            } else {
                out.entity(u"&amp;");
                ++i;
            }
            textStart = i;
            continue;
        }
        if (c == u'>') {
            flushText(i);
            out.entity(u"&gt;");
            textStart = ++i;
            continue;
        }
        if (c != u'<') {
            ++i;
            continue;
        }
        flushText(i);
        const QChar next = i + 1 < html.size() ? html.at(i + 1) : QChar();
        const bool markup = isLetter(next) || next == u'/' || next == u'!' || next == u'?';
        qsizetype close = -1;
        if (markup && tagsLeft) {
            if (html.mid(i, 4) == u"<!--") {
                const qsizetype end = html.indexOf(u"-->", i + 4);
                close = end < 0 ? -1 : end + 2;
            } else {
                close = html.indexOf(u'>', i + 1);
            }
            if (close < 0)
                tagsLeft = false;
        }
        if (close < 0) {
            out.entity(u"&lt;");
            textStart = ++i;
            continue;
        }
        const QStringView tag = html.mid(i + 1, close - i - 1);
        i = close + 1;
        textStart = i;
        if (tag.startsWith(u'!') || tag.startsWith(u'?'))
            continue;
        const bool closing = tag.startsWith(u'/');
        const QStringView body = closing ? tag.mid(1) : tag;
        qsizetype nameEnd = 0;
        while (nameEnd < body.size() && (isLetter(body.at(nameEnd)) || body.at(nameEnd).isDigit()))
            ++nameEnd;
        const QStringView name = body.left(nameEnd);
        if (!closing && skipsContent(name) && !tag.endsWith(u'/')) {
            // Straight to its end tag; one search, so the pass stays linear.
            const QString endTag = QStringLiteral("</") + name.toString();
            const qsizetype end = html.indexOf(endTag, i, Qt::CaseInsensitive);
            const qsizetype after = end < 0 ? -1 : html.indexOf(u'>', end);
            i = after < 0 ? html.size() : after + 1;
            textStart = i;
            continue;
        }
        applyTag(out, name, closing, body);
    }
    flushText(html.size());
    if (cut) {
        out.blockBoundary();
        out.text(u"[…]");
    }
    return out.finish();
}

} // namespace PageMarkup
