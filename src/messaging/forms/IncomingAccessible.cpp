#include "IncomingAccessible.h"

#include "IncomingBrowser.h"
#include "IncomingText.h"
#include "ReadingOffsets.h"

#include <QAccessibleWidget>
#include <QTextDocument>

#include <algorithm>

namespace {

class ViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ViewAccessible(IncomingBrowser *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return IncomingText::between(*document(), 0, document()->characterCount());
        return QAccessibleWidget::text(t);
    }

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        const QTextCursor cursor = view()->textCursor();
        if (index != 0 || !cursor.hasSelection())
            return;
        *start = offsets().toReading(cursor.selectionStart());
        *end = offsets().toReading(cursor.selectionEnd());
    }

    int selectionCount() const override { return view()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }

    void removeSelection(int index) override
    {
        if (index != 0)
            return;
        QTextCursor cursor = view()->textCursor();
        cursor.clearSelection();
        view()->setTextCursor(cursor);
    }

    void setSelection(int index, int start, int end) override
    {
        if (index != 0)
            return;
        QTextCursor cursor = view()->textCursor();
        cursor.setPosition(offsets().toDocument(start));
        cursor.setPosition(endPosition(end), QTextCursor::KeepAnchor);
        view()->setTextCursor(cursor);
    }

    int cursorPosition() const override { return offsets().toReading(view()->textCursor().position()); }

    void setCursorPosition(int position) override
    {
        QTextCursor cursor = view()->textCursor();
        cursor.setPosition(offsets().toDocument(position));
        view()->setTextCursor(cursor);
    }

    QString text(int start, int end) const override
    {
        start = std::clamp(start, 0, characterCount());
        end = std::clamp(end, start, characterCount());
        int skip = 0;
        const int from = offsets().toDocument(start, &skip);
        return IncomingText::between(*document(), from, endPosition(end)).mid(skip, end - start);
    }

    int characterCount() const override { return offsets().toReading(document()->characterCount() - 1); }

    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(document());
        const int position = offsets().toDocument(offset);
        cursor.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
        QRect rect = view()->cursorRect(cursor);
        if (position + 1 < document()->characterCount()) {
            cursor.setPosition(position + 1);
            const QRect next = view()->cursorRect(cursor);
            if (next.top() == rect.top() && next.left() > rect.left())
                rect.setRight(next.left() - 1);
        }
        return rect.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(local))
            return -1;
        return offsets().toReading(view()->cursorForPosition(local).position());
    }

    // The view scrolls by its caret only; moving it for a reader would lose the user's place.
    void scrollToSubstring(int, int) override {}

    QString attributes(int, int *start, int *end) const override
    {
        // One run without attributes of its own: the view shows all text alike.
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    IncomingBrowser *view() const { return static_cast<IncomingBrowser *>(widget()); }
    QTextDocument *document() const { return view()->document(); }
    ReadingOffsets &offsets() const { return *ReadingOffsets::of(document()); }

    // An end inside a picture's code takes in the whole picture.
    int endPosition(int end) const
    {
        int into = 0;
        const int position = offsets().toDocument(end, &into);
        return into > 0 ? position + 1 : position;
    }
};

QAccessibleInterface *factory(const QString &key, QObject *object)
{
    if (key == u"IncomingBrowser")
        return new ViewAccessible(static_cast<IncomingBrowser *>(object));
    return nullptr;
}

// What the toolkit would tell of a change, in the offsets and the text the
// reader gets. The reader asks for the caret and the selection itself, so
// those events need no change.
void announce(IncomingBrowser *view, int from, int removed, int added)
{
    if (!QAccessible::isActive())
        return;
    QTextDocument &document = *view->document();
    ReadingOffsets &offsets = *ReadingOffsets::of(&document);
    const int at = offsets.toReading(from);
    const QString gone(offsets.lastRemovedLength(), u' '); // what went is no longer there to tell
    if (removed == 0) {
        QAccessibleTextInsertEvent event(view, at, IncomingText::between(document, from, from + added));
        QAccessible::updateAccessibility(&event);
    } else if (added == 0) {
        QAccessibleTextRemoveEvent event(view, at, gone);
        QAccessible::updateAccessibility(&event);
    } else {
        QAccessibleTextUpdateEvent event(view, at, gone, IncomingText::between(document, from, from + added));
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

namespace IncomingAccessible {

void attach(IncomingBrowser *view)
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
    // One asked for while the widget was still being built is the toolkit's plain one.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(view);
    if (made && !dynamic_cast<ViewAccessible *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    // The widget's text control tells of every change in document positions
    // with U+FFFC for each picture; it is told here instead, once that
    // control no longer does.
    QTextDocument *document = view->document();
    bool replaced = false;
    for (QObject *child : view->findChildren<QObject *>(Qt::FindDirectChildrenOnly)) {
        if (child->inherits("QWidgetTextControl"))
            replaced = QObject::disconnect(document, &QTextDocument::contentsChange, child, nullptr) || replaced;
    }
    if (replaced) {
        QObject::connect(document, &QTextDocument::contentsChange, view,
                         [view](int from, int removed, int added) { announce(view, from, removed, added); });
    }
}

} // namespace IncomingAccessible
