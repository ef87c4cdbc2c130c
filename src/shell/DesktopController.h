#pragma once

#include <QObject>

#include <memory>

class Autostart;
class GlobalHotKeys;
class QMainWindow;
class QMenu;
class TSettingsForm;
class TTrayIcon;

// The desktop around the main window: the tray icon, the global hot keys
// Ctrl+Q and Ctrl+R, the autostart entry and the end of the desktop session.
// Without desktop integration (tests) none of them exists and every call
// does nothing.
class DesktopController : public QObject
{
    Q_OBJECT

public:
    DesktopController(QMainWindow *window, QMenu *trayMenu, TSettingsForm &settings, bool integrate);
    ~DesktopController() override;

    // Null without desktop integration.
    TTrayIcon *tray() const { return m_tray; }
    // A tray is wanted but the desktop has none: the window minimises instead of hiding.
    bool hasNoTray() const;
    void registerHotKeys();
    void unregisterHotKeys();

Q_SIGNALS:
    void trayClicked();
    void incomingKeyPressed(); // Ctrl+Q
    void outgoingKeyPressed(); // Ctrl+R
    void sessionEnding();

private:
    void onHotKey(int modifiers, int virtualKey);

    TTrayIcon *m_tray = nullptr;
    GlobalHotKeys *m_hotKeys = nullptr;
    std::unique_ptr<Autostart> m_autostart;
};
