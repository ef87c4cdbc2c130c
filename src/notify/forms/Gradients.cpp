#include "Gradients.h"

#include <cmath>

namespace {

int mulDivRounded(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -c) / 2;
    const long long rounded = product >= 0 ? (product + half) / c : (product - half) / c;
    return static_cast<int>(rounded);
}

int channel(int c1, int c2, long long num, long long den)
{
    return (c1 + static_cast<int>((c2 - c1) * num / den)) & 0xFF;
}

} // namespace

namespace Gradients {

QColor popupRow(const QColor &from, const QColor &to, int y, int h)
{
    if (h <= 0)
        return from;
    auto step = [y, h](int c1, int c2) { return (c1 + mulDivRounded(y, c2 - c1, h)) & 0xFF; };
    return QColor(step(from.red(), to.red()), step(from.green(), to.green()), step(from.blue(), to.blue()));
}

QImage popup(const QSize &size, const QColor &from, const QColor &to)
{
    QImage image(size, QImage::Format_RGB32);
    const int h = size.height();
    for (int y = 0; y < h; ++y) {
        const QRgb rgb = popupRow(from, to, y, h).rgb();
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line, line + size.width(), rgb);
    }
    return image;
}

QImage menu(const QSize &size, const QColor &from, const QColor &to, Direction direction)
{
    QImage image(size, QImage::Format_RGB32);
    const int w = qMax(1, size.width());
    const int h = qMax(1, size.height());
    if (from == to) {
        image.fill(from);
        return image;
    }
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            long long num = 0;
            long long den = 1;
            switch (direction) {
            case Direction::Horizontal:
                num = x, den = w;
                break;
            case Direction::Vertical:
                num = y, den = h;
                break;
            case Direction::DiagonalLeftRight:
            case Direction::DiagonalRightLeft: {
                const int dx = direction == Direction::DiagonalLeftRight ? x : w - 1 - x;
                num = static_cast<long long>((double(y) / h + double(dx) / w) * 512.0);
                den = 1024;
                break;
            }
            }
            line[x] = qRgb(channel(from.red(), to.red(), num, den), channel(from.green(), to.green(), num, den),
                           channel(from.blue(), to.blue(), num, den));
        }
    }
    return image;
}

} // namespace Gradients
