#pragma once

#include "AliasBook.h"
#include "ContactList.h"
#include "DatagramDispatcher.h"
#include "DropLog.h"
#include "FileReceiver.h"
#include "FileSender.h"
#include "MessageSender.h"
#include "HistoryLog.h"
#include "IncomingView.h"
#include "MessageReceiver.h"
#include "MsgChannel.h"
#include "NetFormEnvironment.h"
#include "NetFormWidgets.h"
#include "PresenceContext.h"
#include "ReceiveHost.h"
#include "StrmChannel.h"
#include "UdpChannel.h"

#include <QMainWindow>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <memory>

class Autostart;
class ChatWindowSwitch;
class GlobalHotKeys;
class MessageSender;
class QListWidget;
class QMessageBox;
class QProgressDialog;
class SoundPlayer;
class TSettingsForm;
class TTrayIcon;

// The main window: its life from start-up to shutdown, the two message views,
// presence and the contact list. The network endpoints and the settings
// dialog belong to it for the whole run.
class TNetForm : public QMainWindow, private PresenceContext, private ReceiveHost, private FileReceiveHost
{
    Q_OBJECT

public:
    explicit TNetForm(NetFormEnvironment environment, QWidget *parent = nullptr);
    ~TNetForm() override;

    // Runs the creation sequence: settings, look, own name, listeners, announcements.
    void startUp();

    // Options Ch1..Ch21 as they stand now (Ch6 and Ch19 are menu items).
    bool option(int number) const override;
    QString ownName() const override;

    const NetFormWidgets &widgets() const { return m_ui; }
    TSettingsForm *settingsForm() const { return m_settings.get(); }
    ContactList &contacts() { return m_contacts; }
    const QStringList &phrases() const { return m_phrases; }
    bool hasShutDown() const { return m_shutDown; }
    // The bound datagram port (tests ask the system for a free one).
    quint16 datagramPort() const { return m_udpServer ? m_udpServer->localPort() : 0; }

    // Operations of the window, also reached from menus, tray and hot keys.
    void hideWindow();
    void openOutgoingView();
    void openIncomingView();
    void clearView();
    void askExit();
    bool saveSettings();
    void refreshContacts();
    void send();
    void sendToAll();
    // For tests: the port peers listen on for messages.
    void setPeerMessagePort(quint16 port);
    quint16 messagePort() const { return m_msgServer ? m_msgServer->serverPort() : 0; }
    bool isSending() const;
    // "Отправить файл": one file to the one selected contact.
    void sendFile();
    // For tests: the port peers listen on for files, and our own.
    void setPeerStreamPort(quint16 port);
    quint16 streamPort() const { return m_strmServer ? m_strmServer->serverPort() : 0; }
    bool isSendingFile() const { return m_fileSender && m_fileSender->isBusy(); }
    // Ends the program without asking, as the end of the desktop session does.
    void endSession();

Q_SIGNALS:
    // Shutdown has run: the settings are saved and the farewell is sent.
    void finished();
    // For the sliding popup: "Получено сообщение от: " and the sender.
    void popupRequested(const QString &text);
    // For the floating window: a new message arrived.
    void floatingWindowRing();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // PresenceContext
    QString displayName(const QString &name) const override;
    bool isAutoAnswerOn() const override;
    bool isStatusNoticeOn() const override;
    void broadcast(const QString &datagram) override;
    void showNotice(const QString &headline) override;
    ChatPort *chat() override;

    // ReceiveHost
    bool isBlacklisted(const QString &displayName) const override;
    QString autoAnswerText() const override;
    void postReply(const QString &host, const QString &fallbackHost, const QString &text,
                   std::function<void(bool delivered)> done) override;
    void markAutoAnswered() override;
    void writeHistory(const QString &text, const QString &from, const QString &to) override;
    void playSound() override;
    void startTrayBlinking() override;
    void showMainWindow() override;
    void armPopup(const QString &displayName) override;
    void ringFloatingWindow() override;
    IncomingView &incomingView() override { return m_incoming; }
    void scrollIncomingToEnd() override;
    void reportReceiveError() override;

    // FileReceiveHost
    QString saveFolder() const override;
    QString senderName(const QHostAddress &peer) const override;
    void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) override;
    void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) override;
    QString dataFolder() const override;

    void wireMessaging();
    void wireFiles();
    void listenForFiles();
    void startFileSend(const Recipient &recipient, const QString &path);
    void showFileProgress(const QString &path, const QString &recipient);
    void removeStaleSpoolFiles() const;
    void wireContactWindows();
    void applyAutoAnswer(bool on);
    QString editorText() const;
    Recipient recipientAt(int row) const;
    // false when the entry could not be written and the user has been told.
    bool recordSent(const QString &text, const QString &to, bool reportWriteError);
    void wireActions();
    void wireSettingsReactions();
    void wireDesktop();
    void loadOptions();
    void applyLook(int fontColor, int background, const QString &fontName, int fontSize, int fontStyle);
    void setSessionTitle(bool autoAnswer);
    void onDatagram(const QByteArray &data, const QHostAddress &peer);
    void onMessage(const QString &fromName, const QString &text, const QHostAddress &peer);
    void onOutgoingButton();
    void onIncomingButton();
    void onTrayClicked();
    void onHotKey(int modifiers, int virtualKey);
    bool hasNoTray() const;
    void showRestored();
    void registerHotKeys();
    void unregisterHotKeys();
    void shutdown();
    // Errors the user must see, in a box that does not stop the event loop.
    void reportOnce(const QString &key, const QString &text);
    QMessageBox *showError(const QString &text);

    NetFormEnvironment m_env;
    NetFormWidgets m_ui;
    std::unique_ptr<TSettingsForm> m_settings;
    ContactList m_contacts;
    AliasBook m_aliases;
    DatagramDispatcher m_dispatcher;
    QListWidget *m_listBox2; // phrases, sorted and hidden
    QStringList m_phrases;

    std::unique_ptr<TMsgServer> m_msgServer;
    std::unique_ptr<TUdpServer> m_udpServer;
    std::unique_ptr<TUdpClient> m_udpClient;
    std::unique_ptr<MessageSender> m_sender;
    std::unique_ptr<TMsgClient> m_replyClient; // its own client: a reply never waits for a send
    std::function<void(bool)> m_replyDone;
    std::unique_ptr<FileReceiver> m_fileReceiver;
    std::unique_ptr<FileSender> m_fileSender;    // StrmClient1, one file at a time
    std::unique_ptr<TStrmServer> m_strmServer;   // StrmServer1; goes first, before what it feeds
    QPointer<QProgressDialog> m_fileProgress;
    IncomingView m_incoming;
    MessageReceiver m_receiver;
    HistoryLog m_history;
    SoundPlayer *m_sound;
    QTimer m_popupTimer;
    QString m_popupSender;
    // Where each computer announced itself from, for names that do not resolve.
    QHash<QString, QString> m_presenceAddress;
    TTrayIcon *m_tray = nullptr;
    GlobalHotKeys *m_hotKeys = nullptr;
    std::unique_ptr<Autostart> m_autostart;
    QTimer m_startupHide;

    // Colours as stored: a system colour stays a system colour when saved.
    int m_fontColor = 0;
    int m_background = 0x00FFFFFF;
    QStringList m_reported;
    bool m_exitConfirmed = false;
    bool m_shutDown = false;
    // A settings file that could not be saved at exit: the program ends once
    // the user has closed this box, or when asked to end a second time.
    QPointer<QMessageBox> m_unsavedBox;
    DropLog m_messageDrops{QStringLiteral("message")};
    DropLog m_datagramDrops{QStringLiteral("datagram")};
    DropLog m_streamDrops{QStringLiteral("file stream")};
    std::unique_ptr<ChatWindowSwitch> m_chatWindow; // behind N28 "Чат"
};
