#include "FileDropTarget.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

FileDropTarget::FileDropTarget(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
}

void FileDropTarget::watch(QWidget *widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

QStringList FileDropTarget::localPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (localPaths(drag->mimeData()).isEmpty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = localPaths(drop->mimeData());
        if (paths.isEmpty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        m_handler(watched, drop->position().toPoint(), paths);
        return true;
    }
    default:
        return false;
    }
}
