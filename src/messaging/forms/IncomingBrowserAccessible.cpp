#include "IncomingBrowserAccessible.h"

#include "IncomingText.h"
#include "ReadingOffsets.h"

#include "IncomingBrowser.h"

#include <QPointer>
#include <QTextDocument>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

// One link of the view; it follows its text as the document changes and is
// invalid once that text has left the view.
class LinkAccessible : public QAccessibleInterface,
                       public QAccessibleActionInterface,
                       public QAccessibleHyperlinkInterface
{
public:
    LinkAccessible(IncomingBrowser *view, const QTextCursor &link)
        : m_view(view)
        , m_link(link)
    {
    }

    int start() const { return m_link.selectionStart(); }
    int end() const { return m_link.selectionEnd(); }

    bool isValid() const override { return m_view && !IncomingBrowser::linkOf(m_link).isEmpty(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return m_link.selectedText();
        case QAccessible::Description:
        case QAccessible::Value:
            return IncomingBrowser::linkOf(m_link);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return {};
        QTextCursor first(m_link.document());
        first.setPosition(start());
        QTextCursor last(m_link.document());
        last.setPosition(end());
        const QRect area = m_view->cursorRect(first).united(m_view->cursorRect(last));
        return QRect(m_view->viewport()->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::Role role() const override { return QAccessible::Link; }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QTextCursor reached = m_view->textCursor();
        const bool here = reached.selectionStart() == start() && reached.selectionEnd() == end();
        s.focusable = true;
        s.selectable = true;
        s.linked = true;
        s.selected = here;
        s.focused = here && m_view->hasFocus();
        s.invisible = !m_view->isVisible();
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        if (type == QAccessible::HyperlinkInterface)
            return static_cast<QAccessibleHyperlinkInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    QStringList keyBindingsForAction(const QString &actionName) const override
    {
        return actionName == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList();
    }
    void doAction(const QString &actionName) override
    {
        if (!isValid())
            return;
        if (actionName == pressAction()) {
            m_view->openLink(m_link);
        } else if (actionName == setFocusAction()) {
            m_view->setFocus(Qt::OtherFocusReason);
            m_view->reachLink(m_link);
        }
    }

    QString anchor() const override { return text(QAccessible::Name); }
    QString anchorTarget() const override { return IncomingBrowser::linkOf(m_link); }
    int startIndex() const override { return start(); }
    int endIndex() const override { return end(); }

private:
    QPointer<IncomingBrowser> m_view;
    QTextCursor m_link;
};

QAccessibleInterface *factory(const QString &key, QObject *object)
{
    if (key == u"IncomingBrowser")
        return new IncomingBrowserAccessible(static_cast<IncomingBrowser *>(object));
    return nullptr;
}

} // namespace

void IncomingBrowserAccessible::install()
{
    static bool installed = false;
    if (!std::exchange(installed, true))
        QAccessible::installFactory(factory);
}

IncomingBrowserAccessible::IncomingBrowserAccessible(IncomingBrowser *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

IncomingBrowserAccessible::~IncomingBrowserAccessible()
{
    for (QAccessible::Id id : std::as_const(m_links))
        QAccessible::deleteAccessibleInterface(id);
}

IncomingBrowser *IncomingBrowserAccessible::view() const
{
    return static_cast<IncomingBrowser *>(widget());
}

QAccessible::State IncomingBrowserAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.editable = false;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString IncomingBrowserAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return text(0, characterCount());
    return QAccessibleWidget::text(t);
}

void *IncomingBrowserAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QList<QAccessibleInterface *> IncomingBrowserAccessible::links() const
{
    QList<QAccessible::Id> kept;
    QList<QAccessibleInterface *> shown;
    for (const QTextCursor &link : view()->linksOnScreen()) {
        QAccessible::Id found = 0;
        for (QAccessible::Id id : std::as_const(m_links)) {
            auto *known = static_cast<LinkAccessible *>(QAccessible::accessibleInterface(id));
            if (known && known->start() == link.selectionStart() && known->end() == link.selectionEnd()) {
                found = id;
                break;
            }
        }
        if (!found)
            found = QAccessible::registerAccessibleInterface(new LinkAccessible(view(), link));
        kept.append(found);
        shown.append(QAccessible::accessibleInterface(found));
    }
    // Links scrolled away are made anew when they come back.
    for (QAccessible::Id id : std::as_const(m_links)) {
        if (!kept.contains(id))
            QAccessible::deleteAccessibleInterface(id);
    }
    m_links = kept;
    return shown;
}

int IncomingBrowserAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + int(links().size());
}

QAccessibleInterface *IncomingBrowserAccessible::child(int index) const
{
    const int own = QAccessibleWidget::childCount();
    if (index < own)
        return QAccessibleWidget::child(index);
    return links().value(index - own);
}

int IncomingBrowserAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (child && child->role() == QAccessible::Link && !child->object()) {
        const qsizetype at = links().indexOf(const_cast<QAccessibleInterface *>(child));
        return at < 0 ? -1 : QAccessibleWidget::childCount() + int(at);
    }
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface *IncomingBrowserAccessible::childAt(int x, int y) const
{
    for (QAccessibleInterface *link : links()) {
        if (link->rect().contains(x, y))
            return link;
    }
    return QAccessibleWidget::childAt(x, y);
}

// Offsets count the text a reader gets, each picture as its smiley code (ReadingOffsets).
void IncomingBrowserAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    const QTextCursor cursor = view()->textCursor();
    if (selectionIndex != 0 || !cursor.hasSelection())
        return;
    *startOffset = offsets().toReading(cursor.selectionStart());
    *endOffset = offsets().toReading(cursor.selectionEnd());
}

int IncomingBrowserAccessible::selectionCount() const
{
    return view()->textCursor().hasSelection() ? 1 : 0;
}

void IncomingBrowserAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void IncomingBrowserAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex != 0)
        return;
    QTextCursor cursor = view()->textCursor();
    cursor.clearSelection();
    view()->setTextCursor(cursor);
}

void IncomingBrowserAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const int count = characterCount();
    QTextCursor cursor(view()->document());
    cursor.setPosition(offsets().toDocument(std::clamp(startOffset, 0, count)));
    cursor.setPosition(endPosition(std::clamp(endOffset, 0, count)), QTextCursor::KeepAnchor);
    view()->setTextCursor(cursor);
}

int IncomingBrowserAccessible::cursorPosition() const
{
    return offsets().toReading(view()->textCursor().position());
}

void IncomingBrowserAccessible::setCursorPosition(int position)
{
    QTextCursor cursor(view()->document());
    cursor.setPosition(offsets().toDocument(std::clamp(position, 0, characterCount())));
    view()->setTextCursor(cursor);
    view()->ensureCursorVisible();
}

QString IncomingBrowserAccessible::text(int startOffset, int endOffset) const
{
    const int start = std::clamp(startOffset, 0, characterCount());
    const int end = std::clamp(endOffset, start, characterCount());
    int skip = 0;
    const int from = offsets().toDocument(start, &skip);
    return IncomingText::between(*view()->document(), from, endPosition(end)).mid(skip, end - start);
}

int IncomingBrowserAccessible::characterCount() const
{
    // Without the document's closing separator.
    return offsets().toReading(view()->document()->characterCount() - 1);
}

QRect IncomingBrowserAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset >= characterCount())
        return {};
    QTextCursor at(view()->document());
    at.setPosition(offsets().toDocument(offset));
    QRect area = view()->cursorRect(at);
    QTextCursor next = at;
    next.movePosition(QTextCursor::NextCharacter);
    const QRect after = view()->cursorRect(next);
    const int width = after.top() == area.top() ? after.left() - area.left()
                                                : view()->fontMetrics().averageCharWidth();
    area.setWidth(std::max(1, width));
    return QRect(view()->viewport()->mapToGlobal(area.topLeft()), area.size());
}

int IncomingBrowserAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(local))
        return -1;
    return offsets().toReading(view()->cursorForPosition(local).position());
}

void IncomingBrowserAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    setSelection(0, startIndex, endIndex);
    view()->ensureCursorVisible();
}

QString IncomingBrowserAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    Q_UNUSED(offset);
    // One run without attributes of its own: the view shows all text alike.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

ReadingOffsets &IncomingBrowserAccessible::offsets() const
{
    return *ReadingOffsets::of(view()->document());
}

int IncomingBrowserAccessible::endPosition(int end) const
{
    // An end inside a picture's code takes in the whole picture.
    int into = 0;
    const int position = offsets().toDocument(end, &into);
    return into > 0 ? position + 1 : position;
}
