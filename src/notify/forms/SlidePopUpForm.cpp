#include "SlidePopUpForm.h"

#include "Gradients.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kBevel = 2;
constexpr int kStripHeight = 3;
constexpr int kTextMargin = 15;

// Coloured bands along the bottom of the popup.
QImage strip(int width)
{
    static const QColor bands[] = {QColor(255, 0, 0), QColor(255, 160, 0), QColor(255, 255, 0),
                                   QColor(0, 200, 0), QColor(0, 160, 255), QColor(128, 0, 255)};
    QImage image(qMax(1, width), kStripHeight, QImage::Format_RGB32);
    const int count = int(std::size(bands));
    for (int x = 0; x < image.width(); ++x) {
        const QRgb rgb = bands[x * count / image.width()].rgb();
        for (int y = 0; y < kStripHeight; ++y)
            image.setPixel(x, y, rgb);
    }
    return image;
}

} // namespace

TfrmSlidePopUp::TfrmSlidePopUp(const PopupLook &look, PanelEdge edge, const QRect &workArea, int offset)
    // A tooltip-type window: no taskbar button, placed where we say without the
    // window manager's say, and never activated, so the focus stays put.
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_look(look)
    , m_motion(edge, workArea,
               {look.size, look.startGap, offset, look.scrollSpeed, look.timeOutSeconds * 1000, look.slideIn})
    , m_offset(offset)
{
    setObjectName(QStringLiteral("TfrmSlidePopUp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(m_look.title);
    // The text is painted: a screen reader reads it here, and Ctrl+Q reaches the message.
    setAccessibleDescription(m_look.text);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TfrmSlidePopUp::onTimer);
    renderBackground();
}

QRect TfrmSlidePopUp::textRect() const
{
    const QSize panel = m_look.size;
    const int width = qMax(1, panel.width() - kTextMargin);
    const QFontMetrics metrics(m_look.font);
    const QRect bound = metrics.boundingRect(QRect(0, 0, width, 100000),
                                             int(m_look.textAlignment) | Qt::TextWordWrap, m_look.text);
    const int height = bound.height();
    // Halves round to even, as the layout rounds them.
    const int left = int(std::nearbyint((panel.width() - width) / 2.0));
    const int top = int(std::nearbyint((panel.height() - height) / 2.0));
    return QRect(left, top, width, height);
}

void TfrmSlidePopUp::start()
{
    setGeometry(m_motion.geometry());
    if (m_motion.phase() != SlideMotion::Phase::Done) {
        m_armedMs = m_motion.msUntilNextChange();
        m_timer.start(m_armedMs);
    }
    show();
}

void TfrmSlidePopUp::onTimer()
{
    m_motion.advance(m_armedMs);
    if (m_motion.phase() == SlideMotion::Phase::Done) {
        close();
        return;
    }
    setGeometry(m_motion.geometry());
    m_armedMs = m_motion.msUntilNextChange();
    m_timer.start(m_armedMs);
}

void TfrmSlidePopUp::renderBackground()
{
    const QSize size = m_look.size;
    m_background = QImage(size, QImage::Format_RGB32);
    m_background.fill(palette().color(QPalette::Window));
    QPainter painter(&m_background);
    const QRect inner(kBevel, kBevel, size.width() - 2 * kBevel, size.height() - 2 * kBevel);
    painter.drawImage(inner.topLeft(), Gradients::popup(inner.size(), m_look.gradientFrom, m_look.gradientTo));
    // A lowered bevel around the panel.
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, size.width() - 1, 0);
    painter.drawLine(0, 0, 0, size.height() - 1);
    painter.setPen(QColor(64, 64, 64));
    painter.drawLine(1, 1, size.width() - 2, 1);
    painter.drawLine(1, 1, 1, size.height() - 2);
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
    painter.drawLine(size.width() - 1, 0, size.width() - 1, size.height() - 1);
    painter.setPen(QColor(212, 208, 200));
    painter.drawLine(1, size.height() - 2, size.width() - 2, size.height() - 2);
    painter.drawLine(size.width() - 2, 1, size.width() - 2, size.height() - 2);
    painter.drawImage(QRect(inner.left(), inner.bottom() - kStripHeight + 1, inner.width(), kStripHeight),
                      strip(138));

    int titleLeft = 48;
    if (m_look.icon.isNull())
        titleLeft = 8;
    else
        painter.drawPixmap(inner.topLeft() + m_look.iconPos, m_look.icon);
    painter.setFont(m_look.titleFont);
    painter.setPen(m_look.titleColor);
    painter.drawText(QRect(titleLeft, 8, size.width() - titleLeft - kBevel, QFontMetrics(m_look.titleFont).height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_look.title);
    painter.setFont(m_look.font);
    painter.setPen(m_look.textColor);
    painter.setClipRect(inner);
    painter.drawText(textRect(), int(m_look.textAlignment) | Qt::TextWordWrap, m_look.text);
}

void TfrmSlidePopUp::paintEvent(QPaintEvent *)
{
    // The content stays at the window's top-left corner while the window grows.
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
}

void TfrmSlidePopUp::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    Q_EMIT clicked();
    // A left click on the text also ends this popup.
    if (event->button() == Qt::LeftButton && textRect().contains(event->position().toPoint()) && isVisible())
        close();
}
