#include "IncomingView.h"

#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace {

const QRegularExpression &linkPattern()
{
    static const QRegularExpression pattern(
        // A link ends at the end of its line too: lines are split by line separators.
        QStringLiteral(R"((?:(?:https?|ftp|file)://|mailto:|www\.)[^\s<>"\x{2028}]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

QString hrefFor(const QString &link)
{
    return link.startsWith(u"www.", Qt::CaseInsensitive) ? QStringLiteral("http://") + link : link;
}

// Line breaks inside a message become line separators: a message is one
// paragraph, so the document keeps and lays out one block per message, not
// one per line.
QString withLineSeparators(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', QChar::LineSeparator);
    text.replace(u'\n', QChar::LineSeparator);
    return text;
}

// Block state of a message's first line (the header).
constexpr int kMessageStart = 1;

} // namespace

IncomingView::IncomingView(QTextDocument *document, int maxMessages)
    : m_document(document)
    , m_maxMessages(std::max(1, maxMessages))
{
    // Nobody edits the view: an undo stack would only hold every message twice.
    m_document->setUndoRedoEnabled(false);
    // Lines run left to right, as the editor writes them. With the direction
    // left open, every line's text would be read for it again whenever the
    // view is laid out along its length (each time the oldest messages leave).
    QTextOption option = m_document->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    m_document->setDefaultTextOption(option);
}

void IncomingView::beginEntry()
{
    if (m_depth++ > 0)
        return;
    m_cursor = QTextCursor(m_document);
    // Inside the edit block the move does not lay out the last line to learn its x.
    m_cursor.beginEditBlock();
    // Cleared from outside: no line is left to end.
    if (m_document->isEmpty())
        m_breakPending = false;
    toEnd();
    m_linksLeft = kMaxLinks;
    m_picturesLeft = kMaxPictures;
}

void IncomingView::beginMessage()
{
    const Entry entry(*this);
    // Cleared from outside (the widget's own clear()): nothing is held any more.
    if (m_document->isEmpty())
        m_messages = 0;
    endParagraph();
    // The header goes into the last line, which keeps this state when the
    // line break after the header splits it.
    m_document->lastBlock().setUserState(kMessageStart);
    ++m_messages;
    m_linksLeft = kMaxLinks;
    m_picturesLeft = kMaxPictures;
}

void IncomingView::dropOldest(int count)
{
    // The first line to keep is the header of message count + 1. Walking
    // there costs the lines removed, not the lines held.
    int seen = 0;
    QTextBlock block = m_document->firstBlock();
    for (; block.isValid(); block = block.next()) {
        if (block.userState() == kMessageStart && seen++ == count)
            break;
    }
    if (!block.isValid()) {
        // Fewer messages than counted (some went another way): count again.
        m_messages = seen;
        if (seen > m_maxMessages)
            dropOldest(seen - m_maxMessages + m_maxMessages / kDropShare);
        return;
    }
    QTextCursor top(m_document);
    // Within an edit block the cursor does not lay out the new first line to learn its x.
    top.beginEditBlock();
    top.setPosition(block.position(), QTextCursor::KeepAnchor);
    top.removeSelectedText();
    top.endEditBlock();
    m_messages -= count;
}

void IncomingView::endEntry()
{
    if (m_depth == 0 || --m_depth > 0)
        return;
    endParagraph();
    m_cursor.endEditBlock();
    m_cursor = QTextCursor();
    // An edit of its own: in the same edit as the new message, the change
    // would span the whole view and every line would be laid out again.
    if (m_messages > m_maxMessages)
        dropOldest(m_messages - m_maxMessages + m_maxMessages / kDropShare);
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
    insertWithLinks(withLineSeparators(text));
}

void IncomingView::insertPicture(const QString &resource, const QString &text)
{
    const Entry entry(*this);
    if (m_picturesLeft <= 0) {
        insertText(text);
        return;
    }
    --m_picturesLeft;
    toEnd();
    const QString lineBreak = pendingBreak();
    if (!lineBreak.isEmpty())
        m_cursor.insertText(lineBreak, m_plain);
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
    // The break is made once it is known what follows: within a message a
    // line separator, at its end the end of the paragraph.
    if (m_breakPending) {
        toEnd();
        m_cursor.insertText(QString(QChar::LineSeparator), m_plain);
    }
    m_breakPending = true;
}

QString IncomingView::pendingBreak()
{
    if (!m_breakPending)
        return {};
    m_breakPending = false;
    return QString(QChar::LineSeparator);
}

void IncomingView::endParagraph()
{
    if (!m_breakPending)
        return;
    m_breakPending = false;
    toEnd();
    m_cursor.insertBlock();
}

void IncomingView::clear()
{
    m_document->clear();
    m_messages = 0;
    m_breakPending = false;
}

bool IncomingView::isEmpty() const
{
    return m_document->isEmpty();
}

QString IncomingView::toPlainText() const
{
    return m_document->toPlainText();
}

void IncomingView::toEnd()
{
    // Inserting leaves the cursor at the end; a move costs a look at the
    // line's layout and direction, so it is made only when needed.
    const int end = m_document->characterCount() - 1;
    if (m_cursor.position() != end)
        m_cursor.setPosition(end);
}

namespace {

// Whether the pattern could match at all: most pieces (headers, plain
// words) hold none of what starts a link, and a search costs more than this look.
bool mayHoldLink(const QString &text)
{
    return text.contains(u':') || text.contains(QLatin1String("www."), Qt::CaseInsensitive);
}

} // namespace

void IncomingView::insertWithLinks(const QString &text)
{
    toEnd();
    QTextCursor &cursor = m_cursor;
    qsizetype at = 0;
    auto insertPlain = [&](QStringView part) {
        // A pending line break goes in with the text after it, in one insert.
        const QString piece = pendingBreak() + part.toString();
        if (!piece.isEmpty())
            cursor.insertText(piece, m_plain);
    };
    if (m_linksLeft <= 0 || !mayHoldLink(text)) {
        insertPlain(text);
        return;
    }
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
