#include "LifecycleController.h"

#include "FontStyle.h"
#include "IncomingBrowser.h"
#include "IniFile.h"
#include "MessageBoxes.h"
#include "Messenger.h"
#include "NetFormEnvironment.h"
#include "NetFormWidgets.h"
#include "SettingKeys.h"
#include "SettingsForm.h"
#include "WinColor.h"

#include <QListView>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>

using namespace SettingKeys;

LifecycleController::LifecycleController(const Setup &setup)
    : m_setup(setup)
{
    m_startupHide.setSingleShot(true);
    m_startupHide.setInterval(500);
    connect(&m_startupHide, &QTimer::timeout, this, [this] { m_setup.hideWindow(); });
    wireLookChoices();
}

void LifecycleController::startUp()
{
    const IniFile ini(m_setup.env.settingsPath);
    m_setup.window->resize(kWidth.read(ini), kHeight.read(ini));
    m_setup.window->move(kLeft.read(ini), kTop.read(ini));

    // A dialog box turned on runs its reaction now; the menu items have none.
    m_setup.messenger.options().load(IniFile(m_setup.env.settingsPath));

    m_setup.settings.setMenuStyle(kMenuStyle.read(ini));
    m_setup.messenger.options().setSaveFolder(kSaveFileDir.read(ini));
    m_setup.settings.setPopupSeconds(kWaitPopUp.read(ini));

    applyLook(kFontColor.read(ini), kColor.read(ini), kFontName.read(ini), kFontSize.read(ini), kFontStyle.read(ini));

    m_setup.goOnline();
    if (m_setup.messenger.options().isOn(Option::HideAtStart))
        m_startupHide.start();
}

void LifecycleController::wireLookChoices()
{
    TSettingsForm *settings = &m_setup.settings;
    connect(settings, &TSettingsForm::backgroundColorChosen, this, [this](const QColor &color) {
        const QFont font = m_setup.ui.memo1()->font();
        applyLook(m_fontColor, WinColor::fromColor(color), font.family(), font.pointSize(), FontStyle::fromFont(font));
    });
    connect(settings, &TSettingsForm::textFontChosen, this, [this](const QFont &font, const QColor &color) {
        applyLook(WinColor::fromColor(color), m_background, font.family(), font.pointSize(),
                  FontStyle::fromFont(font));
    });
    connect(settings, &TSettingsForm::lookDefaultsRequested, this, [this] {
        applyLook(kFontColor.fallback, kColor.fallback, kFontName.fallback.toString(), kFontSize.fallback,
                  kFontStyle.fallback);
        saveSettings();
    });
}

void LifecycleController::applyLook(int fontColor, int background, const QString &fontName, int fontSize,
                                    int fontStyle)
{
    m_fontColor = fontColor;
    m_background = background;
    NetFormWidgets &ui = m_setup.ui;
    for (QWidget *w : {static_cast<QWidget *>(ui.listBox1()), static_cast<QWidget *>(ui.memo1()),
                       static_cast<QWidget *>(ui.richEdit2())}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Text, WinColor::toColor(fontColor));
        palette.setColor(QPalette::Base, WinColor::toColor(background));
        w->setPalette(palette);
    }
    QFont font(fontName);
    font.setPointSize(fontSize > 0 ? fontSize : 8);
    FontStyle::apply(font, fontStyle & 0xFF);
    ui.memo1()->setFont(font);
    // Every received message is laid out as it arrives, and shaping is most
    // of that; Latin and Cyrillic lines only lose kerning and ligatures
    // without it, and scripts that need it still get it.
    QFont incoming = font;
    incoming.setStyleStrategy(QFont::PreferNoShaping);
    ui.richEdit2()->setFont(incoming);
}

bool LifecycleController::saveSettings()
{
    QMainWindow *window = m_setup.window;
    OptionsStore &options = m_setup.messenger.options();
    IniFile ini(m_setup.env.settingsPath);
    try {
        ini.beginBatch(); // one replacement of the file, not one per key
        kTop.write(ini, window->y());
        kLeft.write(ini, window->x());
        kWidth.write(ini, window->width());
        kHeight.write(ini, window->height());
        options.write(ini);
        kSaveFileDir.write(ini, options.saveFolder());
        kWaitPopUp.write(ini, options.popupSeconds());
        kFontColor.write(ini, m_fontColor);
        kColor.write(ini, m_background);
        const QFont font = m_setup.ui.memo1()->font();
        kFontName.write(ini, font.family());
        kFontSize.write(ini, font.pointSize());
        // Where other readers of the file expect it: between the size and the style.
        kMenuStyle.write(ini, options.menuStyle());
        kFontStyle.write(ini, FontStyle::fromFont(font));
        ini.commitBatch();
    } catch (const IniWriteError &error) {
        // The file stays as it was; the user is told why.
        QMessageBox *box = m_setup.showError(QString::fromUtf8(error.what()));
        if (m_shutDown)
            m_unsavedBox = box;
        return false;
    }
    return true;
}

void LifecycleController::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_startupHide.stop();
    // Peers would keep a departed nick listed for ever: leave before the farewell.
    m_setup.beforeSave();
    m_setup.messenger.recordPendingMessages();
    saveSettings();
    m_setup.beforeFarewell();
    m_setup.messenger.shutdown();
    m_setup.afterFarewell(); // after the save, which has reported a refused file
    if (m_unsavedBox && m_setup.env.errorsCanBeSeen) {
        connect(m_unsavedBox, &QMessageBox::finished, this, &LifecycleController::finished);
        return;
    }
    Q_EMIT finished();
}

bool LifecycleController::closeRequested()
{
    if (m_shutDown)
        return true;
    if (!m_exitConfirmed && m_setup.messenger.options().isOn(Option::HideOnClose)) {
        m_setup.hideWindow();
        return false;
    }
    shutdown();
    return true;
}

void LifecycleController::askExit()
{
    auto *box = new QMessageBox(QMessageBox::Question, tr("Закрытие"),
                                MessageBoxes::shownText(tr("Закрытие программы не позволит Вам общаться "
                                                           "с другими абонентами.\n\rТочно выход?")),
                                QMessageBox::Yes | QMessageBox::No, m_setup.window);
    box->setObjectName(QStringLiteral("ExitQuestion"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box] {
        // Closed without an answer, the program stays: only Yes ends it.
        if (box->standardButton(box->clickedButton()) != QMessageBox::Yes)
            return;
        m_exitConfirmed = true;
        m_setup.window->close();
    });
    box->open();
}

void LifecycleController::endSession()
{
    if (m_unsavedBox) {
        // Asked again while the user is told the settings were not saved: end now.
        m_unsavedBox->close();
        return;
    }
    m_exitConfirmed = true;
    m_setup.window->close();
}
