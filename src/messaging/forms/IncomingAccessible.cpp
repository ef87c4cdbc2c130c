#include "IncomingAccessible.h"

#include "IncomingBrowser.h"
#include "IncomingBrowserAccessible.h"
#include "IncomingText.h"
#include "ReadingOffsets.h"

#include <QAccessibleWidget>
#include <QTextDocument>

#include <algorithm>

namespace {

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
    // One asked for while the widget was still being built is the toolkit's plain one.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(view);
    if (made && !dynamic_cast<IncomingBrowserAccessible *>(made))
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
