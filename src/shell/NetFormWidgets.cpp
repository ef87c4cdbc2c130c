#include "NetFormWidgets.h"

#include "Accessibility.h"

#include "Icons.h"
#include "IncomingBrowser.h"
#include "SmileyPictures.h"
#include "SmileyTable.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

// A picture of our icon set; an empty name or a missing picture gives a null
// icon, and a button without a picture shows its text instead.
QIcon resourceIcon(QStringView name)
{
    return name.isEmpty() ? QIcon() : Icons::get(name.toString());
}

// Narrower menu bar entries, so that all six menus fit into the default width,
// and a menu bar the keyboard reaches.
class CompactMenuBarStyle : public QProxyStyle
{
public:
    explicit CompactMenuBarStyle(QObject *owner)
    {
        setParent(owner);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuBarItem && !result.isEmpty())
            result.rwidth() -= 6;
        return result;
    }

    // Alt alone opens the menu bar to the keyboard, on every desktop style:
    // many items have no shortcut of their own.
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

struct ActionRow
{
    NetAction id;
    QStringView objectName;
    const char *text;     // translated when the action is made
    QStringView shortcut; // portable text
    QStringView icon;
    const char *hint;     // the toolbar hint, when the action is on the toolbar
    bool checkable;
};

constexpr ActionRow actionRows[] = {
    {NetAction::Send, u"N6", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить сообщение"),
     u"Ctrl+Enter", u"send", nullptr, false},
    {NetAction::SendAll, u"N22", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить сообщение всем"),
     u"", u"sendall", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить сообщение всем"), false},
    {NetAction::FixLayout, u"FixLayoutAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Исправить на русский"),
     u"Ctrl+E", u"", nullptr, false},
    {NetAction::LoadText, u"LoadTextAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Загрузить из файла..."),
     u"", u"loadtext", QT_TRANSLATE_NOOP("NetFormWidgets", "Загрузить в 'Исходящие'"), false},
    {NetAction::SaveIncoming, u"SaveIncomingAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Сохранить в файле..."),
     u"Ctrl+S", u"saveincoming", QT_TRANSLATE_NOOP("NetFormWidgets", "Сохранить 'Входящие'"), false},
    {NetAction::Clear, u"ClearAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Очистить"),
     u"Ctrl+Del", u"clear", QT_TRANSLATE_NOOP("NetFormWidgets", "Очистить (Ctrl+Del)"), false},
    {NetAction::Hide, u"N10", QT_TRANSLATE_NOOP("NetFormWidgets", "Скрыть"),
     u"Esc", u"hide", QT_TRANSLATE_NOOP("NetFormWidgets", "Скрыть (Esc)"), false},
    {NetAction::Exit, u"N4", QT_TRANSLATE_NOOP("NetFormWidgets", "Выход"),
     u"F10", u"exit", QT_TRANSLATE_NOOP("NetFormWidgets", "Выход из программы (F10)"), false},
    {NetAction::OpenOutgoing, u"OpenOutgoingAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Открыть исходящие сообщения"),
     u"Ctrl+R", u"outgoing", nullptr, false},
    {NetAction::OpenIncoming, u"OpenIncomingAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Открыть входящие сообщения"),
     u"Ctrl+Q", u"incoming", nullptr, false},
    {NetAction::Chat, u"N28", QT_TRANSLATE_NOOP("NetFormWidgets", "Чат"),
     u"Ctrl+H", u"chat", QT_TRANSLATE_NOOP("NetFormWidgets", "Чат (Ctrl + H)"), true},
    {NetAction::Sms, u"SmsAction", QT_TRANSLATE_NOOP("NetFormWidgets", "SMS-сообщения"),
     u"Ctrl+M", u"sms", QT_TRANSLATE_NOOP("NetFormWidgets", "SMS - сообщения (Ctrl + M)"), false},
    {NetAction::BlackList, u"N32", QT_TRANSLATE_NOOP("NetFormWidgets", "Черный список"),
     u"", u"", nullptr, false},
    {NetAction::InsertPhrase, u"InsertPhraseAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Вставить фразу"),
     u"F8", u"phrase", QT_TRANSLATE_NOOP("NetFormWidgets", "Вставить фразу в текст (F8)"), false},
    {NetAction::EditPhrases, u"EditPhrasesAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Редактировать фразы"),
     u"", u"", nullptr, false},
    {NetAction::AutoAnswer, u"Ch6", QT_TRANSLATE_NOOP("NetFormWidgets", "Автоответчик"),
     u"", u"", nullptr, true},
    {NetAction::AutoAnswerText, u"AutoAnswerTextAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Текст автоответчика"),
     u"", u"", nullptr, false},
    {NetAction::ReceiveMessages, u"Ch19", QT_TRANSLATE_NOOP("NetFormWidgets", "Получать сообщения"),
     u"", u"", nullptr, true},
    {NetAction::Settings, u"SettingsAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Параметры"),
     u"", u"settings", QT_TRANSLATE_NOOP("NetFormWidgets", "Параметры"), false},
    {NetAction::Alias, u"N39", QT_TRANSLATE_NOOP("NetFormWidgets", "Назначить псевдоним"),
     u"", u"alias", QT_TRANSLATE_NOOP("NetFormWidgets", "Назначить псевдоним"), false},
    {NetAction::IpEditor, u"IP1", QT_TRANSLATE_NOOP("NetFormWidgets", "Редактор IP - адресов"),
     u"", u"", nullptr, false},
    {NetAction::RefreshContacts, u"N29", QT_TRANSLATE_NOOP("NetFormWidgets", "Обновить контактный лист"),
     u"", u"", nullptr, false},
    {NetAction::SaveSettings, u"N9", QT_TRANSLATE_NOOP("NetFormWidgets", "Сохранить настройки"),
     u"F2", u"savesettings", QT_TRANSLATE_NOOP("NetFormWidgets", "Сохранить настройки (F2)"), false},
    {NetAction::About, u"AboutAction", QT_TRANSLATE_NOOP("NetFormWidgets", "О программе..."),
     u"F1", u"zavolin", nullptr, false},
    {NetAction::SendFile, u"SendFileAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить файл"),
     u"", u"sendfile", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить файл"), false},
    {NetAction::SendFolder, u"SendFolderAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Отправить папку…"),
     u"", u"", nullptr, false},
    {NetAction::Outbox, u"OutboxAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Ожидают отправки..."),
     u"", u"", nullptr, false},
    {NetAction::History, u"HistoryAction", QT_TRANSLATE_NOOP("NetFormWidgets", "История сообщений"),
     u"Ctrl+L", u"", nullptr, false},
    {NetAction::Transfers, u"TransfersAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Передача файлов"),
     u"", u"", nullptr, false},
    {NetAction::Network, u"NetworkAction", QT_TRANSLATE_NOOP("NetFormWidgets", "Сеть"), u"", u"", nullptr, false},
};
static_assert(std::size(actionRows) == std::size_t(NetAction::Count));

// Count marks a separator in the layouts below.
constexpr NetAction separator = NetAction::Count;

struct MenuRow
{
    QStringView objectName;
    const char *title;
    std::initializer_list<NetAction> items;
};

const MenuRow menuRows[] = {
    {u"MessageMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Сообщение"),
     {NetAction::Send, NetAction::SendAll, NetAction::Outbox, NetAction::SendFile, NetAction::SendFolder,
      separator, NetAction::FixLayout, separator,
      NetAction::LoadText, NetAction::SaveIncoming, NetAction::Clear, separator, NetAction::Hide,
      NetAction::Exit}},
    {u"OpenMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Открыть"),
     {NetAction::OpenOutgoing, NetAction::OpenIncoming, separator, NetAction::Chat, NetAction::Sms,
      NetAction::History, separator, NetAction::BlackList, NetAction::Transfers,
      NetAction::Network}},
    {u"PhrasesMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Фразы"), {NetAction::InsertPhrase, NetAction::EditPhrases}},
    {u"AutoAnswerMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Автоответчик"),
     {NetAction::AutoAnswer, NetAction::AutoAnswerText, NetAction::ReceiveMessages}},
    {u"SetupMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Настройка"),
     {NetAction::Settings, NetAction::Alias, NetAction::IpEditor, separator,
      NetAction::RefreshContacts, separator, NetAction::SaveSettings}},
    {u"HelpMenu", QT_TRANSLATE_NOOP("NetFormWidgets", "Помощь"), {NetAction::About}},
};

constexpr NetAction toolBarLayout[] = {
    NetAction::Chat, NetAction::Sms, separator,
    NetAction::SendFile, NetAction::SendAll, separator,
    NetAction::InsertPhrase, NetAction::LoadText, NetAction::SaveIncoming, separator,
    NetAction::Alias, NetAction::Settings, NetAction::SaveSettings, separator,
    NetAction::Clear, NetAction::Hide, NetAction::Exit,
};

// Ctrl+Enter also answers to the main Return key, which most keyboards send.
QList<QKeySequence> shortcutsFor(QStringView portableText)
{
    if (portableText.isEmpty())
        return {};
    QList<QKeySequence> keys{QKeySequence(portableText.toString())};
    if (portableText.endsWith(u"+Enter"))
        keys.append(QKeySequence(portableText.chopped(5).toString() + u"Return"_s));
    return keys;
}

QAction *makeTrayAction(QMenu *menu, const QString &objectName, const QString &text,
                        QStringView shortcut = {}, QStringView icon = {}, bool checkable = false)
{
    auto *action = menu->addAction(resourceIcon(icon), text);
    action->setObjectName(objectName);
    action->setCheckable(checkable);
    if (!shortcut.isEmpty()) {
        action->setShortcut(QKeySequence(shortcut.toString()));
        // A menu that is never attached to a window cannot fire this context,
        // so the key stays with the menu bar while the text is still shown.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    return action;
}

// Captions only: the own name beside them needs the room more than pictures do.
QToolButton *makeViewButton(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setCheckable(true);
    return button;
}

} // namespace

NetFormWidgets::NetFormWidgets(QMainWindow *window)
{
    // Before the first control: a screen reader must find every one of them operable.
    Accessibility::install();
    WindowPlacement::install();
    // The same caption the window takes back when auto-answer is turned off.
    window->setWindowTitle(QCoreApplication::translate("TNetForm", "Сеанс сообщений - Zavolin"));
    window->setWindowIcon(resourceIcon(u"zavolin"));
    // The toolbar must not be hidden through the window's own context menu.
    window->setContextMenuPolicy(Qt::PreventContextMenu);

    buildMenuBar(window);
    buildToolBar(window);
    buildTrayMenu(window);

    auto *central = new QWidget(window);
    central->setObjectName(u"CentralWidget"_s);
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(3);
    layout->addWidget(buildContactColumn(central), 1);
    layout->addWidget(buildMessageColumn(central), 2);
    buildMarkerImages(central);
    window->setCentralWidget(central);
    nameForScreenReaders(window);

    const QRect geometry = defaultGeometry();
    window->move(geometry.topLeft());
    window->resize(geometry.size());
}

QRect NetFormWidgets::defaultGeometry()
{
    return QRect(221, 162, 440, 280);
}

void NetFormWidgets::nameForScreenReaders(QMainWindow *window)
{
    Accessibility::setName(m_listBox1, tr("Контакты"),
                           tr("Получатели сообщения: выберите один или несколько контактов"));
    Accessibility::setName(m_memo1, tr("Исходящие сообщения"), tr("Текст сообщения, Ctrl+Enter отправляет"));
    Accessibility::setName(m_richEdit2, tr("Входящие сообщения"));
    Accessibility::setName(m_speedButton13, tr("Исходящие"), tr("Показать исходящие сообщения"));
    Accessibility::setName(m_speedButton14, tr("Входящие"), tr("Показать входящие сообщения"));
    Accessibility::setName(m_speedButton15, tr("Смайлики"), tr("Открыть панель смайликов"));
    Accessibility::setName(m_panel5, tr("Смайлики"));
    Accessibility::setName(m_listBox2, tr("Фразы"), tr("Enter вставляет фразу в текст"));
    m_label2->setAccessibleDescription(tr("Имя компьютера"));
    // Framed panels are announced as frames: each says what it holds.
    Accessibility::setName(m_infoPanel, tr("Вид и имя компьютера"));
    Accessibility::setName(m_panel1, tr("Исходящие"), tr("Текст сообщения, смайлики и кнопка отправки"));
    Accessibility::setName(m_panel2, tr("Входящие"));
    Accessibility::nameButtonsByHint(window);
    // Minimised, a window is named by its icon text: the caption, as it changes.
    window->setWindowIconText(window->windowTitle());
    QObject::connect(window, &QWidget::windowTitleChanged, window, &QWidget::setWindowIconText);

    // The toolbar holds the one way to send a file: the keyboard reaches its
    // buttons by Tab, a click still leaves the focus in the editor.
    for (QAction *item : m_toolBar->actions()) {
        if (QWidget *button = m_toolBar->widgetForAction(item); button && !item->isSeparator())
            button->setFocusPolicy(Qt::TabFocus);
    }
    // Contacts, the text, Send first: the rest of the window after them.
    QWidget *order[] = {m_listBox1, m_memo1, m_speedButton25, m_speedButton15, m_speedButton13, m_speedButton14,
                        m_richEdit2};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    QWidget *previous = order[std::size(order) - 1];
    for (QAction *item : m_toolBar->actions()) {
        if (QWidget *button = m_toolBar->widgetForAction(item); button && !item->isSeparator()) {
            QWidget::setTabOrder(previous, button);
            previous = button;
        }
    }
}

void NetFormWidgets::buildMenuBar(QMainWindow *window)
{
    for (const ActionRow &row : actionRows) {
        auto *action = new QAction(resourceIcon(row.icon), tr(row.text), window);
        action->setObjectName(row.objectName.toString());
        action->setShortcuts(shortcutsFor(row.shortcut));
        action->setCheckable(row.checkable);
        if (row.hint)
            action->setToolTip(tr(row.hint));
        m_actions[std::size_t(row.id)] = action;
    }

    QMenuBar *bar = window->menuBar();
    bar->setObjectName(u"SideBarMainMenu1"_s);
    bar->setStyle(new CompactMenuBarStyle(window)); // the window outlives its menu bar
    for (const MenuRow &row : menuRows) {
        QMenu *menu = bar->addMenu(tr(row.title));
        menu->setObjectName(row.objectName.toString());
        for (NetAction id : row.items) {
            if (id == separator)
                menu->addSeparator();
            else
                menu->addAction(action(id));
        }
    }
}

void NetFormWidgets::buildToolBar(QMainWindow *window)
{
    m_toolBar = window->addToolBar(tr("Панель инструментов"));
    m_toolBar->setObjectName(u"ToolBar1"_s);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setVisible(false);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolBar->setIconSize(QSize(20, 20));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (NetAction id : toolBarLayout) {
        if (id == separator)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(action(id));
    }
    m_toolBar->widgetForAction(action(NetAction::SendFile))->setObjectName(u"SpeedButton3"_s);
}

void NetFormWidgets::buildTrayMenu(QMainWindow *window)
{
    m_trayMenu = new QMenu(window);
    m_trayMenu->setObjectName(u"SideBarPopupMenu1"_s);
    auto set = [this](TrayAction id, QAction *action) {
        m_trayActions[std::size_t(id)] = action;
    };

    set(TrayAction::OpenOutgoing, makeTrayAction(m_trayMenu, u"N12"_s, tr("Исходящие сообщения"),
                                                 u"Ctrl+R", u"outgoing"));
    set(TrayAction::OpenIncoming, makeTrayAction(m_trayMenu, u"N13"_s, tr("Входящие сообщения"),
                                                 u"Ctrl+Q", u"incoming"));
    m_trayMenu->addSeparator();

    QMenu *open = m_trayMenu->addMenu(tr("Открыть"));
    open->setObjectName(u"TrayOpenMenu"_s);
    set(TrayAction::Chat, makeTrayAction(open, u"TrayChatAction"_s, tr("Чат"), u"Ctrl+H", u"chat"));
    set(TrayAction::Sms, makeTrayAction(open, u"TraySmsAction"_s, tr("SMS - сообщения"), u"Ctrl+M",
                                        u"sms"));

    QMenu *autoAnswer = m_trayMenu->addMenu(tr("Автоответчик"));
    autoAnswer->setObjectName(u"TrayAutoAnswerMenu"_s);
    set(TrayAction::AutoAnswer,
        makeTrayAction(autoAnswer, u"N48"_s, tr("Автоответчик"), {}, {}, true));
    set(TrayAction::AutoAnswerText, makeTrayAction(autoAnswer, u"TrayAutoAnswerTextAction"_s,
                                                   tr("Текст автоответчика")));
    set(TrayAction::ReceiveMessages,
        makeTrayAction(autoAnswer, u"N54"_s, tr("Получать сообщения"), {}, {}, true));
    m_trayMenu->addSeparator();

    set(TrayAction::Settings, makeTrayAction(m_trayMenu, u"TraySettingsAction"_s, tr("Параметры"),
                                             {}, u"settings"));
    m_trayMenu->addSeparator();
    set(TrayAction::Exit,
        makeTrayAction(m_trayMenu, u"TrayExitAction"_s, tr("Выход"), {}, u"exit"));
}

QWidget *NetFormWidgets::buildContactColumn(QWidget *parent)
{
    m_listBox1 = new QListView(parent);
    m_listBox1->setObjectName(u"ListBox1"_s);
    m_listBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listBox1->setUniformItemSizes(true);
    m_listBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Ignored: the column's width follows the layout's stretch, not the list's contents.
    m_listBox1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    m_listBox1->setMinimumWidth(60);

    m_listBox3 = new QListView(parent);
    m_listBox3->setObjectName(u"ListBox3"_s);
    m_listBox3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listBox3->hide();
    return m_listBox1;
}

QWidget *NetFormWidgets::buildMessageColumn(QWidget *parent)
{
    auto *column = new QWidget(parent);
    column->setObjectName(u"MessageColumn"_s);
    // Preferred: the own name and the editor's button row are never cut; the
    // contact list gives way first.
    column->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(buildInfoPanel(column));

    m_views = new QStackedWidget(column);
    m_views->setObjectName(u"Views"_s);
    m_views->addWidget(buildOutgoingView(m_views));
    m_views->addWidget(buildIncomingView(m_views));
    m_views->setCurrentWidget(m_panel1);
    layout->addWidget(m_views, 1);
    return column;
}

QFrame *NetFormWidgets::buildInfoPanel(QWidget *parent)
{
    m_infoPanel = new QFrame(parent);
    m_infoPanel->setObjectName(u"InfoPanel"_s);
    m_infoPanel->setFrameShape(QFrame::StyledPanel);
    m_infoPanel->setFrameShadow(QFrame::Sunken);
    m_infoPanel->setAutoFillBackground(true);
    QPalette grey = m_infoPanel->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_infoPanel->setPalette(grey);

    m_speedButton13 = makeViewButton(m_infoPanel, u"SpeedButton13"_s, tr("Исходящие"));
    m_speedButton14 = makeViewButton(m_infoPanel, u"SpeedButton14"_s, tr("Входящие"));
    m_viewButtons = new QButtonGroup(m_infoPanel);
    m_viewButtons->setObjectName(u"ViewButtons"_s);
    m_viewButtons->setExclusive(true);
    m_viewButtons->addButton(m_speedButton13);
    m_viewButtons->addButton(m_speedButton14);
    m_speedButton13->setChecked(true);

    m_label2 = new QLabel(m_infoPanel);
    m_label2->setObjectName(u"Label2"_s);
    m_label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = m_label2->font();
    font.setBold(true);
    font.setItalic(true);
    m_label2->setFont(font);
    QPalette lime = m_label2->palette();
    lime.setColor(QPalette::WindowText, QColor(0, 255, 0));
    m_label2->setPalette(lime);

    auto *layout = new QHBoxLayout(m_infoPanel);
    layout->setContentsMargins(3, 2, 6, 2);
    layout->setSpacing(2);
    layout->addWidget(m_speedButton13);
    layout->addWidget(m_speedButton14);
    layout->addSpacing(6);
    layout->addWidget(m_label2, 1);
    return m_infoPanel;
}

QFrame *NetFormWidgets::buildOutgoingView(QWidget *parent)
{
    m_panel1 = new QFrame(parent);
    m_panel1->setObjectName(u"Panel1"_s);

    m_memo1 = new QPlainTextEdit(m_panel1);
    m_memo1->setObjectName(u"Memo1"_s);
    Accessibility::tabLeavesEditor(m_memo1);

    m_smileyBar = new QWidget(m_panel1);
    m_smileyBar->setObjectName(u"SmileyBar"_s);
    auto *smileys = new QHBoxLayout(m_smileyBar);
    smileys->setContentsMargins(0, 0, 0, 0);
    smileys->setSpacing(0);

    m_speedButton15 = new QToolButton(m_panel1);
    m_speedButton15->setObjectName(u"SpeedButton15"_s);
    m_speedButton15->setArrowType(Qt::UpArrow);
    m_speedButton15->setAutoRaise(true);
    m_speedButton15->setFixedSize(26, 26);

    m_speedButton25 = new QToolButton(m_panel1);
    m_speedButton25->setObjectName(u"SpeedButton25"_s);
    m_speedButton25->setText(tr("Отправить"));
    m_speedButton25->setToolTip(tr("Отправить сообщение"));
    m_speedButton25->setIcon(resourceIcon(u"send"));
    m_speedButton25->setIconSize(QSize(20, 20));
    m_speedButton25->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_speedButton25->setMinimumSize(40, 26);

    auto *bottomRow = new QHBoxLayout;
    bottomRow->setSpacing(0);
    bottomRow->addWidget(m_smileyBar);
    bottomRow->addWidget(m_speedButton15);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_speedButton25);

    auto *layout = new QVBoxLayout(m_panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_memo1, 1);
    layout->addLayout(bottomRow);

    // Laid over the editor outside the layout; whoever opens it places it.
    m_panel5 = new QFrame(m_panel1);
    m_panel5->setObjectName(u"Panel5"_s);
    m_panel5->setFrameShape(QFrame::Panel);
    m_panel5->setFrameShadow(QFrame::Raised);
    m_panel5->setAutoFillBackground(true);
    m_panel5->setFixedSize(162, 93);
    // It takes the focus when opened, so that losing it can close it.
    m_panel5->setFocusPolicy(Qt::StrongFocus);
    m_panel5->hide();
    buildSmileyButtons();
    buildPhraseList();
    return m_panel1;
}

QFrame *NetFormWidgets::buildIncomingView(QWidget *parent)
{
    m_panel2 = new QFrame(parent);
    m_panel2->setObjectName(u"Panel2"_s);

    m_richEdit2 = new IncomingBrowser(m_panel2);
    m_richEdit2->setObjectName(u"RichEdit2"_s);

    auto *layout = new QVBoxLayout(m_panel2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_richEdit2);
    return m_panel2;
}

void NetFormWidgets::buildSmileyButtons()
{
    static constexpr int kColumnX[] = {3, 29, 55, 81, 107, 133};
    static constexpr int kRowY[] = {3, 31, 59};
    std::array<QToolButton *, 8> bottomRow{};
    for (const SmileyRow &row : SmileyTable::rows()) {
        const bool inBar = row.bottomRowPlace() > 0;
        auto *button = new QToolButton(inBar ? m_smileyBar : static_cast<QWidget *>(m_panel5));
        button->setObjectName(row.button());
        button->setAutoRaise(true);
        // Clicking a smiley leaves the focus in the editor (or the panel);
        // in the open panel Tab reaches each smiley, so the keyboard can
        // choose one there too (the bar's smileys are typed as their codes).
        button->setFocusPolicy(inBar ? Qt::NoFocus : Qt::TabFocus);
        button->setIcon(SmileyPictures::icon(row.order()));
        button->setIconSize(QSize(20, 20));
        button->setToolTip(row.code());
        if (inBar) {
            button->setFixedSize(26, 26);
            bottomRow.at(std::size_t(row.bottomRowPlace() - 1)) = button;
        } else {
            const int height = row.panelRow() == 3 ? 31 : 26;
            button->setGeometry(kColumnX[row.panelColumn() - 1], kRowY[row.panelRow() - 1], 26, height);
        }
        m_smileyButtons.at(std::size_t(row.order() - 1)) = button;
    }
    for (QToolButton *button : bottomRow)
        m_smileyBar->layout()->addWidget(button);
}

void NetFormWidgets::buildPhraseList()
{
    m_listBox2 = new QListWidget(m_memo1);
    m_listBox2->setObjectName(u"ListBox2"_s);
    m_listBox2->setFixedSize(200, 83);
    m_listBox2->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listBox2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listBox2->setContextMenuPolicy(Qt::CustomContextMenu);
    QPalette tip = m_listBox2->palette();
    tip.setColor(QPalette::Base, tip.color(QPalette::ToolTipBase));
    tip.setColor(QPalette::Text, tip.color(QPalette::ToolTipText));
    m_listBox2->setPalette(tip);
    m_listBox2->hide();
}

void NetFormWidgets::buildMarkerImages(QWidget *parent)
{
    static constexpr QStringView names[] = {u"contact", u"contact-blacklisted",
                                            u"contact-autoanswer", u"contact-chat"};
    for (std::size_t i = 0; i < m_images.size(); ++i) {
        auto *label = new QLabel(parent);
        label->setObjectName(u"Image%1"_s.arg(i + 1));
        label->setPixmap(Icons::pixmap(names[i].toString(), 16));
        label->setFixedSize(16, 16);
        label->hide();
        m_images[i] = label;
    }
}

QAction *NetFormWidgets::action(NetAction id) const
{
    return m_actions.at(std::size_t(id));
}

QAction *NetFormWidgets::trayAction(TrayAction id) const
{
    return m_trayActions.at(std::size_t(id));
}

QPixmap NetFormWidgets::image(int number) const
{
    if (number < 1 || number > int(m_images.size()))
        return {};
    return m_images[std::size_t(number - 1)]->pixmap();
}

void NetFormWidgets::bringOutgoingToFront()
{
    m_views->setCurrentWidget(m_panel1);
}

void NetFormWidgets::bringIncomingToFront()
{
    m_views->setCurrentWidget(m_panel2);
}

QToolBar *NetFormWidgets::toolBar() const { return m_toolBar; }
QMenu *NetFormWidgets::trayMenu() const { return m_trayMenu; }
QListView *NetFormWidgets::listBox1() const { return m_listBox1; }
QListView *NetFormWidgets::listBox3() const { return m_listBox3; }
QFrame *NetFormWidgets::infoPanel() const { return m_infoPanel; }
QLabel *NetFormWidgets::label2() const { return m_label2; }
QToolButton *NetFormWidgets::speedButton13() const { return m_speedButton13; }
QToolButton *NetFormWidgets::speedButton14() const { return m_speedButton14; }
QButtonGroup *NetFormWidgets::viewButtons() const { return m_viewButtons; }
QStackedWidget *NetFormWidgets::views() const { return m_views; }
QFrame *NetFormWidgets::panel1() const { return m_panel1; }
QPlainTextEdit *NetFormWidgets::memo1() const { return m_memo1; }
QWidget *NetFormWidgets::smileyBar() const { return m_smileyBar; }
QToolButton *NetFormWidgets::speedButton15() const { return m_speedButton15; }
QToolButton *NetFormWidgets::speedButton25() const { return m_speedButton25; }
QFrame *NetFormWidgets::panel5() const { return m_panel5; }
QListWidget *NetFormWidgets::listBox2() const { return m_listBox2; }

QToolButton *NetFormWidgets::smileyButton(int order) const
{
    return order >= 1 && order <= int(m_smileyButtons.size()) ? m_smileyButtons[std::size_t(order - 1)] : nullptr;
}
QFrame *NetFormWidgets::panel2() const { return m_panel2; }
IncomingBrowser *NetFormWidgets::richEdit2() const { return m_richEdit2; }
