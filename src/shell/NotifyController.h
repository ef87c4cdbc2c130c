#pragma once

#include <QObject>
#include <QString>

#include <memory>

class DesktopNotifier;
class MenuDrawing;
class OptionsStore;
class QMainWindow;
class QMenu;
class TFloatForm;
class TSettingsForm;
class TSlidePopUp;
class TTrayIcon;

// How the main window tells of messages beside itself: the sliding popup,
// the floating window, the desktop's notification service, and the menus'
// look. The window asks for them by name and hears back when the user
// answers one of them.
class NotifyController : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        QMainWindow *window;  // owns the popups and whose menus are drawn
        QMenu *trayMenu;
        TTrayIcon *tray;      // null without the desktop
        OptionsStore &options;
        TSettingsForm &settings;
        QString settingsPath; // where the floating window keeps its place
        bool desktopService;  // the desktop's notification service may be used
    };

    explicit NotifyController(const Setup &setup);
    ~NotifyController() override;

    TSlidePopUp *slidePopUp() const { return m_slidePopUp; }
    TFloatForm *floatForm() const { return m_floatForm.get(); }
    MenuDrawing *menuDrawing() const { return m_menuDrawing; }

    // "Получено сообщение от: " and the sender.
    void showPopup(const QString &text);
    // A new message arrived: the floating window rings until it is read.
    void ring();
    void stopRinging();
    // No tray to blink in: the desktop's notification says a message came,
    // unless the popup is about to say it.
    void announceWithoutTray();
    void setFloatingWindow(bool on);
    // The tray's tooltip and the floating window's hint.
    void setHint(const QString &text);
    // Shutdown: the floating window stores its place, the popups close.
    void endAtExit();

Q_SIGNALS:
    // A popup or the desktop's notice was clicked: the window shows the incoming view.
    void popupClicked();
    void floatingWindowDoubleClicked();

private:
    void onPopupClicked();
    bool hasNoTray() const;

    QMainWindow *m_window;
    TTrayIcon *m_tray;
    OptionsStore &m_options;
    QString m_settingsPath;
    TSlidePopUp *m_slidePopUp = nullptr;
    std::unique_ptr<TFloatForm> m_floatForm;
    MenuDrawing *m_menuDrawing = nullptr;
    DesktopNotifier *m_notifier = nullptr;
};
