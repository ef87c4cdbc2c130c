#pragma once

#include <QAbstractItemView>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <optional>

class QMimeData;

// Dragging entries out of the main contact list while the blacklist window is
// open. The drag carries the display name of the entry it started on; a drop
// target also checks that the drag came from this list.
class ContactDrag : public QObject
{
    Q_OBJECT

public:
    static QString mimeType();
    // Owned by the caller (QDrag takes it).
    static QMimeData *mimeDataFor(const QString &displayName);
    static std::optional<QString> displayNameFrom(const QMimeData *data);

    // Switches the list to dragging at once; the destructor switches it back.
    // The list's model must hold display names in Qt::DisplayRole.
    explicit ContactDrag(QAbstractItemView *list, QObject *parent = nullptr);
    ~ContactDrag() override;

    // What QDropEvent::source() reports for a drag started here.
    QAbstractItemView *dragSource() const { return m_list; }

Q_SIGNALS:
    // Before the drag runs; the platform's drag loop follows.
    void dragStarting(const QString &displayName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startDrag(int row);

    QPointer<QAbstractItemView> m_list;
    bool m_wasDragEnabled = false;
    QPoint m_pressPos;
    int m_pressedRow = -1;
};
