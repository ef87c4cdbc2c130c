#include "SettingsFormFontDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QPixmap>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct NamedColor
{
    QRgb rgb;
    const char *name; // translated at use
};

constexpr NamedColor kBasicColors[] = {
    {0x000000, QT_TRANSLATE_NOOP("FontColorDialog", "Черный")},
    {0x800000, QT_TRANSLATE_NOOP("FontColorDialog", "Бордовый")},
    {0x008000, QT_TRANSLATE_NOOP("FontColorDialog", "Зеленый")},
    {0x808000, QT_TRANSLATE_NOOP("FontColorDialog", "Оливковый")},
    {0x000080, QT_TRANSLATE_NOOP("FontColorDialog", "Темно-синий")},
    {0x800080, QT_TRANSLATE_NOOP("FontColorDialog", "Фиолетовый")},
    {0x008080, QT_TRANSLATE_NOOP("FontColorDialog", "Сине-зеленый")},
    {0x808080, QT_TRANSLATE_NOOP("FontColorDialog", "Серый")},
    {0xC0C0C0, QT_TRANSLATE_NOOP("FontColorDialog", "Серебристый")},
    {0xFF0000, QT_TRANSLATE_NOOP("FontColorDialog", "Красный")},
    {0x00FF00, QT_TRANSLATE_NOOP("FontColorDialog", "Лайм")},
    {0xFFFF00, QT_TRANSLATE_NOOP("FontColorDialog", "Желтый")},
    {0x0000FF, QT_TRANSLATE_NOOP("FontColorDialog", "Синий")},
    {0xFF00FF, QT_TRANSLATE_NOOP("FontColorDialog", "Фуксия")},
    {0x00FFFF, QT_TRANSLATE_NOOP("FontColorDialog", "Морская волна")},
    {0xFFFFFF, QT_TRANSLATE_NOOP("FontColorDialog", "Белый")},
};

QIcon swatch(const QColor &color)
{
    QPixmap pixmap(24, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

FontColorDialog::FontColorDialog(const QFont &font, const QColor &color, QWidget *parent)
    : QDialog(parent)
    , m_fontPicker(new QFontDialog(this))
    , m_colorBox(new QComboBox(this))
{
    setObjectName(u"FontColorDialog"_s);
    setWindowTitle(tr("Шрифт"));

    // Embedded: the outer dialog owns the buttons and the Enter and Esc keys.
    m_fontPicker->setObjectName(u"FontPicker"_s);
    m_fontPicker->setWindowFlags(Qt::Widget);
    m_fontPicker->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fontPicker->installEventFilter(this);

    m_colorBox->setObjectName(u"FontColorBox"_s);
    for (const NamedColor &named : kBasicColors) {
        const QColor basic = QColor::fromRgb(named.rgb);
        m_colorBox->addItem(swatch(basic), tr(named.name), basic);
    }

    auto *colorLabel = new QLabel(tr("Цвет:"), this);
    colorLabel->setBuddy(m_colorBox);
    auto *colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colorBox);
    colorRow->addStretch();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fontPicker);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);

    setCurrentFont(font);
    setCurrentColor(color);
}

QFont FontColorDialog::currentFont() const
{
    return m_fontPicker->currentFont();
}

QColor FontColorDialog::currentColor() const
{
    return m_colorBox->currentData().value<QColor>();
}

void FontColorDialog::setCurrentFont(const QFont &font)
{
    m_fontPicker->setCurrentFont(font);
}

void FontColorDialog::setCurrentColor(const QColor &color)
{
    int index = m_colorBox->findData(color);
    if (index < 0) {
        m_colorBox->addItem(swatch(color), color.name(), color);
        index = m_colorBox->count() - 1;
    }
    m_colorBox->setCurrentIndex(index);
}

QList<QColor> FontColorDialog::basicColors()
{
    QList<QColor> colors;
    for (const NamedColor &named : kBasicColors)
        colors.append(QColor::fromRgb(named.rgb));
    return colors;
}

bool FontColorDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The embedded picker is a dialog itself: left alone, Esc would hide just
    // the picker and Enter would end nowhere.
    if (watched == m_fontPicker && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                accept();
                return true;
            case Qt::Key_Escape:
                reject();
                return true;
            default:
                break;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
