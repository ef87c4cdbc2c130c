#include "IncomingBrowser.h"

#include "IncomingAccessible.h"
#include "IncomingText.h"
#include "PictureTextLayout.h"
#include "ReadingOffsets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <utility>

IncomingBrowser::IncomingBrowser(QWidget *parent)
    : QPlainTextEdit(parent)
{
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
        if (const QString link = selectedLink(); !link.isEmpty()) {
            Q_EMIT anchorClicked(QUrl(link));
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool IncomingBrowser::focusNextPrevChild(bool next)
{
    // Tab walks the links on screen first; past the last one it leaves the view.
    if (hasFocus() && selectNextLink(next))
        return true;
    return QPlainTextEdit::focusNextPrevChild(next);
}

QString IncomingBrowser::selectedLink() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return {};
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    const QTextBlock block = document()->findBlock(start);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() == start && fragment.length() == length && fragment.charFormat().isAnchor())
            return fragment.charFormat().anchorHref();
    }
    return {};
}

bool IncomingBrowser::selectNextLink(bool forward)
{
    // Only the links on screen: the view may hold thousands, and Tab must
    // leave it after a screenful, not after every link it holds.
    const int top = firstVisibleBlock().position();
    const int bottom = cursorForPosition(QPoint(viewport()->width() - 1, viewport()->height() - 1)).position();
    const QTextCursor current = textCursor();
    int from = forward ? current.selectionEnd() : current.selectionStart();
    if (from < top || from > bottom)
        from = forward ? top : bottom;
    QTextBlock block = document()->findBlock(from);
    for (; block.isValid(); block = forward ? block.next() : block.previous()) {
        if (forward ? block.position() > bottom : block.position() + block.length() <= top)
            break;
        QList<QTextFragment> fragments;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fragments.append(it.fragment());
        if (!forward)
            std::reverse(fragments.begin(), fragments.end());
        for (const QTextFragment &fragment : fragments) {
            if (!fragment.charFormat().isAnchor())
                continue;
            const bool beyond = forward ? fragment.position() >= from
                                        : fragment.position() + fragment.length() <= from;
            const bool onScreen = fragment.position() >= top && fragment.position() < bottom;
            if (!beyond || !onScreen)
                continue;
            QTextCursor link(document());
            link.setPosition(fragment.position());
            link.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            setTextCursor(link);
            ensureCursorVisible();
            return true;
        }
    }
    return false;
}
