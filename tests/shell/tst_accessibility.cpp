#include "ChatForm.h"
#include "DatagramObserver.h"
#include "LoopbackEnvironment.h"
#include "MessForm.h"
#include "MessageBoxes.h"
#include "NetForm.h"
#include "NotifyController.h"
#include "NoteBookForm.h"
#include "OperatorBook.h"
#include "SettingsForm.h"
#include "ShowInfoUpdateForm.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// What a screen reader finds in the windows on the screen.
struct Audit
{
    int windows = 0;
    int controls = 0;
    QStringList names;       // of the windows
    QStringList badWindows;  // not a window or dialog, or without the caption as name
    QStringList unnamed;     // no name at all
    QStringList silent;      // neither name nor description
};

// Roles a user operates or reads as a control of its own.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTabList:
    case QAccessible::Link:
    case QAccessible::MenuItem:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface *iface)
{
    const QObject *object = iface->object();
    return QStringLiteral("%1 %2 (role 0x%3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"),
             object ? object->objectName() : QString())
        .arg(int(iface->role()), 0, 16);
}

void walk(QAccessibleInterface *iface, Audit &audit, const QString &window)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *child = iface->child(i);
        if (!child || child->state().invisible)
            continue;
        const QAccessible::Role role = child->role();
        // Rows of a list belong to the list, which is named.
        if (role == QAccessible::ListItem || role == QAccessible::Cell || role == QAccessible::Row
            || role == QAccessible::ColumnHeader || role == QAccessible::RowHeader || role == QAccessible::TreeItem)
            continue;
        if (isControl(role) || child->state().focusable) {
            const bool scroller = role == QAccessible::ScrollBar;
            const bool separator = role == QAccessible::Separator;
            if (!scroller && !separator) {
                ++audit.controls;
                const QString where = window + QStringLiteral(": ") + describe(child);
                if (child->text(QAccessible::Name).trimmed().isEmpty()) {
                    audit.unnamed << where;
                    if (child->text(QAccessible::Description).trimmed().isEmpty())
                        audit.silent << where;
                }
            }
        }
        walk(child, audit, window);
    }
}

Audit auditScreen()
{
    Audit audit;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || qobject_cast<QMenu *>(w))
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface)
            continue;
        ++audit.windows;
        const QAccessible::Role role = iface->role();
        const QString name = iface->text(QAccessible::Name);
        audit.names << name;
        // A message box is an alert, which a screen reader reads out whole.
        const bool isWindow = role == QAccessible::Window || role == QAccessible::Dialog
            || (role == QAccessible::AlertMessage && qobject_cast<QMessageBox *>(w));
        if (!isWindow || name.isEmpty()
            || name != w->windowTitle())
            audit.badWindows << describe(iface) + QStringLiteral(" \"") + name + u'"';
        walk(iface, audit, w->objectName());
    }
    return audit;
}

void report(const Audit &audit)
{
    qInfo("%d windows, %d controls, %lld without a name, %lld without a name or description, "
          "%lld windows announced wrongly",
          audit.windows, audit.controls, audit.unnamed.size(), audit.silent.size(), audit.badWindows.size());
    qInfo("windows: %s", qPrintable(audit.names.join(u", ")));
    for (const QString &line : audit.badWindows)
        qInfo("wrong window: %s", qPrintable(line));
    for (const QString &line : audit.unnamed)
        qInfo("unnamed: %s", qPrintable(line));
}

QAccessibleInterface *accessible(QObject *object)
{
    return object ? QAccessible::queryAccessibleInterface(object) : nullptr;
}

// The accessible action a screen reader offers first: Toggle on a checkable
// button, Press elsewhere.
void operate(QObject *object)
{
    QAccessibleInterface *iface = accessible(object);
    QVERIFY(iface);
    QAccessibleActionInterface *actions = iface->actionInterface();
    QVERIFY(actions);
    QVERIFY(!actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().first());
}

} // namespace

// The windows as a screen reader sees and operates them: through the
// accessibility interfaces alone, with the datagrams heard on loopback.
class TestAccessibility : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DatagramObserver> m_observer;
    std::unique_ptr<TNetForm> m_form;

    QAction *action(NetFormWidgets::NetAction id) const { return m_form->widgets().action(id); }
    QToolButton *toolButton(NetFormWidgets::NetAction id) const
    {
        return qobject_cast<QToolButton *>(m_form->widgets().toolBar()->widgetForAction(action(id)));
    }
    template <typename T>
    T *topLevel() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<T *>(w); form && form->isVisible())
                return form;
        }
        return nullptr;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_observer = std::make_unique<DatagramObserver>();
        QVERIFY(m_observer->isListening());
        m_form = std::make_unique<TNetForm>(
            loopbackEnvironment(m_dir->path(), QStringLiteral("pc-test"), m_observer->port()));
        m_form->startUp();
        m_form->show();
        QTRY_COMPARE(m_observer->count(), 2);
    }

    void cleanup()
    {
        m_form.reset();
        // Windows of their own (SMS, notices) outlive the main window: none may reach the next test.
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                w->close();
                w->deleteLater();
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_observer.reset();
        m_dir.reset();
    }

    void everyWindowAndControlIsNamed()
    {
        action(NetFormWidgets::NetAction::Chat)->trigger();
        action(NetFormWidgets::NetAction::Sms)->trigger();
        action(NetFormWidgets::NetAction::Settings)->trigger();
        action(NetFormWidgets::NetAction::About)->trigger();
        QTRY_VERIFY(topLevel<TChatForm>());

        const Audit audit = auditScreen();
        report(audit);
        QVERIFY(audit.windows >= 5);
        QVERIFY(audit.controls > 40);
        QCOMPARE(audit.badWindows, QStringList());
        QCOMPARE(audit.unnamed, QStringList());
    }

    void secondaryWindowsAreNamedToo()
    {
        action(NetFormWidgets::NetAction::BlackList)->trigger();
        action(NetFormWidgets::NetAction::AutoAnswerText)->trigger();
        action(NetFormWidgets::NetAction::EditPhrases)->trigger();
        m_form->notify().showPopup(s("Получено сообщение от: ВАСЯ"));
        TMessForm::showNotice(s("ВАСЯ в сети"));
        auto *info = new Tfrm_ShowInfoUpdate(m_form.get());
        info->setAttribute(Qt::WA_DeleteOnClose);
        info->showInfo({QStringLiteral("http://127.0.0.1/"), s("Новая версия"), true, s("Загрузить"), s("Отмена"),
                        s("Проверять обновления")},
                       [](bool, bool) {});
        MessageBoxes::warning(m_form.get(), s("Проверка"));
        action(NetFormWidgets::NetAction::Sms)->trigger();
        QWidget *sms = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == u"smsForm" && w->isVisible())
                sms = w;
        }
        QVERIFY(sms);
        auto *phoneBook = new TNoteBookForm(OperatorBook(m_dir->filePath(QStringLiteral("oss.lst")),
                                                         m_dir->filePath(QStringLiteral("dataoss.lst"))),
                                            m_dir->filePath(QStringLiteral("NoteBook.lst")), nullptr);
        phoneBook->show();
        m_form->contacts().add(s("PC2"), s("PC2"));
        QVERIFY(m_form->openKeyForm(0));
        action(NetFormWidgets::NetAction::IpEditor)->trigger(); // a modal one last

        const Audit audit = auditScreen();
        report(audit);
        for (const char *caption : {"Черный список - Zavolin", "Автоответчик - Zavolin", "Редактирование фраз - Zavolin",
                                    "Сообщение - Zavolin", "WebUpdate", "Внимание", "SMS - Zavolin",
                                    "Записная книжка - Zavolin", "ip - Zavolin", "Ключи и отпечатки: PC2 - Zavolin"})
            QVERIFY2(audit.names.contains(s(caption)), caption);
        QCOMPARE(audit.badWindows, QStringList());
        QCOMPARE(audit.unnamed, QStringList());
    }

    void keyboardPathThroughTheMainWindow()
    {
        QListView *contacts = m_form->widgets().listBox1();
        QPlainTextEdit *editor = m_form->widgets().memo1();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        contacts->setFocus();
        QTest::keyClick(contacts, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), editor);
        QTest::keyClick(editor, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), contacts);
        // Every toolbar button is reached by Tab: "Отправить файл" has no menu item.
        QWidget *sendFile = toolButton(NetFormWidgets::NetAction::SendFile);
        QCOMPARE(sendFile->focusPolicy(), Qt::TabFocus);
        QWidget *w = m_form->widgets().speedButton25();
        for (int i = 0; i < 40 && w != sendFile; ++i)
            w = w->nextInFocusChain();
        QCOMPARE(w, sendFile);

        // Alt alone takes the keyboard to the menu bar, whose items have no mnemonics.
        QMenuBar *bar = m_form->menuBar();
        QTest::keyClick(contacts, Qt::Key_Alt);
        QTRY_VERIFY(bar->activeAction());
        QCOMPARE(bar->activeAction()->text(), s("Сообщение"));
        QTest::keyClick(bar, Qt::Key_Escape);
        QTRY_VERIFY(!bar->activeAction());
    }

    void escapeClosesAndTheFocusComesBack()
    {
        QListView *contacts = m_form->widgets().listBox1();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        contacts->setFocus();

        action(NetFormWidgets::NetAction::Settings)->trigger();
        TSettingsForm *settings = m_form->settingsForm();
        QVERIFY(settings->isVisible());
        settings->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(settings));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : settings, Qt::Key_Escape);
        QTRY_VERIFY(!settings->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), contacts);

        action(NetFormWidgets::NetAction::Chat)->trigger();
        TChatForm *chat = topLevel<TChatForm>();
        QVERIFY(chat);
        chat->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(chat));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : chat, Qt::Key_Escape);
        QTRY_VERIFY(!topLevel<TChatForm>());
        QVERIFY(!action(NetFormWidgets::NetAction::Chat)->isChecked());
        QTRY_COMPARE(QApplication::focusWidget(), contacts);

        // The windows of their own that are no dialogs close on Escape too.
        action(NetFormWidgets::NetAction::Sms)->trigger();
        action(NetFormWidgets::NetAction::BlackList)->trigger();
        // The SMS window's word that no operator lists are installed goes first, by Escape as well.
        QTRY_VERIFY(topLevel<QMessageBox>());
        QTest::keyClick(topLevel<QMessageBox>(), Qt::Key_Escape);
        QTRY_VERIFY(!topLevel<QMessageBox>());
        for (const QString &name : {QStringLiteral("smsForm"), QStringLiteral("BlackListForm")}) {
            QPointer<QWidget> window;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == name && w->isVisible())
                    window = w;
            }
            QVERIFY2(window, qPrintable(name));
            window->activateWindow();
            QTRY_VERIFY(window->isActiveWindow());
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.data(), Qt::Key_Escape);
            QTRY_VERIFY2(!window || !window->isVisible(), qPrintable(name));
            QTRY_COMPARE(QApplication::focusWidget(), contacts);
        }
    }

    void chatJoinAndLeaveThroughTheirAccessibleActions()
    {
        operate(toolButton(NetFormWidgets::NetAction::Chat));
        QTRY_VERIFY(topLevel<TChatForm>());
        TChatForm *chat = topLevel<TChatForm>();
        chat->findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(s("Вася"));

        operate(chat->findChild<QToolButton *>(QStringLiteral("SpeedButton3")));
        QTRY_VERIFY(m_observer->heard().contains(s("&<--- Вася в чате! --->")));
        QCOMPARE(m_observer->heard().mid(2, 3),
                 QStringList({s("ZВася"), s("CPC-TEST"), s("&<--- Вася в чате! --->")}));
        QVERIFY(chat->session().isJoined());

        operate(chat->findChild<QToolButton *>(QStringLiteral("SpeedButton4")));
        QTRY_VERIFY(m_observer->heard().contains(s("&<--- Вася вышел из чата! --->")));
        QCOMPARE(m_observer->heard().mid(5),
                 QStringList({s("XВася"), s("VPC-TEST"), s("&<--- Вася вышел из чата! --->")}));
        QVERIFY(!chat->session().isJoined());

        // The main window's tool button closes the window again.
        operate(toolButton(NetFormWidgets::NetAction::Chat));
        QVERIFY(!action(NetFormWidgets::NetAction::Chat)->isChecked());
        QTRY_VERIFY(!topLevel<TChatForm>());
    }

    void optionItemAndViewButtonsThroughTheirAccessibleActions()
    {
        // The auto-answer item of the menu bar: its press switches the option,
        // which the network hears.
        QAction *autoAnswer = action(NetFormWidgets::NetAction::AutoAnswer);
        QMenuBar *bar = m_form->menuBar();
        QAccessibleInterface *barIface = accessible(bar);
        QVERIFY(barIface);
        QAccessibleInterface *item = nullptr;
        for (int i = 0; i < barIface->childCount() && !item; ++i) {
            QAccessibleInterface *menuItem = barIface->child(i);
            QAccessibleInterface *menu = menuItem ? menuItem->child(0) : nullptr;
            for (int j = 0; menu && j < menu->childCount(); ++j) {
                if (menu->child(j)->object() == autoAnswer)
                    item = menu->child(j);
            }
        }
        QVERIFY(item);
        QCOMPARE(item->text(QAccessible::Name), s("Автоответчик"));
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(autoAnswer->isChecked());
        QTRY_VERIFY(m_observer->heard().contains(s("(PC-TEST")));
        QVERIFY(item->state().checked);
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(m_observer->heard().count(s(")PC-TEST")), 2);

        // The view buttons bring their views to the front as a click does.
        QStackedWidget *views = m_form->widgets().views();
        operate(m_form->widgets().speedButton14());
        QCOMPARE(views->currentWidget(), m_form->widgets().panel2());
        QVERIFY(m_form->widgets().speedButton14()->isChecked());
        operate(m_form->widgets().speedButton13());
        QCOMPARE(views->currentWidget(), m_form->widgets().panel1());
        QVERIFY(m_form->widgets().speedButton13()->isChecked());

        // A contact is selected through its item's accessible action.
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), QByteArrayLiteral("%VASYA")));
        QListView *contacts = m_form->widgets().listBox1();
        QTRY_COMPARE(contacts->model()->rowCount(), 1);
        QAccessibleInterface *list = accessible(contacts);
        QAccessibleInterface *row = nullptr;
        for (int i = 0; i < list->childCount() && !row; ++i) {
            if (list->child(i)->text(QAccessible::Name) == s("VASYA, без шифрования")) // the name, then its trust level
                row = list->child(i);
        }
        QVERIFY(row);
        QVERIFY(row->actionInterface());
        row->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(contacts->selectionModel()->selectedRows().size(), 1);
        QVERIFY(row->state().selected);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
