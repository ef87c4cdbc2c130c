#pragma once

#include <QAccessibleWidget>
#include <QList>

class IncomingBrowser;
class ReadingOffsets;

// The incoming view as a screen reader sees it: read-only text, and the
// links on screen as its children (role Link), each named by its text, with
// its address as description, a Press action that opens it, SetFocus that
// reaches it as Tab does, and the hyperlink interface. The desktop's
// accessibility bus knows no hyperlink interface of Qt's, so links show
// there as children with their action.
class IncomingBrowserAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    // Once per process; the view's constructor calls it.
    static void install();

    explicit IncomingBrowserAccessible(IncomingBrowser *view);
    ~IncomingBrowserAccessible() override;

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    // QAccessibleTextInterface: offsets count each picture as its smiley code.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    IncomingBrowser *view() const;
    ReadingOffsets &offsets() const;
    int endPosition(int end) const;
    // The link interfaces for what is on screen now; those no longer shown are dropped.
    QList<QAccessibleInterface *> links() const;

    mutable QList<QAccessible::Id> m_links;
};
