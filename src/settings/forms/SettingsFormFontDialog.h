#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

// Qt's font dialog offers no text colour; this one adds the sixteen basic
// colours of the classic font dialog under it. Opened with open(); read
// currentFont() and currentColor() once it is accepted.
class FontColorDialog : public QDialog
{
    Q_OBJECT

public:
    FontColorDialog(const QFont &font, const QColor &color, QWidget *parent = nullptr);

    QFont currentFont() const;
    QColor currentColor() const;
    void setCurrentFont(const QFont &font);
    // A colour outside the basic sixteen is added to the list.
    void setCurrentColor(const QColor &color);

    // The colours the list offers, in order.
    static QList<QColor> basicColors();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QFontDialog *m_fontPicker;
    QComboBox *m_colorBox;
};
