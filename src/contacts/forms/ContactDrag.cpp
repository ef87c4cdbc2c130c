#include "ContactDrag.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

QString ContactDrag::mimeType()
{
    return u"application/x-zavolin-contact"_s;
}

QMimeData *ContactDrag::mimeDataFor(const QString &displayName)
{
    auto *data = new QMimeData;
    data->setData(mimeType(), displayName.toUtf8());
    data->setText(displayName);
    return data;
}

std::optional<QString> ContactDrag::displayNameFrom(const QMimeData *data)
{
    if (!data || !data->hasFormat(mimeType()))
        return std::nullopt;
    return QString::fromUtf8(data->data(mimeType()));
}

ContactDrag::ContactDrag(QAbstractItemView *list, QObject *parent)
    : QObject(parent)
    , m_list(list)
{
    if (!m_list)
        return;
    m_wasDragEnabled = m_list->dragEnabled();
    m_list->setDragEnabled(true);
    // The view's own drag needs draggable items, which the contact model does
    // not offer; the filter starts the drag before the view sees the move.
    m_list->viewport()->installEventFilter(this);
}

ContactDrag::~ContactDrag()
{
    if (!m_list)
        return;
    m_list->viewport()->removeEventFilter(this);
    m_list->setDragEnabled(m_wasDragEnabled);
}

bool ContactDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_list || watched != m_list->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_pressPos = mouse->position().toPoint();
            m_pressedRow = m_list->indexAt(m_pressPos).row();
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_pressedRow = -1;
        return false;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (m_pressedRow < 0 || !(mouse->buttons() & Qt::LeftButton))
            return false;
        if ((mouse->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return false;
        const int row = m_pressedRow;
        m_pressedRow = -1;
        startDrag(row);
        return true;
    }
    default:
        return false;
    }
}

void ContactDrag::startDrag(int row)
{
    const QModelIndex index = m_list->model() ? m_list->model()->index(row, 0) : QModelIndex();
    if (!index.isValid())
        return;
    const QString name = index.data(Qt::DisplayRole).toString();
    Q_EMIT dragStarting(name);
    auto *drag = new QDrag(m_list.data());
    drag->setMimeData(mimeDataFor(name));
    // Qt offers no drag without its own loop; the loop keeps dispatching events.
    drag->exec(Qt::CopyAction);
}
