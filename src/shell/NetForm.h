#pragma once

#include "Messenger.h"
#include "NetFormEnvironment.h"
#include "NetFormWidgets.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class ChatWindowSwitch;
class DesktopController;
class FilesController;
class IncomingController;
class LifecycleController;
class NotifyController;
class QMenu;
class QMessageBox;
class SendController;
class TKeyForm;
class TSettingsForm;
class TTrayIcon;
class TextToolsController;

// The main window: the two message views and the contact list, composed of
// controllers with one task each (start-up and shutdown, sending, files, the
// incoming view, the desktop, notices, text tools). It shows what the
// messenger core reports and turns the user's clicks into the core's calls;
// the core and the settings dialog belong to it for the whole run.
class TNetForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TNetForm(NetFormEnvironment environment, QWidget *parent = nullptr);
    ~TNetForm() override;

    // Runs the creation sequence: settings, look, own name, listeners, announcements.
    void startUp();

    // Options as they stand now.
    bool option(Option option) const { return m_messenger->options().isOn(option); }
    OptionsStore &options() { return m_messenger->options(); }
    QString ownName() const { return m_messenger->ownName(); }
    Messenger &messenger() { return *m_messenger; }

    const NetFormWidgets &widgets() const { return m_ui; }
    NotifyController &notify() { return *m_notify; }
    TSettingsForm *settingsForm() const { return m_settings.get(); }
    ContactList &contacts() { return m_messenger->contacts(); }
    TextToolsController &textTools() { return *m_textTools; }
    bool hasShutDown() const;
    // The bound datagram port (tests ask the system for a free one).
    quint16 datagramPort() const { return m_messenger->datagramPort(); }

    // Operations of the window, also reached from menus, tray and hot keys.
    void hideWindow();
    void openOutgoingView();
    void openIncomingView();
    void clearView();
    void askExit();
    bool saveSettings();
    void refreshContacts();
    SendController &sending() { return *m_send; }
    quint16 messagePort() const { return m_messenger->messagePort(); }
    FilesController &files() { return *m_files; }
    // For tests: the port peers listen on for files, and our own.
    void setPeerStreamPort(quint16 port) { m_messenger->setPeerStreamPort(port); }
    quint16 streamPort() const { return m_messenger->streamPort(); }
    // The contact list's own menu (right button, menu key, Shift+F10).
    QMenu *contactMenu() const { return m_contactMenu; }
    // "Ключи и отпечатки": the fingerprints of this computer and of the contact
    // at `row`, for comparing them; nullptr without a secure channel or a contact.
    TKeyForm *openKeyForm(int row);
    // Ends the program without asking, as the end of the desktop session does.
    void endSession();

Q_SIGNALS:
    // Shutdown has run: the settings are saved and the farewell is sent.
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void wireCore();
    // The secure channel's questions: a changed key, a message that could not go securely.
    void wireSecureChannel();
    void wireMessaging();
    void wireContactWindows();
    void wireHistory();
    void wireOutbox();
    void applyAutoAnswer(bool on);
    Recipient recipientAt(int row) const;
    void wireActions();
    void goOnline();
    void setSessionTitle(bool autoAnswer);
    void onOutgoingButton();
    void onIncomingButton();
    void onTrayClicked();
    // Opens a view and brings the window to the front, for the tray and the hot keys.
    void bringUp(void (TNetForm::*openView)());
    TTrayIcon *tray() const;
    bool hasNoTray() const;
    void showRestored();
    // Errors the user must see, in a box that does not stop the event loop.
    void reportOnce(const QString &key, const QString &text);
    QMessageBox *showError(const QString &text);

    NetFormEnvironment m_env;
    NetFormWidgets m_ui;
    // Before the messenger: sends it still ends while it shuts down report here.
    std::unique_ptr<SendController> m_send;
    std::unique_ptr<Messenger> m_messenger;
    std::unique_ptr<TSettingsForm> m_settings;
    std::unique_ptr<LifecycleController> m_lifecycle;
    QMenu *m_contactMenu = nullptr;
    std::unique_ptr<DesktopController> m_desktop;
    std::unique_ptr<IncomingController> m_incoming;
    QStringList m_reported;
    std::unique_ptr<ChatWindowSwitch> m_chatWindow; // behind N28 "Чат"
    std::unique_ptr<NotifyController> m_notify;
    std::unique_ptr<TextToolsController> m_textTools;
    std::unique_ptr<FilesController> m_files;
};
