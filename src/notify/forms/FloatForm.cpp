#include "FloatForm.h"

#include "IniFile.h"
#include "MessageBoxes.h"
#include "SettingKeys.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QWindow>

namespace {

// The bar: bright blue at the top shading to almost black, no white anywhere,
// since white is the colour that is not drawn.
QImage barImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int t = size.height() > 1 ? y * 255 / (size.height() - 1) : 0;
        const QRgb rgb = qRgb(0, 0, 255 - t * 235 / 255);
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, rgb);
    }
    return image;
}

} // namespace

TFloatForm::TFloatForm(const QString &settingsPath, QWidget *parent)
    : QWidget(parent, isPlaceable() ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                    : Qt::Window | Qt::WindowStaysOnTopHint)
    , m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("FloatForm"));
    setWindowTitle(QStringLiteral("Zavolin"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize();
    const IniFile ini(m_settingsPath);
    // Missing keys: the centre of the screen. A stored place is taken as it is, even off screen.
    using SettingKeys::kFloatLeft;
    using SettingKeys::kFloatTop;
    const int left = ini.readInteger(kFloatLeft.section, kFloatLeft.key, screenSize.width() / 2);
    const int top = ini.readInteger(kFloatTop.section, kFloatTop.key, screenSize.height() / 2);
    move(left, top);

    m_ring.setInterval(kIntervalMs);
    connect(&m_ring, &QTimer::timeout, this, &TFloatForm::stepFrame);
    m_onTop.setInterval(kIntervalMs);
    connect(&m_onTop, &QTimer::timeout, this, &TFloatForm::stayOnTop);
    // Re-raising needs a window system that stacks windows: not Wayland (the
    // compositor decides), not offscreen (it would only warn twice a second).
    const QString platform = QGuiApplication::platformName();
    if (isPlaceable() && platform != u"offscreen" && platform != u"minimal")
        m_onTop.start();
}

TFloatForm::~TFloatForm()
{
    try {
        IniFile ini(m_settingsPath);
        ini.beginBatch();
        SettingKeys::kFloatLeft.write(ini, x());
        SettingKeys::kFloatTop.write(ini, y());
        ini.commitBatch();
    } catch (const IniWriteError &error) {
        // The file keeps the old place; the user learns why, as from any save.
        if (!m_atExit)
            MessageBoxes::applicationError(nullptr, QString::fromUtf8(error.what()));
    }
}

bool TFloatForm::isPlaceable()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void TFloatForm::setRinging(bool on)
{
    // Every message rings: restarting a running glyph would hold it on one
    // frame for as long as messages come faster than it steps.
    if (on == m_ring.isActive())
        return;
    if (on)
        m_ring.start();
    else
        m_ring.stop();
    update();
}

void TFloatForm::stopRinging()
{
    m_ring.stop();
    m_frame = 0;
    update();
}

void TFloatForm::stepFrame()
{
    if (!isVisible())
        return;
    m_frame = (m_frame + 1) % 2;
    update();
}

void TFloatForm::stayOnTop()
{
    if (isVisible() && !m_outline)
        raise();
}

QImage TFloatForm::glyphFrame(int frame)
{
    // A telephone; the second frame adds the ringing marks.
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(220, 30, 30));
    p.drawRoundedRect(QRectF(2.5, 8.5, 11, 6), 1.5, 1.5);          // body
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 3), 1.5, 1.5);          // handset
    p.setBrush(QColor(250, 230, 120));
    p.drawEllipse(QRectF(6, 9.5, 4, 4));                          // dial
    if (frame == 1) {
        p.setPen(QPen(QColor(255, 255, 0), 1.2));
        p.drawLine(QPointF(1, 1), QPointF(3, 3));
        p.drawLine(QPointF(15, 1), QPointF(13, 3));
        p.drawLine(QPointF(8, 0), QPointF(8, 2.5));
    }
    return image;
}

void TFloatForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect client = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), QColor(0, 0, 96));
    painter.drawImage(client, barImage(QSize(57, 16)));
    painter.drawImage(QPoint(1 + 2, 1 + (client.height() - 16) / 2), glyphFrame(m_frame));
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::yellow);
    painter.drawText(QRect(1 + 20, 1, client.width() - 20, client.height()), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Zavolin"));
}

void TFloatForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!isPlaceable()) {
        // The compositor moves windows; ask it to.
        if (windowHandle())
            windowHandle()->startSystemMove();
        return;
    }
    m_pressGlobal = event->globalPosition().toPoint();
    if (!m_outline) {
        m_outline = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        m_outline->setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    m_outline->setGeometry(frameGeometry());
    m_outline->show();
}

void TFloatForm::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_outline || !(event->buttons() & Qt::LeftButton))
        return;
    m_outline->setGeometry(frameGeometry().translated(event->globalPosition().toPoint() - m_pressGlobal));
}

void TFloatForm::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_outline)
        return;
    m_outline.reset();
    move(pos() + event->globalPosition().toPoint() - m_pressGlobal);
}

void TFloatForm::hideEvent(QHideEvent *event)
{
    // A bar switched off during a drag ends the drag, and its outline with it.
    m_outline.reset();
    QWidget::hideEvent(event);
}

void TFloatForm::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Q_EMIT doubleClicked();
    // The second press of a double click also starts a drag.
    mousePressEvent(event);
}
