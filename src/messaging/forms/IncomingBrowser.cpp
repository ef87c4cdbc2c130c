#include "IncomingBrowser.h"

#include "IncomingAccessible.h"
#include "IncomingBrowserAccessible.h"
#include "IncomingText.h"
#include "PictureTextLayout.h"
#include "ReadingOffsets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <utility>

IncomingBrowser::IncomingBrowser(QWidget *parent)
    : QPlainTextEdit(parent)
{
    IncomingBrowserAccessible::install();
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    auto *content = new QTextDocument(this);
    content->setDocumentLayout(new PictureTextLayout(content));
    // Before the widget's own connections: the offsets hear of each change first.
    ReadingOffsets::of(content);
    setDocument(content);
    setUndoRedoEnabled(false);
    IncomingAccessible::attach(this);
}

QMimeData *IncomingBrowser::createMimeDataFromSelection() const
{
    // Plain text only: a picture's resource means nothing outside the program.
    const QTextCursor cursor = textCursor();
    auto *data = new QMimeData;
    data->setText(IncomingText::between(*document(), cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

void IncomingBrowser::mousePressEvent(QMouseEvent *event)
{
    m_linksFromEdge = false; // the click puts the cursor where Tab goes on from
    m_pressedLink = event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
    m_pressedAt = event->position().toPoint();
    QPlainTextEdit::mousePressEvent(event);
}

void IncomingBrowser::mouseMoveEvent(QMouseEvent *event)
{
    const bool onLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(onLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
    QPlainTextEdit::mouseMoveEvent(event);
}

void IncomingBrowser::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    const QString pressed = std::exchange(m_pressedLink, QString());
    // A drag that selects text is no click on a link.
    const bool dragged = (event->position().toPoint() - m_pressedAt).manhattanLength() >= QApplication::startDragDistance();
    if (event->button() != Qt::LeftButton || pressed.isEmpty() || dragged)
        return;
    if (anchorAt(event->position().toPoint()) == pressed)
        Q_EMIT anchorClicked(QUrl(pressed));
}

void IncomingBrowser::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const QString link = linkOf(textCursor()); !link.isEmpty()) {
            Q_EMIT anchorClicked(QUrl(link));
            return;
        }
    }
    // The view takes no keyboard selection, so the editor's own handling of
    // these keys would do nothing at all.
    const bool toStart = event->matches(QKeySequence::MoveToStartOfDocument);
    if (toStart || event->matches(QKeySequence::MoveToEndOfDocument)) {
        QTextCursor cursor(document());
        cursor.movePosition(toStart ? QTextCursor::Start : QTextCursor::End);
        setTextCursor(cursor);
        verticalScrollBar()->triggerAction(toStart ? QAbstractSlider::SliderToMinimum
                                                   : QAbstractSlider::SliderToMaximum);
        m_linksFromEdge = true;
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void IncomingBrowser::focusOutEvent(QFocusEvent *event)
{
    // A context menu takes the focus only for a moment; anything else leaves the view.
    if (event->reason() != Qt::PopupFocusReason) {
        if (!linkOf(textCursor()).isEmpty()) {
            QTextCursor cursor = textCursor();
            cursor.clearSelection();
            setTextCursor(cursor);
        }
        m_linksFromEdge = true;
    }
    QPlainTextEdit::focusOutEvent(event);
}

bool IncomingBrowser::focusNextPrevChild(bool next)
{
    // Tab walks the links on screen first; past the last one it leaves the view.
    if (hasFocus() && selectNextLink(next))
        return true;
    return QPlainTextEdit::focusNextPrevChild(next);
}

QString IncomingBrowser::linkOf(const QTextCursor &cursor)
{
    if (!cursor.hasSelection() || !cursor.document())
        return {};
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    const QTextBlock block = cursor.document()->findBlock(start);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() == start && fragment.length() == length && fragment.charFormat().isAnchor())
            return fragment.charFormat().anchorHref();
    }
    return {};
}

QList<QTextCursor> IncomingBrowser::linksOnScreen() const
{
    // Only the links on screen: the view may hold thousands, and neither Tab
    // nor a screen reader should have to go through all of them.
    const int top = firstVisibleBlock().position();
    const int bottom = cursorForPosition(QPoint(viewport()->width() - 1, viewport()->height() - 1)).position();
    QList<QTextCursor> links;
    for (QTextBlock block = firstVisibleBlock(); block.isValid() && block.position() <= bottom; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isAnchor() || fragment.position() < top || fragment.position() >= bottom)
                continue;
            QTextCursor link(document());
            link.setPosition(fragment.position());
            link.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            links.append(link);
        }
    }
    return links;
}

void IncomingBrowser::reachLink(const QTextCursor &link)
{
    m_linksFromEdge = false;
    setTextCursor(link);
    ensureCursorVisible();
}

void IncomingBrowser::openLink(const QTextCursor &link)
{
    if (const QString href = linkOf(link); !href.isEmpty())
        Q_EMIT anchorClicked(QUrl(href));
}

bool IncomingBrowser::selectNextLink(bool forward)
{
    const QList<QTextCursor> links = linksOnScreen();
    if (links.isEmpty())
        return false;
    const QTextCursor current = textCursor();
    const bool fromEdge = std::exchange(m_linksFromEdge, false);
    const int top = links.first().selectionStart();
    const int bottom = links.last().selectionEnd();
    int from = forward ? current.selectionEnd() : current.selectionStart();
    if (fromEdge || from < top || from > bottom)
        from = forward ? top : bottom;
    if (forward) {
        for (const QTextCursor &link : links) {
            if (link.selectionStart() >= from) {
                reachLink(link);
                return true;
            }
        }
    } else {
        for (auto it = links.crbegin(); it != links.crend(); ++it) {
            if (it->selectionEnd() <= from) {
                reachLink(*it);
                return true;
            }
        }
    }
    return false;
}
