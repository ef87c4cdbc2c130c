#include "IncomingBrowser.h"
#include "IncomingView.h"
#include "NetFormWidgets.h"
#include "SmileyPictures.h"

#include <QAccessible>
#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;
using NetAction = NetFormWidgets::NetAction;
using TrayAction = NetFormWidgets::TrayAction;

namespace {

struct MenuRow
{
    QString menu;
    QString item;
    QString shortcut;
    QString objectName; // empty: any name
    bool checkable;
};

const QList<MenuRow> mainMenu = {
    {u"Сообщение"_s, u"Отправить сообщение"_s, u"Ctrl+Enter"_s, u"N6"_s, false},
    {u"Сообщение"_s, u"Отправить сообщение всем"_s, {}, u"N22"_s, false},
    {u"Сообщение"_s, u"Ожидают отправки..."_s, {}, u"OutboxAction"_s, false},
    {u"Сообщение"_s, u"Отправить файл"_s, {}, u"SendFileAction"_s, false},
    {u"Сообщение"_s, u"Отправить папку…"_s, {}, u"SendFolderAction"_s, false},
    {u"Сообщение"_s, u"Исправить на русский"_s, u"Ctrl+E"_s, {}, false},
    {u"Сообщение"_s, u"Загрузить из файла..."_s, {}, {}, false},
    {u"Сообщение"_s, u"Сохранить в файле..."_s, u"Ctrl+S"_s, {}, false},
    {u"Сообщение"_s, u"Очистить"_s, u"Ctrl+Del"_s, {}, false},
    {u"Сообщение"_s, u"Скрыть"_s, u"Esc"_s, u"N10"_s, false},
    {u"Сообщение"_s, u"Выход"_s, u"F10"_s, u"N4"_s, false},
    {u"Открыть"_s, u"Открыть исходящие сообщения"_s, u"Ctrl+R"_s, {}, false},
    {u"Открыть"_s, u"Открыть входящие сообщения"_s, u"Ctrl+Q"_s, {}, false},
    {u"Открыть"_s, u"Чат"_s, u"Ctrl+H"_s, u"N28"_s, true},
    {u"Открыть"_s, u"SMS-сообщения"_s, u"Ctrl+M"_s, {}, false},
    {u"Открыть"_s, u"История сообщений"_s, u"Ctrl+L"_s, u"HistoryAction"_s, false},
    {u"Открыть"_s, u"Черный список"_s, {}, u"N32"_s, false},
    {u"Открыть"_s, u"Передача файлов"_s, {}, u"TransfersAction"_s, false},
    {u"Открыть"_s, u"Сеть"_s, {}, u"NetworkAction"_s, false},
    {u"Фразы"_s, u"Вставить фразу"_s, u"F8"_s, {}, false},
    {u"Фразы"_s, u"Редактировать фразы"_s, {}, {}, false},
    {u"Автоответчик"_s, u"Автоответчик"_s, {}, u"Ch6"_s, true},
    {u"Автоответчик"_s, u"Текст автоответчика"_s, {}, {}, false},
    {u"Автоответчик"_s, u"Получать сообщения"_s, {}, u"Ch19"_s, true},
    {u"Настройка"_s, u"Параметры"_s, {}, {}, false},
    {u"Настройка"_s, u"Назначить псевдоним"_s, {}, u"N39"_s, false},
    {u"Настройка"_s, u"Редактор IP - адресов"_s, {}, u"IP1"_s, false},
    {u"Настройка"_s, u"Обновить контактный лист"_s, {}, u"N29"_s, false},
    {u"Настройка"_s, u"Сохранить настройки"_s, u"F2"_s, u"N9"_s, false},
    {u"Помощь"_s, u"О программе..."_s, u"F1"_s, {}, false},
};

// Toolbar hint and the menu item the button stands for (empty: toolbar only).
const QList<std::pair<QString, QString>> toolBarButtons = {
    {u"Чат (Ctrl + H)"_s, u"Чат"_s},
    {u"SMS - сообщения (Ctrl + M)"_s, u"SMS-сообщения"_s},
    {u"Отправить файл"_s, {}},
    {u"Отправить сообщение всем"_s, u"Отправить сообщение всем"_s},
    {u"Вставить фразу в текст (F8)"_s, u"Вставить фразу"_s},
    {u"Загрузить в 'Исходящие'"_s, u"Загрузить из файла..."_s},
    {u"Сохранить 'Входящие'"_s, u"Сохранить в файле..."_s},
    {u"Назначить псевдоним"_s, u"Назначить псевдоним"_s},
    {u"Параметры"_s, u"Параметры"_s},
    {u"Сохранить настройки (F2)"_s, u"Сохранить настройки"_s},
    {u"Очистить (Ctrl+Del)"_s, u"Очистить"_s},
    {u"Скрыть (Esc)"_s, u"Скрыть"_s},
    {u"Выход из программы (F10)"_s, u"Выход"_s},
};

QList<QAction *> withoutSeparators(const QList<QAction *> &actions)
{
    QList<QAction *> result;
    for (QAction *action : actions) {
        if (!action->isSeparator())
            result.append(action);
    }
    return result;
}

// Every action of the menu bar, in menu order, paired with its menu's title.
QList<std::pair<QString, QAction *>> menuBarItems(QMainWindow &window)
{
    QList<std::pair<QString, QAction *>> items;
    for (QAction *menuAction : window.menuBar()->actions()) {
        for (QAction *action : withoutSeparators(menuAction->menu()->actions()))
            items.append({menuAction->text(), action});
    }
    return items;
}

} // namespace

class TestNetFormWidgets : public QObject
{
    Q_OBJECT

    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<NetFormWidgets> m_widgets;

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QMainWindow>();
        m_widgets = std::make_unique<NetFormWidgets>(m_window.get());
    }

    void cleanup()
    {
        m_widgets.reset();
        m_window.reset();
    }

    void namedControls()
    {
        const NetFormWidgets &w = *m_widgets;
        const std::tuple<QObject *, const char *, const char *> controls[] = {
            {w.listBox1(), "ListBox1", "QListView"},
            {w.listBox3(), "ListBox3", "QListView"},
            {w.label2(), "Label2", "QLabel"},
            {w.speedButton13(), "SpeedButton13", "QToolButton"},
            {w.speedButton14(), "SpeedButton14", "QToolButton"},
            {w.panel1(), "Panel1", "QFrame"},
            {w.memo1(), "Memo1", "QPlainTextEdit"},
            {w.smileyBar(), "SmileyBar", "QWidget"},
            {w.speedButton15(), "SpeedButton15", "QToolButton"},
            {w.speedButton25(), "SpeedButton25", "QToolButton"},
            {w.panel5(), "Panel5", "QFrame"},
            {w.panel2(), "Panel2", "QFrame"},
            {w.richEdit2(), "RichEdit2", "IncomingBrowser"},
            {w.toolBar(), "ToolBar1", "QToolBar"},
            {w.trayMenu(), "SideBarPopupMenu1", "QMenu"},
            {m_window->menuBar(), "SideBarMainMenu1", "QMenuBar"},
        };
        for (const auto &[control, name, className] : controls) {
            QVERIFY2(control, name);
            QCOMPARE(m_window->findChildren<QWidget *>(QString::fromLatin1(name)),
                     QList<QWidget *>{qobject_cast<QWidget *>(control)});
            QCOMPARE(control->metaObject()->className(), className);
        }
        for (int i = 1; i <= 4; ++i)
            QVERIFY(m_window->findChild<QLabel *>(u"Image%1"_s.arg(i)));
        QCOMPARE(m_window->windowTitle(), u"Сеанс сообщений - Zavolin"_s);
        QCOMPARE(m_window->geometry().size(), QSize(440, 280));
        QCOMPARE(NetFormWidgets::defaultGeometry(), QRect(221, 162, 440, 280));
    }

    void mainMenuInOrder()
    {
        const auto items = menuBarItems(*m_window);
        QCOMPARE(items.size(), mainMenu.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            const MenuRow &expected = mainMenu[i];
            const auto &[menu, action] = items[i];
            const QString where = expected.menu + u" / "_s + expected.item;
            QVERIFY2(menu == expected.menu && action->text() == expected.item,
                     qPrintable(where + u" is "_s + menu + u" / "_s + action->text()));
            QVERIFY2(action->shortcut() == QKeySequence(expected.shortcut), qPrintable(where));
            QVERIFY2(action->isCheckable() == expected.checkable, qPrintable(where));
            if (!expected.objectName.isEmpty())
                QCOMPARE(action->objectName(), expected.objectName);
        }
    }

    void toolBarHintsAndActions()
    {
        const QList<QAction *> actions = withoutSeparators(m_widgets->toolBar()->actions());
        QCOMPARE(actions.size(), toolBarButtons.size());
        QHash<QString, QAction *> menuActionByText;
        for (const auto &[menu, action] : menuBarItems(*m_window))
            menuActionByText.insert(action->text(), action);
        for (qsizetype i = 0; i < actions.size(); ++i) {
            const auto &[hint, menuItem] = toolBarButtons[i];
            auto *button = qobject_cast<QToolButton *>(
                m_widgets->toolBar()->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolTip(), hint);
            QCOMPARE(actions[i], menuItem.isEmpty() ? m_widgets->action(NetAction::SendFile)
                                                    : menuActionByText.value(menuItem));
            if (menuItem.isEmpty())
                QCOMPARE(button->objectName(), u"SpeedButton3"_s);
        }
    }

    void trayMenuStructure()
    {
        QMenu *tray = m_widgets->trayMenu();
        QCOMPARE(tray->parent(), m_window.get());
        auto texts = [](QMenu *menu) {
            QStringList result;
            for (QAction *action : withoutSeparators(menu ? menu->actions() : QList<QAction *>()))
                result.append(action->text());
            return result;
        };
        const QList<QAction *> top = withoutSeparators(tray->actions());
        QCOMPARE(texts(tray), QStringList({u"Исходящие сообщения"_s, u"Входящие сообщения"_s,
                                           u"Открыть"_s, u"Автоответчик"_s, u"Параметры"_s,
                                           u"Выход"_s}));
        QCOMPARE(texts(top[2]->menu()), QStringList({u"Чат"_s, u"SMS - сообщения"_s}));
        QCOMPARE(texts(top[3]->menu()), QStringList({u"Автоответчик"_s, u"Текст автоответчика"_s,
                                                     u"Получать сообщения"_s}));

        const std::tuple<TrayAction, QString, QString> named[] = {
            {TrayAction::OpenOutgoing, u"N12"_s, u"Ctrl+R"_s},
            {TrayAction::OpenIncoming, u"N13"_s, u"Ctrl+Q"_s},
            {TrayAction::Chat, u"TrayChatAction"_s, u"Ctrl+H"_s},
            {TrayAction::Sms, u"TraySmsAction"_s, u"Ctrl+M"_s},
            {TrayAction::AutoAnswer, u"N48"_s, {}},
            {TrayAction::ReceiveMessages, u"N54"_s, {}},
        };
        for (const auto &[id, name, shortcut] : named) {
            QAction *action = m_widgets->trayAction(id);
            QCOMPARE(action->objectName(), name);
            QCOMPARE(action->shortcut(), QKeySequence(shortcut));
            QCOMPARE(action->isCheckable(), shortcut.isEmpty());
            QVERIFY(shortcut.isEmpty() || action->isShortcutVisibleInContextMenu());
        }
    }

    // The tray menu shows the same keys as the menu bar; only the menu bar may own them.
    void shortcutsReachTheMenuBarOnly()
    {
        QTest::failOnWarning(QRegularExpression(u"mbiguous"_s));
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_widgets->memo1()->setFocus();
        QTRY_VERIFY(m_widgets->memo1()->hasFocus());

        const struct {
            QKeyCombination key;
            QAction *expected;
        } presses[] = {
            {Qt::CTRL | Qt::Key_R, m_widgets->action(NetAction::OpenOutgoing)},
            {Qt::CTRL | Qt::Key_Q, m_widgets->action(NetAction::OpenIncoming)},
            {Qt::CTRL | Qt::Key_Return, m_widgets->action(NetAction::Send)},
            {Qt::CTRL | Qt::Key_Delete, m_widgets->action(NetAction::Clear)},
            {QKeyCombination(Qt::Key_Escape), m_widgets->action(NetAction::Hide)},
        };
        QSignalSpy trayOutgoing(m_widgets->trayAction(TrayAction::OpenOutgoing),
                                &QAction::triggered);
        QSignalSpy trayIncoming(m_widgets->trayAction(TrayAction::OpenIncoming),
                                &QAction::triggered);
        for (const auto &press : presses) {
            QSignalSpy triggered(press.expected, &QAction::triggered);
            QTest::keyClick(m_widgets->memo1(), press.key.key(), press.key.keyboardModifiers());
            QVERIFY2(triggered.size() == 1, qPrintable(press.expected->text()));
        }
        QCOMPARE(trayOutgoing.size(), 0);
        QCOMPARE(trayIncoming.size(), 0);
        QVERIFY2(m_widgets->memo1()->toPlainText().isEmpty(), "the editor took a shortcut key");
    }

    void viewsAtStart()
    {
        m_window->show();
        QCOMPARE(m_widgets->viewButtons()->buttons().size(), 2);
        QVERIFY(m_widgets->speedButton13()->isChecked());
        QVERIFY(!m_widgets->speedButton14()->isChecked());
        QVERIFY(m_widgets->memo1()->isVisible());
        QVERIFY(!m_widgets->richEdit2()->isVisible());

        m_widgets->speedButton14()->click();
        QVERIFY(!m_widgets->speedButton13()->isChecked());
        m_widgets->speedButton14()->click();
        QVERIFY2(m_widgets->speedButton14()->isChecked(), "a view button must stay down");

        // bringing a view to the front leaves the buttons alone
        m_widgets->bringIncomingToFront();
        QVERIFY(m_widgets->richEdit2()->isVisible() && !m_widgets->memo1()->isVisible());
        m_widgets->bringOutgoingToFront();
        QVERIFY(m_widgets->memo1()->isVisible());
        QVERIFY(m_widgets->speedButton14()->isChecked());
    }

    void hiddenControls()
    {
        m_window->show();
        QVERIFY(!m_widgets->panel5()->isVisible());
        QVERIFY(!m_widgets->listBox3()->isVisible());
        QCOMPARE(m_widgets->panel5()->parentWidget(), m_widgets->panel1());
        for (int i = 1; i <= 4; ++i) {
            QVERIFY(!m_window->findChild<QLabel *>(u"Image%1"_s.arg(i))->isVisible());
            QCOMPARE(m_widgets->image(i).size(), QSize(16, 16));
        }
        QVERIFY(m_widgets->image(0).isNull() && m_widgets->image(5).isNull());
    }

    void layout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("default") << NetFormWidgets::defaultGeometry().size();
        QTest::newRow("enlarged") << QSize(1000, 700);
    }

    // The contact list takes about a third; the own name is never cut.
    void layout()
    {
        QFETCH(QSize, size);
        m_widgets->label2()->setText(u"WORKSTATION-015"_s);
        m_window->resize(size);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        const double share = double(m_widgets->listBox1()->width()) / m_window->width();
        QVERIFY2(share > 0.25 && share < 0.38, qPrintable(QString::number(share)));
        QVERIFY(m_widgets->memo1()->height() > 50);
        QTRY_VERIFY(m_widgets->label2()->width() >= m_widgets->label2()->sizeHint().width());
        for (QAction *action : m_widgets->toolBar()->actions()) {
            QVERIFY2(m_widgets->toolBar()->widgetForAction(action)->isVisible(),
                     qPrintable(action->toolTip() + u" is pushed off the toolbar"_s));
        }
    }

    // A link click is the window's to handle; the view must keep its text.
    void incomingLinkClickKeepsTheDocument()
    {
        m_window->show();
        m_widgets->bringIncomingToFront();
        IncomingBrowser *view = m_widgets->richEdit2();
        view->document()->setHtml(u"<a href=\"http://example.invalid/\">ссылка</a> текст"_s);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QSignalSpy clicked(view, &IncomingBrowser::anchorClicked);
        QTextCursor cursor(view->document());
        cursor.setPosition(2);
        const QPoint onLink = view->cursorRect(cursor).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(view->toPlainText(), u"ссылка текст"_s);
        // A press on a link that drags away selects text and opens nothing.
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, onLink);
        QTest::mouseMove(view->viewport(), onLink + QPoint(60, 0));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, onLink + QPoint(60, 0));
        QCOMPARE(clicked.size(), 1);
    }

    // Without a mouse: Tab reaches the links one after another, Enter opens
    // the one reached, and past the last one Tab leaves the view.
    void incomingLinksOpenFromTheKeyboard()
    {
        m_window->show();
        m_widgets->bringIncomingToFront();
        IncomingBrowser *view = m_widgets->richEdit2();
        view->document()->setHtml(u"<p>раз <a href=\"http://one.invalid/\">один</a></p>"
                                  u"<p>два <a href=\"http://two.invalid/\">второй</a> конец</p>"_s);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        view->setFocus();
        view->moveCursor(QTextCursor::Start);
        QSignalSpy clicked(view, &IncomingBrowser::anchorClicked);
        QTest::keyClick(view, Qt::Key_Return); // nothing reached yet
        QCOMPARE(clicked.size(), 0);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->textCursor().selectedText(), u"один"_s);
        QTest::keyClick(view, Qt::Key_Tab);
        QTest::keyClick(view, Qt::Key_Enter);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.at(0).at(0).toUrl(), QUrl(u"http://two.invalid/"_s));
        QTest::keyClick(view, Qt::Key_Backtab);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(clicked.at(1).at(0).toUrl(), QUrl(u"http://one.invalid/"_s));
        QTest::keyClick(view, Qt::Key_Tab);
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());

        // Tab reaches the links on screen only: a view holding thousands
        // does not keep the keyboard for all of them.
        view->document()->setHtml(u"<p>раз <a href=\"http://one.invalid/\">один</a></p>"_s
                                  + u"<p>строка</p>"_s.repeated(300)
                                  + u"<p><a href=\"http://far.invalid/\">далеко</a></p>"_s);
        view->setFocus();
        view->moveCursor(QTextCursor::Start);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->textCursor().selectedText(), u"один"_s);
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());
        view->setFocus();
        view->moveCursor(QTextCursor::End);
        QTest::keyClick(view, Qt::Key_Backtab);
        QCOMPARE(view->textCursor().selectedText(), u"далеко"_s);
    }

    // Leaving the view clears the link reached, and coming back Tab starts
    // again from the first link on screen; Ctrl+Home and Ctrl+End move through
    // the view; a screen reader finds the links on screen and opens them.
    void incomingLinksAfterLeavingAndForScreenReaders()
    {
        m_window->show();
        m_widgets->bringIncomingToFront();
        IncomingBrowser *view = m_widgets->richEdit2();
        view->document()->setHtml(u"<p><a href=\"http://one.invalid/\">один</a> <a href=\"http://two.invalid/\">два</a></p>"_s
                                  + u"<p>строка</p>"_s.repeated(300) + u"<p>конец</p>"_s);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Tab);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->textCursor().selectedText(), u"два"_s);
        m_widgets->speedButton14()->setFocus(Qt::BacktabFocusReason);
        QVERIFY(!view->textCursor().hasSelection());
        view->setFocus(Qt::TabFocusReason);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(view->textCursor().selectedText(), u"один"_s);

        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view->verticalScrollBar()->value(), 0);

        // The links on screen are the view's last children.
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(view);
        QAccessibleInterface *second = iface->child(iface->childCount() - 1);
        QCOMPARE(iface->child(iface->childCount() - 2)->text(QAccessible::Name), u"один"_s);
        QCOMPARE(second->text(QAccessible::Name), u"два"_s);
        QAccessibleHyperlinkInterface *link = second->hyperlinkInterface();
        QCOMPARE(link->anchorTarget(), u"http://two.invalid/"_s);
        QCOMPARE(iface->textInterface()->text(link->startIndex(), link->endIndex()), u"два"_s);
        QSignalSpy clicked(view, &IncomingBrowser::anchorClicked);
        second->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.value(0).value(0).toUrl(), QUrl(u"http://two.invalid/"_s));
    }

    // The view lays out only what it shows; its pictures still take their
    // room in the line, and the text after them follows them.
    void incomingPicturesTakeTheirRoom()
    {
        m_window->show();
        m_widgets->bringIncomingToFront();
        IncomingBrowser *view = m_widgets->richEdit2();
        view->clear();
        IncomingView content(view->document());
        content.insertPicture(SmileyPictures::picture(1), u":-)"_s);
        content.insertText(u"x"_s);
        content.insertLineBreak();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTextCursor afterPicture(view->document());
        afterPicture.setPosition(1);
        QTextCursor before(view->document());
        const int width = QImage(SmileyPictures::picture(1)).width();
        QVERIFY(width > 0);
        QVERIFY(view->cursorRect(afterPicture).left() - view->cursorRect(before).left() >= width);
    }
};

QTEST_MAIN(TestNetFormWidgets)
#include "tst_netformwidgets.moc"
