#include "TrustMarks.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

namespace TrustMarks {

QString words(TrustLevel level)
{
    switch (level) {
    case TrustLevel::Compared:
        return QCoreApplication::translate("TrustMarks", "зашифровано; ключ сверен");
    case TrustLevel::FirstUse:
        return QCoreApplication::translate("TrustMarks", "зашифровано; ключ не сверен");
    case TrustLevel::Open:
        break;
    }
    return QCoreApplication::translate("TrustMarks", "без шифрования");
}

void paint(QPainter &painter, const QRect &box, TrustLevel level)
{
    const QColor colour = level == TrustLevel::Compared   ? QColor(0x1f, 0x8a, 0x3c)
                          : level == TrustLevel::FirstUse ? QColor(0xc0, 0x7a, 0x00)
                                                          : QColor(0x86, 0x86, 0x86);
    const bool open = level == TrustLevel::Open;
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal pen = std::max<qreal>(1.5, w / 8);
    const QRectF body(box.left() + w * 0.12, box.top() + h * 0.52, w * 0.76, h * 0.45);
    const qreal left = body.left() + w * 0.24;
    const qreal right = body.right() - w * 0.24;
    const qreal radius = (right - left) / 2;
    // An open padlock's shackle is lifted: its left leg still in the body, the right one out.
    const qreal archY = body.top() - h * 0.16 - (open ? h * 0.14 : 0);
    QPainterPath shackle;
    shackle.moveTo(left, body.top());
    shackle.lineTo(left, archY);
    shackle.arcTo(QRectF(left, archY - radius, 2 * radius, 2 * radius), 180, -180);
    shackle.lineTo(right, open ? archY + h * 0.08 : body.top());

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, pen, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);
    painter.setPen(QPen(colour.darker(140), 1));
    painter.setBrush(colour);
    painter.drawRoundedRect(body, 1.5, 1.5);
    if (level == TrustLevel::Compared) {
        painter.setPen(QPen(Qt::white, std::max<qreal>(1.5, w / 9), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(body.left() + body.width() * 0.25, body.center().y());
        tick.lineTo(body.left() + body.width() * 0.45, body.bottom() - body.height() * 0.22);
        tick.lineTo(body.right() - body.width() * 0.22, body.top() + body.height() * 0.22);
        painter.drawPath(tick);
    }
    painter.restore();
}

QPixmap pixmap(TrustLevel level, int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    paint(painter, picture.rect(), level);
    return picture;
}

} // namespace TrustMarks
