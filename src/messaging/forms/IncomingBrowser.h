#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QUrl>

// The incoming view's widget. Only what is on screen is ever laid out, so a
// flood of messages costs the document's bookkeeping and no line layout, and
// a view that holds thousands of messages scrolls as fast as one that holds
// few. It shows the document's pictures and links; links open by a click, by
// Tab to reach the next one on screen and Enter to open it, and nothing a
// click does changes the text. A copy, and what a screen reader gets, has
// each picture as its smiley code; a screen reader also finds the links on
// screen as children of the view, each operable on its own.
class IncomingBrowser : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit IncomingBrowser(QWidget *parent = nullptr);

    // Each link shown in the viewport, as a cursor selecting it (first to last).
    QList<QTextCursor> linksOnScreen() const;
    // Marks `link` as reached, as Tab does.
    void reachLink(const QTextCursor &link);
    void openLink(const QTextCursor &link);
    // The href of a cursor's selection when it is exactly one link; empty otherwise.
    static QString linkOf(const QTextCursor &cursor);

Q_SIGNALS:
    void anchorClicked(const QUrl &link);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    bool selectNextLink(bool forward);

    QString m_pressedLink;
    QPoint m_pressedAt;
    // The focus left the view: the next Tab starts again from the first link on screen.
    bool m_linksFromEdge = false;
};
