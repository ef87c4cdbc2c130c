// Start-up, settings and shutdown of the main window, each in a fixed order
// that peers and the settings file rely on.
#include "NetForm.h"

#include "ChatWindowSwitch.h"
#include "FontStyle.h"
#include "GlobalHotKeys.h"
#include "IniFile.h"
#include "LineListFile.h"
#include "NotifyController.h"
#include "OwnName.h"
#include "SettingKeys.h"
#include "SettingsForm.h"
#include "TextToolsController.h"
#include "TrayIconUnit.h"
#include "WinColor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include "IncomingBrowser.h"

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

using namespace SettingKeys;

void TNetForm::startUp()
{
    const IniFile ini(m_env.settingsPath);
    resize(kWidth.read(ini), kHeight.read(ini));
    move(kLeft.read(ini), kTop.read(ini));

    loadOptions();

    m_settings->setMenuStyle(kMenuStyle.read(ini));
    m_messenger->options().setSaveFolder(kSaveFileDir.read(ini));
    m_settings->setPopupSeconds(kWaitPopUp.read(ini));

    applyLook(kFontColor.read(ini), kColor.read(ini), kFontName.read(ini), kFontSize.read(ini), kFontStyle.read(ini));

    const QString name = OwnName::fromHostName(m_env.hostName.isEmpty() ? OwnName::current() : m_env.hostName);
    m_ui.label2()->setText(name);
    setSessionTitle(option(Option::AutoAnswer));
    m_messenger->goOnline(name);

    m_textTools->loadPhrases();

    if (option(Option::HotKeys))
        registerHotKeys();
    if (m_tray)
        m_tray->show();
    if (option(Option::HideAtStart))
        m_startupHide.start();
}

void TNetForm::loadOptions()
{
    // A dialog box turned on runs its reaction now; the menu items have none.
    m_messenger->options().load(IniFile(m_env.settingsPath));
}

void TNetForm::applyLook(int fontColor, int background, const QString &fontName, int fontSize, int fontStyle)
{
    m_fontColor = fontColor;
    m_background = background;
    for (QWidget *w : {static_cast<QWidget *>(m_ui.listBox1()), static_cast<QWidget *>(m_ui.memo1()),
                       static_cast<QWidget *>(m_ui.richEdit2())}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Text, WinColor::toColor(fontColor));
        palette.setColor(QPalette::Base, WinColor::toColor(background));
        w->setPalette(palette);
    }
    QFont font(fontName);
    font.setPointSize(fontSize > 0 ? fontSize : 8);
    FontStyle::apply(font, fontStyle & 0xFF);
    m_ui.memo1()->setFont(font);
    // Every received message is laid out as it arrives, and shaping is most
    // of that; Latin and Cyrillic lines only lose kerning and ligatures
    // without it, and scripts that need it still get it.
    QFont incoming = font;
    incoming.setStyleStrategy(QFont::PreferNoShaping);
    m_ui.richEdit2()->setFont(incoming);
}

void TNetForm::setSessionTitle(bool autoAnswer)
{
    const QString title = autoAnswer ? tr("Автоответчик - Zavolin")
                                     : tr("Сеанс сообщений - Zavolin");
    setWindowTitle(title);
    m_notify->setHint(title);
}

bool TNetForm::saveSettings()
{
    IniFile ini(m_env.settingsPath);
    try {
        ini.beginBatch(); // one replacement of the file, not one per key
        kTop.write(ini, y());
        kLeft.write(ini, x());
        kWidth.write(ini, width());
        kHeight.write(ini, height());
        m_messenger->options().write(ini);
        kSaveFileDir.write(ini, m_messenger->options().saveFolder());
        kWaitPopUp.write(ini, options().popupSeconds());
        kFontColor.write(ini, m_fontColor);
        kColor.write(ini, m_background);
        const QFont font = m_ui.memo1()->font();
        kFontName.write(ini, font.family());
        kFontSize.write(ini, font.pointSize());
        kMenuStyle.write(ini, options().menuStyle());
        kFontStyle.write(ini, FontStyle::fromFont(font));
        ini.commitBatch();
    } catch (const IniWriteError &error) {
        // The file stays as it was; the user is told why.
        QMessageBox *box = showError(QString::fromUtf8(error.what()));
        if (m_shutDown)
            m_unsavedBox = box;
        return false;
    }
    return true;
}

void TNetForm::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_startupHide.stop();
    // Peers would keep a departed nick listed for ever: leave before the farewell.
    m_chatWindow->endAtExit();
    m_messenger->recordPendingMessages();
    saveSettings();
    unregisterHotKeys();
    m_messenger->shutdown();
    if (m_tray)
        m_tray->hide();
    m_notify->endAtExit(); // after the save, which has reported a refused file
    if (m_unsavedBox && m_env.errorsCanBeSeen) {
        connect(m_unsavedBox, &QMessageBox::finished, this, &TNetForm::finished);
        return;
    }
    Q_EMIT finished();
}
