#pragma once

#include <QPlainTextEdit>
#include <QUrl>

// The incoming view's widget. Only what is on screen is ever laid out, so a
// flood of messages costs the document's bookkeeping and no line layout, and
// a view that holds thousands of messages scrolls as fast as one that holds
// few. It shows the document's pictures and links; links open by a click, by
// Tab to reach the next one on screen and Enter to open it, and nothing a
// click does changes the text. A copy, and what a screen reader gets, has
// each picture as its smiley code.
class IncomingBrowser : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit IncomingBrowser(QWidget *parent = nullptr);

Q_SIGNALS:
    void anchorClicked(const QUrl &link);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    // The link the text cursor selects, if its selection is exactly one link.
    QString selectedLink() const;
    bool selectNextLink(bool forward);

    QString m_pressedLink;
    QPoint m_pressedAt;
};
