#pragma once

#include "ShellParts.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QMessageBox;
class TSettingsForm;
struct NetFormEnvironment;

// The main window's start-up and shutdown: the window's settings read at
// start and written at exit, the look they hold, the exit question and the
// farewell. Each sequence runs in a fixed order that peers and the readers
// of the settings file rely on.
class LifecycleController : public QObject
{
    Q_OBJECT

public:
    struct Setup : ShellParts
    {
        TSettingsForm &settings;
        const NetFormEnvironment &env;
        // Once the settings are read: the own name shown, online, and the window's desktop up.
        std::function<void()> goOnline;
        std::function<void()> hideWindow;
        // Shutdown steps of the window's own, in the order they run: before
        // the settings are saved, before the endpoints close, after them.
        std::function<void()> beforeSave;
        std::function<void()> beforeFarewell;
        std::function<void()> afterFarewell;
        std::function<QMessageBox *(const QString &text)> showError;
    };

    explicit LifecycleController(const Setup &setup);

    void startUp();
    bool saveSettings();
    bool hasShutDown() const { return m_shutDown; }
    void shutdown();
    // The window is asked to close: false while it only hides.
    bool closeRequested();
    // The exit question; Yes ends the program.
    void askExit();
    // Ends the program without asking, as the end of the desktop session does.
    void endSession();

Q_SIGNALS:
    // Shutdown has run: the settings are saved and the farewell is sent.
    void finished();

private:
    void wireLookChoices();
    void applyLook(int fontColor, int background, const QString &fontName, int fontSize, int fontStyle);

    Setup m_setup;
    QTimer m_startupHide;
    // Colours as stored: a system colour stays a system colour when saved.
    int m_fontColor = 0;
    int m_background = 0x00FFFFFF;
    bool m_exitConfirmed = false;
    bool m_shutDown = false;
    // A settings file that could not be saved at exit: the program ends once
    // the user has closed this box, or when asked to end a second time.
    QPointer<QMessageBox> m_unsavedBox;
};
