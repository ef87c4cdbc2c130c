#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

class QMimeData;

// Takes files and folders dropped on the widgets it watches: drags that
// carry local files are accepted there, and the drop hands their paths to
// the handler with the widget and the drop position. Drags without local
// files (text) go on to the widget, which treats them as it treats a paste.
class FileDropTarget : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(QObject *watched, const QPoint &position, const QStringList &paths)>;

    FileDropTarget(Handler handler, QObject *parent = nullptr);
    // Watches `widget` and lets it accept drops.
    void watch(QWidget *widget);

    // The local files and folders a drag carries, in its order.
    static QStringList localPaths(const QMimeData *mime);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
