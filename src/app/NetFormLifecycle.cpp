// Start-up, settings and shutdown of the main window, each in a fixed order
// that peers and the settings file rely on.
#include "NetForm.h"

#include "ChatWindowSwitch.h"
#include "FontStyle.h"
#include "GlobalHotKeys.h"
#include "IniFile.h"
#include "LineListFile.h"
#include "OwnName.h"
#include "SettingsForm.h"
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
#include <QTextBrowser>

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

namespace {

const QString kForm = QStringLiteral("Form");

QString optionKey(int number)
{
    return QStringLiteral("Ch") + QString::number(number);
}

} // namespace

void TNetForm::startUp()
{
    const IniFile ini(m_env.settingsPath);
    resize(ini.readInteger(kForm, u"Width", 440), ini.readInteger(kForm, u"Height", 280));
    move(ini.readInteger(kForm, u"Left", 221), ini.readInteger(kForm, u"Top", 162));

    loadOptions();

    m_settings->setMenuStyle(ini.readInteger(kForm, u"MenuStyle", 2));
    m_settings->setSaveFolder(ini.readString(kForm, u"SaveFileDir", QStringLiteral("*")));
    m_settings->setPopupSeconds(ini.readInteger(kForm, u"WaitPopUp", 10));
    m_ui.trayAction(TrayAction::AutoAnswer)->setChecked(option(6));
    m_ui.trayAction(TrayAction::ReceiveMessages)->setChecked(option(19));

    applyLook(ini.readInteger(kForm, u"FontColor", WinColor::kBlack),
              ini.readInteger(kForm, u"Color", WinColor::kWhite),
              ini.readString(kForm, u"FontName", QStringLiteral("MS Sans Serif")),
              ini.readInteger(kForm, u"FontSize", 8), ini.readInteger(kForm, u"FontStyle", 0));

    m_ui.label2()->setText(OwnName::fromHostName(m_env.hostName.isEmpty() ? OwnName::current()
                                                                          : m_env.hostName));
    if (!m_udpServer->setActive(true))
        reportOnce(QStringLiteral("udp"), m_udpServer->errorString());
    broadcast(DatagramDispatcher::presence(ownName()));
    setSessionTitle(option(6));
    broadcast(DatagramDispatcher::autoAnswerState(option(6), ownName()));

    m_contacts.setBlacklist(LineListFile::load(QDir(m_env.dataFolder).filePath(QStringLiteral("BlackList.lst"))));
    m_phrases = LineListFile::load(QDir(m_env.dataFolder).filePath(QStringLiteral("Hint.hnt")));
    m_listBox2->clear();
    m_listBox2->addItems(m_phrases);

    if (option(12))
        registerHotKeys();
    if (m_tray)
        m_tray->show();
    if (option(18))
        m_startupHide.start();
}

void TNetForm::loadOptions()
{
    const IniFile ini(m_env.settingsPath);
    for (int number = 1; number <= TSettingsForm::kOptionCount; ++number) {
        const bool fallback = number == 8 || number == 9 || number == 12 || number == 14 || number == 15
                              || number == 16 || number == 17 || number == 18 || number == 21;
        const bool on = ini.readBool(kForm, optionKey(number), fallback);
        if (number == 6)
            m_ui.action(NetAction::AutoAnswer)->setChecked(on);
        else if (number == 19)
            m_ui.action(NetAction::ReceiveMessages)->setChecked(on);
        else
            m_settings->setOption(number, on); // a box turned on runs its reaction now
    }
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
    m_ui.richEdit2()->setFont(font);
}

void TNetForm::setSessionTitle(bool autoAnswer)
{
    const QString title = autoAnswer ? QStringLiteral("Автоответчик - Zavolin")
                                     : QStringLiteral("Сеанс сообщений - Zavolin");
    setWindowTitle(title);
    if (m_tray)
        m_tray->setToolTip(title);
}

bool TNetForm::saveSettings()
{
    IniFile ini(m_env.settingsPath);
    try {
        ini.beginBatch(); // one replacement of the file, not one per key
        ini.writeInteger(kForm, u"Top", y());
        ini.writeInteger(kForm, u"Left", x());
        ini.writeInteger(kForm, u"Width", width());
        ini.writeInteger(kForm, u"Height", height());
        for (int number = 1; number <= TSettingsForm::kOptionCount; ++number)
            ini.writeBool(kForm, optionKey(number), option(number));
        ini.writeString(kForm, u"SaveFileDir", m_settings->saveFolder());
        ini.writeInteger(kForm, u"WaitPopUp", m_settings->popupSeconds());
        ini.writeInteger(kForm, u"FontColor", m_fontColor);
        ini.writeInteger(kForm, u"Color", m_background);
        const QFont font = m_ui.memo1()->font();
        ini.writeString(kForm, u"FontName", font.family());
        ini.writeInteger(kForm, u"FontSize", font.pointSize());
        ini.writeInteger(kForm, u"MenuStyle", m_settings->menuStyle());
        ini.writeInteger(kForm, u"FontStyle", FontStyle::fromFont(font));
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
    // Their senders have been told they arrived: into the history while the
    // blacklist and options still stand, without the cost of showing them.
    m_receiver.recordPending(m_msgServer ? m_msgServer->takePending() : QList<ReceivedMessage>());
    saveSettings();
    m_contacts.setBlacklist({});
    unregisterHotKeys();
    m_msgServer.reset();
    m_strmServer.reset();
    m_fileSender.reset();
    m_sender.reset();
    m_replyClient.reset();
    m_udpServer.reset(); // our own farewell must not come back to us
    broadcast(DatagramDispatcher::farewell(ownName()));
    m_udpClient.reset();
    if (m_tray)
        m_tray->hide();
    if (m_unsavedBox && m_env.errorsCanBeSeen) {
        connect(m_unsavedBox, &QMessageBox::finished, this, &TNetForm::finished);
        return;
    }
    Q_EMIT finished();
}
