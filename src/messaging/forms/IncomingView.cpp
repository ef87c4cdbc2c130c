#include "IncomingView.h"

#include <QImage>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace {

const QRegularExpression &linkPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"((?:(?:https?|ftp|file)://|mailto:|www\.)[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

QString hrefFor(const QString &link)
{
    return link.startsWith(u"www.", Qt::CaseInsensitive) ? QStringLiteral("http://") + link : link;
}

QString withoutCarriageReturns(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

IncomingView::IncomingView(QTextDocument *document)
    : m_document(document)
{
}

void IncomingView::beginEntry()
{
    if (m_depth++ > 0)
        return;
    m_cursor = QTextCursor(m_document);
    m_cursor.movePosition(QTextCursor::End);
    m_cursor.beginEditBlock();
    m_linksLeft = kMaxLinks;
    m_picturesLeft = kMaxPictures;
}

void IncomingView::endEntry()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    m_cursor.endEditBlock();
    m_cursor = QTextCursor();
}

void IncomingView::appendLine(const QString &line)
{
    const Entry entry(*this);
    insertText(line);
    insertLineBreak();
}

void IncomingView::appendText(const QString &text)
{
    appendLine(text);
}

void IncomingView::insertText(const QString &text)
{
    const Entry entry(*this);
    insertWithLinks(withoutCarriageReturns(text));
}

void IncomingView::insertPicture(const QString &resource, const QString &text)
{
    const Entry entry(*this);
    if (m_picturesLeft <= 0) {
        insertText(text);
        return;
    }
    --m_picturesLeft;
    m_cursor.movePosition(QTextCursor::End);
    const QUrl name(resource.startsWith(u':') ? QStringLiteral("qrc") + resource : resource);
    if (m_document->resource(QTextDocument::ImageResource, name).isNull())
        m_document->addResource(QTextDocument::ImageResource, name, QImage(resource));
    QTextImageFormat format;
    format.setName(name.toString());
    format.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    format.setProperty(kPictureTextProperty, text);
    m_cursor.insertImage(format);
}

void IncomingView::insertLineBreak()
{
    const Entry entry(*this);
    m_cursor.movePosition(QTextCursor::End);
    m_cursor.insertBlock();
}

void IncomingView::clear()
{
    m_document->clear();
}

bool IncomingView::isEmpty() const
{
    return m_document->isEmpty();
}

QString IncomingView::toPlainText() const
{
    return m_document->toPlainText();
}

void IncomingView::insertWithLinks(const QString &text)
{
    QTextCursor &cursor = m_cursor;
    cursor.movePosition(QTextCursor::End);
    const QTextCharFormat plain;
    qsizetype at = 0;
    auto insertPlain = [&](QStringView part) {
        // Each line of the text is a block of its own.
        const auto lines = part.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                cursor.insertBlock();
            cursor.insertText(lines[i].toString(), plain);
        }
    };
    for (auto it = linkPattern().globalMatch(text); m_linksLeft > 0 && it.hasNext(); --m_linksLeft) {
        const auto match = it.next();
        insertPlain(QStringView(text).mid(at, match.capturedStart() - at));
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(hrefFor(match.captured()));
        link.setForeground(QColor(0, 0, 238));
        link.setFontUnderline(true);
        cursor.insertText(match.captured(), link);
        at = match.capturedEnd();
    }
    insertPlain(QStringView(text).mid(at));
}
