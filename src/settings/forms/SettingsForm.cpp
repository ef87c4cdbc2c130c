#include "SettingsForm.h"

#include "IniFile.h"
#include "InterfaceLanguage.h"
#include "OptionsStore.h"
#include "SettingKeys.h"
#include "SettingsFormFontDialog.h"
#include "SettingsFormSecondsEdit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPageCount = 6;
constexpr int kPageListItemHeight = 15;
constexpr int kDefaultMenuStyle = SettingKeys::kMenuStyle.fallback;
constexpr int kMenuStyleCount = 3;

const QString kNoFolder = SettingKeys::kNoFolder.toString();

enum class Page { General, Notice, Message, Look, Sound, Files };

// Where an option's box stands: its page, and the section of the page for
// pages where other controls come between boxes (on the notice page the
// seconds field stands between sections 0 and 1).
struct OptionRow
{
    Option option;
    const char *text; // translated at use
    Page page;
    int section = 0;
    // The text wraps in a label beside the box instead of being its caption.
    bool wrapped = false;
};

// The boxes in the order they appear.
constexpr OptionRow kOptionRows[] = {
    {Option::Autostart, QT_TRANSLATE_NOOP("TSettingsForm", "Поместить программу в группу автозапуска"), Page::General},
    {Option::HideAtStart, QT_TRANSLATE_NOOP("TSettingsForm", "Скрывать при запуске"), Page::General},
    {Option::History, QT_TRANSLATE_NOOP("TSettingsForm", "Вести историю сообщений"), Page::General},
    {Option::HotKeys, QT_TRANSLATE_NOOP("TSettingsForm", "Включить глобальные 'горячие клавиши'"), Page::General},
    {Option::HideOnClose, QT_TRANSLATE_NOOP("TSettingsForm", "Скрывать по нажатии системной кнопки 'Закрыть'"), Page::General},
    {Option::FloatingWindow, QT_TRANSLATE_NOOP("TSettingsForm", "Показывать плавающее окно"), Page::General},
    {Option::TrayInsteadOfWindow, QT_TRANSLATE_NOOP("TSettingsForm", "Не показывать форму при получении сообщения (\"звонить\" в systemtray)"),
     Page::Notice, 0, true},
    {Option::Popup, QT_TRANSLATE_NOOP("TSettingsForm", "Всплывающее окно при получении сообщения"), Page::Notice},
    {Option::StatusNotices, QT_TRANSLATE_NOOP("TSettingsForm", "Предупреждать о смене статуса абонентов (online/offline)"), Page::Notice, 1},
    {Option::ClearAfterSend, QT_TRANSLATE_NOOP("TSettingsForm", "Удалять сообщения после отправки"), Page::Message},
    {Option::ClearIncomingOnNew, QT_TRANSLATE_NOOP("TSettingsForm", "Удалять приходящие сообщения при получении новых"), Page::Message},
    {Option::HideAfterSend, QT_TRANSLATE_NOOP("TSettingsForm", "Скрывать после отправки сообщения"), Page::Message},
    {Option::TimeInHeader, QT_TRANSLATE_NOOP("TSettingsForm", "Указавать время прихода сообщений"), Page::Message},
    {Option::WarnBeforeSendToAll, QT_TRANSLATE_NOOP("TSettingsForm", "Предупреждать об отправки сообщения 'всем'"), Page::Message},
    {Option::Smileys, QT_TRANSLATE_NOOP("TSettingsForm", "Преобразовывать смайлы"), Page::Message},
    {Option::ScrollToEnd, QT_TRANSLATE_NOOP("TSettingsForm", "Прокручивать входящие сообщения в конец"), Page::Message},
    {Option::MenuEffects, QT_TRANSLATE_NOOP("TSettingsForm", "Использовать эффекты в меню"), Page::Look},
    {Option::Sound, QT_TRANSLATE_NOOP("TSettingsForm", "Воспроизводить звук при получении сообщения"), Page::Sound},
    {Option::SaveIntoFolder, QT_TRANSLATE_NOOP("TSettingsForm", "Сохранять полученные файлы в указанном каталоге"), Page::Files},
};

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    return layout;
}

QPushButton *addButton(const QString &objectName, const QString &caption, QWidget *parent,
                       QBoxLayout *layout)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

} // namespace

TSettingsForm::TSettingsForm(OptionsStore &options, QString settingsPath, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_store(options)
    , m_settingsPath(std::move(settingsPath))
    , m_textFont(u"MS Sans Serif"_s, 8)
{
    setObjectName(u"SettingsForm"_s);
    setWindowTitle(tr("Параметры - Zavolin"));
    setModal(false);

    m_pageList = new QListWidget(this);
    m_pageList->setObjectName(u"PageList"_s);
    const QStringList pageNames = {tr("Общие"), tr("Оповещения"), tr("Сообщения"),
                                   tr("Оформление"), tr("Звук"), tr("Файлы"), QString()};
    // Never clip the text where the desktop font is taller than the usual 15 px.
    const int itemHeight = std::max(kPageListItemHeight, m_pageList->fontMetrics().height() + 2);
    int widestName = 0;
    for (const QString &name : pageNames) {
        auto *item = new QListWidgetItem(name, m_pageList);
        item->setSizeHint(QSize(0, itemHeight));
        widestName = std::max(widestName, m_pageList->fontMetrics().horizontalAdvance(name));
    }
    m_pageList->setUniformItemSizes(true);
    m_pageList->setFixedWidth(widestName + 2 * m_pageList->frameWidth() + 16);
    m_pageList->setCurrentRow(-1);
    m_pageList->setAccessibleName(tr("Разделы параметров"));
    connect(m_pageList, &QListWidget::currentRowChanged, this, &TSettingsForm::showPage);
    connect(m_pageList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showPage(m_pageList->row(item)); });

    m_header = new QLabel(pageNames.first(), this);
    m_header->setObjectName(u"PageHeader"_s);
    m_header->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_header->setAutoFillBackground(true);
    m_header->setContentsMargins(6, 3, 8, 3);
    QPalette headerPalette = m_header->palette();
    headerPalette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    headerPalette.setColor(QPalette::WindowText, QColor(0x00, 0xFF, 0x00));
    m_header->setPalette(headerPalette);
    QFont headerFont = m_header->font();
    headerFont.setBold(true);
    headerFont.setItalic(true);
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.2);
    m_header->setFont(headerFont);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(u"Pages"_s);
    m_pages->addWidget(buildGeneralPage());
    m_pages->addWidget(buildNoticePage());
    m_pages->addWidget(buildMessagePage());
    m_pages->addWidget(buildLookPage());
    m_pages->addWidget(buildSoundPage());
    m_pages->addWidget(buildFilesPage());
    m_pages->setCurrentIndex(0);

    auto *okButton = new QPushButton(tr("Ок"), this);
    okButton->setObjectName(u"OkButton"_s);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QWidget::hide);

    auto *right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(m_header);
    right->addWidget(m_pages, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(m_pageList);
    top->addLayout(right, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(this, &TSettingsForm::optionToggled, this, [this](Option option, bool on) {
        switch (option) {
        case Option::HotKeys:
            Q_EMIT hotKeysToggled(on);
            break;
        case Option::Autostart:
            Q_EMIT autostartToggled(on);
            break;
        case Option::FloatingWindow:
            Q_EMIT floatingWindowToggled(on);
            break;
        case Option::MenuEffects:
            Q_EMIT menuEffectsToggled(on);
            break;
        default:
            break;
        }
    });

    // The boxes show the store: a change made elsewhere (start-up, a test)
    // ticks the box, and that runs the box's reaction as a click would.
    for (Option option : Options::all()) {
        if (QCheckBox *box = this->option(option))
            box->setChecked(m_store.isOn(option));
    }
    connect(&m_store, &OptionsStore::changed, this, [this](Option option, bool on) {
        if (QCheckBox *box = this->option(option))
            box->setChecked(on);
    });
    showLanguage(m_store.language());
    connect(&m_store, &OptionsStore::languageChanged, this, &TSettingsForm::showLanguage);
    m_folderLabel->setText(m_store.saveFolder());
    connect(&m_store, &OptionsStore::saveFolderChanged, m_folderLabel, &QLabel::setText);

    resize(std::max(sizeHint().width(), 500), std::max(sizeHint().height(), 320));
}

QCheckBox *TSettingsForm::option(Option option) const
{
    const int number = Options::number(option);
    if (number < 1 || number > Options::kCount)
        return nullptr;
    return m_options[std::size_t(number)];
}

bool TSettingsForm::isOptionOn(Option option) const
{
    return this->option(option) && m_store.isOn(option);
}

void TSettingsForm::setOption(Option option, bool on)
{
    if (this->option(option))
        m_store.set(option, on);
}

int TSettingsForm::popupSeconds() const
{
    return m_store.popupSeconds();
}

void TSettingsForm::setPopupSeconds(int seconds)
{
    m_seconds->setValue(seconds);
    m_store.setPopupSeconds(m_seconds->value()); // as the field took it
}

int TSettingsForm::menuStyle() const
{
    return m_store.menuStyle();
}

void TSettingsForm::setMenuStyle(int index)
{
    // The file may hold anything; the default keeps the choice meaningful.
    if (index < 0 || index >= kMenuStyleCount)
        index = kDefaultMenuStyle;
    m_styleBox->setCurrentIndex(index);
    m_store.setMenuStyle(index);
}

QString TSettingsForm::saveFolder() const
{
    return m_store.saveFolder();
}

void TSettingsForm::setSaveFolder(const QString &folder)
{
    m_store.setSaveFolder(folder);
}

QColor TSettingsForm::lastBackgroundColor() const
{
    return m_backgroundColor;
}

QFont TSettingsForm::lastTextFont() const
{
    return m_textFont;
}

QColor TSettingsForm::lastTextColor() const
{
    return m_textColor;
}

int TSettingsForm::currentPage() const
{
    return m_pages->currentIndex();
}

QString TSettingsForm::pageHeader() const
{
    return m_header->text();
}

void TSettingsForm::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

QWidget *TSettingsForm::buildGeneralPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"GeneralPage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::General), 0, page, layout);

    // Each language is named in itself, so whoever cannot read the current one finds their own.
    m_languageBox = new QComboBox(page);
    m_languageBox->setObjectName(u"LanguageBox"_s);
    m_languageBox->addItem(u"Русский"_s, InterfaceLanguages::code(InterfaceLanguage::Russian));
    m_languageBox->addItem(u"English"_s, InterfaceLanguages::code(InterfaceLanguage::English));
    m_languageBox->addItem(tr("Как в системе"), InterfaceLanguages::code(InterfaceLanguage::System));
    auto *languageText = new QLabel(tr("Язык интерфейса"), page);
    languageText->setObjectName(u"LanguageLabel"_s);
    languageText->setBuddy(m_languageBox);
    m_languageBox->setAccessibleName(languageText->text());
    auto *languageRow = new QHBoxLayout;
    languageRow->addWidget(languageText);
    languageRow->addWidget(m_languageBox);
    languageRow->addStretch();
    layout->addLayout(languageRow);
    auto *languageNote = new QLabel(tr("Язык сменится при следующем запуске программы."), page);
    languageNote->setObjectName(u"LanguageNote"_s);
    languageNote->setWordWrap(true);
    languageNote->setAccessibleName(languageNote->text());
    layout->addWidget(languageNote);
    connect(m_languageBox, &QComboBox::currentIndexChanged, this,
            [this] { m_store.setLanguage(m_languageBox->currentData().toString()); });

    layout->addStretch();
    return page;
}

QWidget *TSettingsForm::buildNoticePage()
{
    auto *page = new QWidget;
    page->setObjectName(u"NoticePage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::Notice), 0, page, layout);

    m_seconds = new SecondsSpinEdit(page);
    m_seconds->setObjectName(u"SecondsEdit"_s);
    m_seconds->setFixedWidth(m_seconds->fontMetrics().horizontalAdvance(u"0000000"_s) + 30);
    connect(m_seconds, &SecondsSpinEdit::valueChanged, this, &TSettingsForm::popupSecondsChanged);
    connect(m_seconds, &SecondsSpinEdit::valueChanged, &m_store, &OptionsStore::setPopupSeconds);
    auto *secondsText = new QLabel(tr("Показывать окно (сек.):"), page);
    secondsText->setObjectName(u"SecondsLabel"_s);
    secondsText->setBuddy(m_seconds);
    auto *secondsRow = new QHBoxLayout;
    secondsRow->setContentsMargins(20, 0, 0, 0);
    secondsRow->addWidget(secondsText);
    secondsRow->addWidget(m_seconds);
    secondsRow->addStretch();
    layout->addLayout(secondsRow);

    addOptions(int(Page::Notice), 1, page, layout);
    layout->addStretch();
    return page;
}

QWidget *TSettingsForm::buildMessagePage()
{
    auto *page = new QWidget;
    page->setObjectName(u"MessagePage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::Message), 0, page, layout);
    layout->addStretch();
    return page;
}

QWidget *TSettingsForm::buildLookPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"LookPage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::Look), 0, page, layout);

    m_styleBox = new QComboBox(page);
    m_styleBox->setObjectName(u"StyleBox"_s);
    m_styleBox->addItems({u"Auto"_s, u"Standart"_s, u"WindowsXP Style"_s});
    m_styleBox->setCurrentIndex(kDefaultMenuStyle);
    connect(m_styleBox, &QComboBox::currentIndexChanged, this, &TSettingsForm::menuStyleChanged);
    connect(m_styleBox, &QComboBox::currentIndexChanged, &m_store, &OptionsStore::setMenuStyle);
    auto *styleText = new QLabel(tr("Стиль меню"), page);
    styleText->setObjectName(u"StyleLabel"_s);
    styleText->setBuddy(m_styleBox);
    auto *styleRow = new QHBoxLayout;
    styleRow->addWidget(styleText);
    styleRow->addWidget(m_styleBox);
    styleRow->addStretch();
    layout->addLayout(styleRow);

    auto *buttons = new QHBoxLayout;
    connect(addButton(u"FontButton"_s, tr("Шрифт текста"), page, buttons), &QPushButton::clicked,
            this, &TSettingsForm::chooseTextFont);
    connect(addButton(u"ColorButton"_s, tr("Цвет фона"), page, buttons), &QPushButton::clicked,
            this, &TSettingsForm::chooseBackgroundColor);
    connect(addButton(u"LookDefaultsButton"_s, tr("По умолчанию"), page, buttons),
            &QPushButton::clicked, this, &TSettingsForm::lookDefaultsRequested);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    return page;
}

QWidget *TSettingsForm::buildSoundPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"SoundPage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::Sound), 0, page, layout);
    auto *buttons = new QHBoxLayout;
    connect(addButton(u"SoundButton"_s, tr("Выбрать звук"), page, buttons), &QPushButton::clicked,
            this, &TSettingsForm::chooseSound);
    connect(addButton(u"SoundDefaultsButton"_s, tr("По умолчанию"), page, buttons),
            &QPushButton::clicked, this, &TSettingsForm::resetSound);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    return page;
}

QWidget *TSettingsForm::buildFilesPage()
{
    auto *page = new QWidget;
    page->setObjectName(u"FilesPage"_s);
    auto *layout = pageLayout(page);
    addOptions(int(Page::Files), 0, page, layout);
    auto *buttons = new QHBoxLayout;
    connect(addButton(u"FolderButton"_s, tr("Выбрать каталог"), page, buttons),
            &QPushButton::clicked, this, &TSettingsForm::chooseFolder);
    buttons->addStretch();
    layout->addLayout(buttons);
    m_folderLabel = new QLabel(kNoFolder, page);
    m_folderLabel->setObjectName(u"FolderLabel"_s);
    m_folderLabel->setWordWrap(true);
    m_folderLabel->setTextFormat(Qt::PlainText);
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_folderLabel);
    layout->addStretch();
    return page;
}

void TSettingsForm::addOptions(int pageNumber, int section, QWidget *page, QVBoxLayout *layout)
{
    for (const OptionRow &row : kOptionRows) {
        if (int(row.page) != pageNumber || row.section != section)
            continue;
        if (!row.wrapped) {
            layout->addWidget(addOption(row.option, tr(row.text), page));
            continue;
        }
        // A box without a caption of its own; the wrapped text beside it explains it.
        QCheckBox *box = addOption(row.option, QString(), page);
        auto *text = new QLabel(tr(row.text), page);
        text->setObjectName(Options::key(row.option) + u"Label"_s);
        text->setWordWrap(true);
        text->setBuddy(box);
        auto *line = new QHBoxLayout;
        line->addWidget(box, 0, Qt::AlignTop);
        line->addWidget(text, 1);
        layout->addLayout(line);
    }
}

QCheckBox *TSettingsForm::addOption(Option option, const QString &caption, QWidget *page)
{
    Q_ASSERT(!Options::isMenuItem(option));
    auto *box = new QCheckBox(caption, page);
    box->setObjectName(Options::key(option));
    m_options[std::size_t(Options::number(option))] = box;
    // The store first: a reaction that reads the option sees the new state.
    connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
        m_store.set(option, on);
        Q_EMIT optionToggled(option, on);
    });
    return box;
}

void TSettingsForm::showLanguage(const QString &code)
{
    const QString known = InterfaceLanguages::code(InterfaceLanguages::fromCode(code));
    m_languageBox->setCurrentIndex(std::max(0, m_languageBox->findData(known)));
}

void TSettingsForm::showPage(int row)
{
    if (row < 0)
        return;
    if (row >= kPageCount) {
        m_header->clear();
        return;
    }
    m_pages->setCurrentIndex(row);
    m_header->setText(m_pageList->item(row)->text());
}

void TSettingsForm::chooseBackgroundColor()
{
    if (m_colorDialog) {
        m_colorDialog->raise();
        m_colorDialog->activateWindow();
        return;
    }
    auto *dialog = new QColorDialog(m_backgroundColor, this);
    dialog->setObjectName(u"BackgroundColorDialog"_s);
    dialog->setWindowTitle(tr("Цвет фона"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor &color) {
        m_backgroundColor = color;
        Q_EMIT backgroundColorChosen(color);
    });
    m_colorDialog = dialog;
    dialog->open();
}

void TSettingsForm::chooseTextFont()
{
    if (m_fontDialog) {
        m_fontDialog->raise();
        m_fontDialog->activateWindow();
        return;
    }
    auto *dialog = new FontColorDialog(m_textFont, m_textColor, this);
    dialog->setWindowTitle(tr("Шрифт текста"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_textFont = dialog->currentFont();
        m_textColor = dialog->currentColor();
        Q_EMIT textFontChosen(m_textFont, m_textColor);
    });
    m_fontDialog = dialog;
    dialog->open();
}

void TSettingsForm::chooseSound()
{
    if (m_soundDialog) {
        m_soundDialog->raise();
        m_soundDialog->activateWindow();
        return;
    }
    const QString music = SettingKeys::kMusic.read(IniFile(m_settingsPath));
    // "Файлы *.wav | *.wav" in Qt's form: the description keeps its trailing blank.
    auto *dialog = new QFileDialog(this, tr("Выбрать звук"), QString(), tr("Файлы *.wav (*.wav)"));
    dialog->setObjectName(u"SoundDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->selectFile(music);
    connect(dialog, &QFileDialog::fileSelected, this, &TSettingsForm::writeSound);
    m_soundDialog = dialog;
    dialog->open();
}

void TSettingsForm::writeSound(const QString &file)
{
    if (file.isEmpty())
        return;
    try {
        const QString fullPath = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
        IniFile ini(m_settingsPath);
        SettingKeys::kMusic.write(ini, fullPath);
    } catch (const IniWriteError &error) {
        showError(QString::fromUtf8(error.what()));
    }
}

void TSettingsForm::resetSound()
{
    IniFile(m_settingsPath).deleteKey(SettingKeys::kMusic.section, SettingKeys::kMusic.key);
}

void TSettingsForm::chooseFolder()
{
    if (m_folderDialog) {
        m_folderDialog->raise();
        m_folderDialog->activateWindow();
        return;
    }
    auto *dialog = new QFileDialog(
        this, tr("Укажите каталог, в котором будут сохраняться полученные файлы"));
    dialog->setObjectName(u"FolderDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    if (saveFolder() != kNoFolder && QFileInfo(saveFolder()).isDir())
        dialog->setDirectory(saveFolder());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &folder) {
        if (!folder.isEmpty())
            setSaveFolder(QDir::toNativeSeparators(folder));
    });
    m_folderDialog = dialog;
    dialog->open();
}

void TSettingsForm::showError(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Critical, tr("Ошибка"), text, QMessageBox::Ok, this);
    box->setObjectName(u"ErrorBox"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
