#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>

// What a popup looks like and how it behaves; a popup copies it when it is
// created, so later changes reach only the next one.
struct PopupLook
{
    QString text = QStringLiteral("text");
    QString title = QStringLiteral("title");
    QPixmap icon;
    QPoint iconPos{8, 8};
    int timeOutSeconds = 10;
    QSize size{148, 121};
    QColor gradientFrom{153, 204, 255};
    QColor gradientTo{Qt::white};
    int scrollSpeed = 9;
    QFont font;
    QColor textColor{Qt::black};
    QFont titleFont;
    QColor titleColor{Qt::black};
    Qt::Alignment textAlignment = Qt::AlignLeft;
    QPoint startGap{16, 2};
    int marge = 2;
    bool cascade = true;
    bool slideIn = true;
};
