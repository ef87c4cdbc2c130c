#include "WindowPlacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

constexpr char kPlaced[] = "zavolinPlaced";

QMargins frameOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (frame == inner && !window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return WindowPlacement::kAssumedFrame;
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

QRect areaAt(const QPoint &point)
{
    const QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool isFramedWindow(const QWidget *window)
{
    const Qt::WindowType type = window->windowType();
    return (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool)
           && !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// Moves (and, where it may, shrinks) a window so that its frame lies in `area`.
void placeWithin(QWidget *window, const QRect &area)
{
    if (area.isEmpty())
        return;
    // pos() is the frame's corner, as move() takes it.
    const QMargins frame = frameOf(window);
    const QRect outer(window->pos(), window->size().grownBy(frame));
    const QRect inside = WindowPlacement::fitted(outer, area);
    if (inside == outer)
        return;
    const QSize room = inside.marginsRemoved(frame).size();
    if (window->minimumSize() == window->maximumSize() && room != window->size()) {
        // A fixed-size window larger than the screen is fixed at the screen's size
        // instead: its layout gives up room before the user loses its buttons.
        window->setFixedSize(room.expandedTo(window->minimumSizeHint()));
    } else {
        const QSize client = room.expandedTo(window->minimumSize());
        if (client != window->size())
            window->resize(client);
    }
    window->move(inside.topLeft());
}

class FirstShow : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || !isFramedWindow(window) || window->property(kPlaced).toBool())
            return false;
        window->setProperty(kPlaced, true);
        // Maximised and full-screen windows are the window system's to place.
        if (!(window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            placeWithin(window, areaAt(window->frameGeometry().center()));
        return false;
    }
};

} // namespace

namespace WindowPlacement {

QRect fitted(const QRect &frame, const QRect &area)
{
    QRect result(frame.topLeft(), frame.size().boundedTo(area.size()));
    result.moveLeft(std::clamp(result.left(), area.left(), area.right() + 1 - result.width()));
    result.moveTop(std::clamp(result.top(), area.top(), area.bottom() + 1 - result.height()));
    return result;
}

void install()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    qApp->installEventFilter(new FirstShow(qApp));
}

void centreOn(QWidget *window, const QWidget *owner, QSize wanted)
{
    const QWidget *ownerWindow = owner ? owner->window() : nullptr;
    const bool onOwner = ownerWindow && ownerWindow->isVisible();
    const QPoint centre = onOwner ? ownerWindow->frameGeometry().center() : QPoint();
    const QRect area = onOwner ? areaAt(centre) : areaAt(QPoint());
    if (area.isEmpty()) {
        window->resize(wanted);
        return;
    }
    const QMargins frame = frameOf(window);
    const QSize room = area.marginsRemoved(frame).size();
    const QSize client = wanted.boundedTo(room).expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize());
    QRect outer(QPoint(), client.grownBy(frame));
    outer.moveCenter(onOwner ? centre : area.center());
    window->resize(client);
    window->move(fitted(outer, area).topLeft());
    window->setProperty(kPlaced, true);
}

} // namespace WindowPlacement
