#pragma once

#include <QCoreApplication>
#include <QPixmap>
#include <QRect>

#include <array>
#include <cstddef>

class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
class QListView;
class QListWidget;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QStackedWidget;
class IncomingBrowser;
class QToolBar;
class QToolButton;
class QWidget;

// Builds the controls of the main window onto a QMainWindow and hands them out.
// Layout only: no signal of a control is connected here, the window wires them.
// Every control is parented to the window, which owns and destroys it.
class NetFormWidgets
{
    Q_DECLARE_TR_FUNCTIONS(NetFormWidgets)

public:
    // Actions of the menu bar and the toolbar.
    enum class NetAction {
        Send,            // N6
        SendAll,         // N22
        FixLayout,
        LoadText,
        SaveIncoming,
        Clear,
        Hide,            // N10
        Exit,            // N4
        OpenOutgoing,
        OpenIncoming,
        Chat,            // N28, checkable
        Sms,
        BlackList,
        InsertPhrase,
        EditPhrases,
        AutoAnswer,      // Ch6, checkable
        AutoAnswerText,
        ReceiveMessages, // Ch19, checkable
        Settings,
        Alias,
        IpEditor,
        RefreshContacts, // N29
        SaveSettings,    // N9
        About,
        SendFile,
        SendFolder,
        Outbox,          // its text counts the messages waiting
        History,
        Transfers,
        Network,
        Count
    };

    // Items of the tray menu. Their shortcuts are shown but never fire:
    // the same keys belong to the menu bar.
    enum class TrayAction {
        OpenOutgoing,    // N12
        OpenIncoming,    // N13
        Chat,
        Sms,
        AutoAnswer,      // N48, checkable
        AutoAnswerText,
        ReceiveMessages, // N54, checkable
        Settings,
        Exit,
        Count
    };

    // The item delegate of ListBox1 is expected to give every row this height.
    static constexpr int ContactItemHeight = 17;

    explicit NetFormWidgets(QMainWindow *window);
    NetFormWidgets(const NetFormWidgets &) = delete;
    NetFormWidgets &operator=(const NetFormWidgets &) = delete;

    // Left, top, width and height used until stored ones are applied.
    static QRect defaultGeometry();

    QAction *action(NetAction id) const;
    QAction *trayAction(TrayAction id) const;

    QToolBar *toolBar() const;
    QMenu *trayMenu() const;

    QListView *listBox1() const;
    QListView *listBox3() const;
    QFrame *infoPanel() const;
    QLabel *label2() const;
    QToolButton *speedButton13() const;
    QToolButton *speedButton14() const;
    QButtonGroup *viewButtons() const;
    QStackedWidget *views() const;
    QFrame *panel1() const;
    QPlainTextEdit *memo1() const;
    QWidget *smileyBar() const;
    QToolButton *speedButton15() const;
    QToolButton *speedButton25() const;
    QFrame *panel5() const;
    // The button of smiley table row `order` (1..26), in the bottom row or the panel.
    QToolButton *smileyButton(int order) const;
    // The pop-up phrase list, a child of the editor so that it opens over it.
    QListWidget *listBox2() const;
    QFrame *panel2() const;
    IncomingBrowser *richEdit2() const;

    // The marker glyph of Image1..Image4; a null pixmap for any other number.
    QPixmap image(int number) const;

    // Only switch the visible view; buttons, focus and showing are the caller's.
    void bringOutgoingToFront();
    void bringIncomingToFront();

private:
    void buildMenuBar(QMainWindow *window);
    void buildToolBar(QMainWindow *window);
    void buildTrayMenu(QMainWindow *window);
    QWidget *buildContactColumn(QWidget *parent);
    QWidget *buildMessageColumn(QWidget *parent);
    QFrame *buildInfoPanel(QWidget *parent);
    QFrame *buildOutgoingView(QWidget *parent);
    QFrame *buildIncomingView(QWidget *parent);
    void buildMarkerImages(QWidget *parent);
    // Accessible names and the keyboard's path through the window.
    void nameForScreenReaders(QMainWindow *window);
    void buildSmileyButtons();
    void buildPhraseList();

    std::array<QAction *, std::size_t(NetAction::Count)> m_actions{};
    std::array<QAction *, std::size_t(TrayAction::Count)> m_trayActions{};
    std::array<QLabel *, 4> m_images{};
    QToolBar *m_toolBar = nullptr;
    QMenu *m_trayMenu = nullptr;
    QListView *m_listBox1 = nullptr;
    QListView *m_listBox3 = nullptr;
    QFrame *m_infoPanel = nullptr;
    QLabel *m_label2 = nullptr;
    QToolButton *m_speedButton13 = nullptr;
    QToolButton *m_speedButton14 = nullptr;
    QButtonGroup *m_viewButtons = nullptr;
    QStackedWidget *m_views = nullptr;
    QFrame *m_panel1 = nullptr;
    QPlainTextEdit *m_memo1 = nullptr;
    QWidget *m_smileyBar = nullptr;
    QToolButton *m_speedButton15 = nullptr;
    QToolButton *m_speedButton25 = nullptr;
    QFrame *m_panel5 = nullptr;
    std::array<QToolButton *, 26> m_smileyButtons{};
    QListWidget *m_listBox2 = nullptr;
    QFrame *m_panel2 = nullptr;
    IncomingBrowser *m_richEdit2 = nullptr;
};
