#include "AliasAssign.h"
#include "MessageBoxProbe.h"
#include "BlackListForm.h"
#include "ContactDrag.h"
#include "ContactList.h"
#include "IniFile.h"
#include "IpForm.h"
#include "LineListFile.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

// The windows around the contact list: the IP address list, the blacklist and
// the alias question, driven as a user would, headless.
class TestContactForms : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ContactList> m_contacts;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString iniPath() const { return path(u"Zavolin.ini"_s); }
    QString ipPath() const { return path(u"ip.lst"_s); }
    QString blackPath() const { return path(u"BlackList.lst"_s); }
    // A folder that does not exist: every write there fails.
    QString unwritable(const QString &name) const { return path(u"missing/"_s + name); }

    static QByteArray fileBytes(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    template<class T>
    static T *child(const QWidget *parent, const QString &name)
    {
        T *found = parent->findChild<T *>(name);
        if (!found)
            qWarning("no child %s", qPrintable(name));
        return found;
    }

    static QInputDialog *openInput(const QWidget *parent)
    {
        for (QInputDialog *box : parent->findChildren<QInputDialog *>()) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    }

    static void clickRow(QListWidget *list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList items(const QListWidget *list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    TipForm *openIpForm(const QString &ipList)
    {
        auto *form = new TipForm(ipList, iniPath(), *m_contacts);
        form->open();
        return form;
    }

    // Answers the IP form's input box with text (or cancels it with a null text).
    void answerIpBox(TipForm *form, const QString &text)
    {
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton1"_s), Qt::LeftButton);
        QInputDialog *box = openInput(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Zavolin"_s);
        QCOMPARE(box->labelText(), u"Введите IP-адрес абонента"_s);
        QCOMPARE(box->textValue(), QString());
        if (text.isNull()) {
            box->reject();
        } else {
            box->setTextValue(text);
            box->accept();
        }
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_contacts = std::make_unique<ContactList>();
    }

    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->close();
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        m_contacts.reset();
        m_dir.reset();
    }

    // --- IP address list ---

    void ipFormShowsFileAndControls()
    {
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s, u"server-2"_s}));
        TipForm *form = openIpForm(ipPath());
        QCOMPARE(form->windowTitle(), u"ip - Zavolin"_s);
        QVERIFY(form->isModal());
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QVERIFY(form->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(items(form->listBox1()), QStringList({u"10.0.0.1"_s, u"server-2"_s}));
        QCOMPARE(form->listBox1()->objectName(), u"ListBox1"_s);
        QCOMPARE(child<QToolButton>(form, u"SpeedButton1"_s)->toolTip(), u"Добавить IP-адрес"_s);
        QCOMPARE(child<QToolButton>(form, u"SpeedButton2"_s)->toolTip(), u"Удалить IP-адрес"_s);
        QCOMPARE(child<QToolButton>(form, u"SpeedButton4"_s)->toolTip(), u"Добавить в контактный лист"_s);
        for (const QString &glyph : {u"SpeedButton1"_s, u"SpeedButton2"_s, u"SpeedButton4"_s})
            QVERIFY(!child<QToolButton>(form, glyph)->icon().isNull());
        QCOMPARE(child<QToolButton>(form, u"SpeedButton3"_s)->text(), u"Ok"_s);
    }

    void ipFormStartsEmptyWithoutFile()
    {
        TipForm *form = openIpForm(ipPath());
        QCOMPARE(form->listBox1()->count(), 0);
    }

    void addingAnAddressRefusesDuplicates()
    {
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s}));
        TipForm *form = openIpForm(ipPath());

        answerIpBox(form, u"10.0.0.2"_s);
        QCOMPARE(form->addresses(), QStringList({u"10.0.0.1"_s, u"10.0.0.2"_s}));

        answerIpBox(form, u"10.0.0.1"_s);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        QCOMPARE(box->text(), u"Такой IP-адрес уже существует!"_s);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(form->addresses(), QStringList({u"10.0.0.1"_s, u"10.0.0.2"_s}));

        // Not validated, and compared exactly: another spelling is another entry.
        answerIpBox(form, u" 10.0.0.1"_s);
        answerIpBox(form, QString());
        QCOMPARE(form->addresses(), QStringList({u"10.0.0.1"_s, u"10.0.0.2"_s, u" 10.0.0.1"_s}));
        QVERIFY(!MessageBoxProbe::open(form));
    }

    void removingAnAddressRemovesItsAlias()
    {
        IniFile ini(iniPath());
        ini.writeString(u"Aliases", u"10.0.0.1", u"Шеф"_s);
        ini.writeString(u"Aliases", u"PC2", u"Вася"_s);
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s, u"10.0.0.3"_s}));
        TipForm *form = openIpForm(ipPath());
        auto *remove = child<QToolButton>(form, u"SpeedButton2"_s);

        // Nothing selected: nothing happens, not even a message.
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(form->listBox1()->count(), 2);
        QVERIFY(!MessageBoxProbe::open(form));

        clickRow(form->listBox1(), 0);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(form->addresses(), QStringList({u"10.0.0.3"_s}));
        QVERIFY(!ini.valueExists(u"Aliases", u"10.0.0.1"));
        QCOMPARE(ini.readString(u"Aliases", u"PC2"), u"Вася"_s);
        // The alias goes at once, even if the list is then thrown away.
        form->reject();
        QVERIFY(!ini.valueExists(u"Aliases", u"10.0.0.1"));
        QCOMPARE(LineListFile::load(ipPath()), QStringList({u"10.0.0.1"_s, u"10.0.0.3"_s}));
    }

    void addingToTheContactListTwiceAddsTwice()
    {
        IniFile(iniPath()).writeString(u"Aliases", u"10.0.0.1", u"Шеф"_s);
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s, u"10.0.0.3"_s}));
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        TipForm *form = openIpForm(ipPath());
        auto *toContacts = child<QToolButton>(form, u"SpeedButton4"_s);

        QTest::mouseClick(toContacts, Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        QCOMPARE(box->text(), u"Не выбран IP_адрес!"_s);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(m_contacts->count(), 1);

        clickRow(form->listBox1(), 0);
        QTest::mouseClick(toContacts, Qt::LeftButton);
        QTest::mouseClick(toContacts, Qt::LeftButton);
        clickRow(form->listBox1(), 1);
        QTest::mouseClick(toContacts, Qt::LeftButton);
        QCOMPARE(m_contacts->displayNames(), QStringList({u"PC1"_s, u"Шеф"_s, u"Шеф"_s, u"10.0.0.3"_s}));
        QCOMPARE(m_contacts->addresses(),
                 QStringList({u"PC1"_s, u"10.0.0.1"_s, u"10.0.0.1"_s, u"10.0.0.3"_s}));
    }

    void clickingAnEntryShowsItsAliasAsTooltip()
    {
        IniFile(iniPath()).writeString(u"Aliases", u"10.0.0.1", u"Шеф"_s);
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s, u"10.0.0.3"_s}));
        TipForm *form = openIpForm(ipPath());
        clickRow(form->listBox1(), 0);
        QCOMPARE(form->listBox1()->toolTip(), u"Шеф"_s);
        clickRow(form->listBox1(), 1);
        QCOMPARE(form->listBox1()->toolTip(), QString());
    }

    void okSavesAndOtherClosingDiscards()
    {
        QVERIFY(LineListFile::save(ipPath(), {u"10.0.0.1"_s}));
        QPointer<TipForm> form = openIpForm(ipPath());
        answerIpBox(form, u"10.0.0.9"_s);
        form->reject();
        QTRY_VERIFY(!form);
        QCOMPARE(fileBytes(ipPath()), QByteArray("10.0.0.1\r\n"));

        form = openIpForm(ipPath());
        answerIpBox(form, u"Бухгалтерия"_s);
        QSignalSpy accepted(form.data(), &QDialog::accepted);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton3"_s), Qt::LeftButton);
        QCOMPARE(accepted.size(), 1);
        QTRY_VERIFY(!form);
        QCOMPARE(fileBytes(ipPath()), QByteArray("10.0.0.1\r\n\xC1\xF3\xF5\xE3\xE0\xEB\xF2\xE5\xF0\xE8\xFF\r\n"));
    }

    void failedSaveKeepsTheWindow()
    {
        TipForm *form = openIpForm(unwritable(u"ip.lst"_s));
        answerIpBox(form, u"10.0.0.7"_s);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton3"_s), Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Ошибка"_s);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QVERIFY2(box->text().contains(unwritable(u"ip.lst"_s)), qPrintable(box->text()));
        MessageBoxProbe::closeAndWait(box);
        QVERIFY(form->isVisible());
        QCOMPARE(form->addresses(), QStringList({u"10.0.0.7"_s}));
    }

    // --- Blacklist ---

private:
    struct MainWindow
    {
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        QListView *list = new QListView(window.get());
    };

    std::unique_ptr<MainWindow> showMainWindow()
    {
        auto main = std::make_unique<MainWindow>();
        main->list->setObjectName(u"ListBox1"_s);
        main->list->setModel(m_contacts.get());
        main->list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        main->window->setGeometry(500, 120, 300, 300);
        main->window->show();
        return main;
    }

    TBlackListForm *openBlackList(const MainWindow &main, const QString &file)
    {
        auto *form = new TBlackListForm(file, *m_contacts, main.list, main.window.get());
        form->show();
        return form;
    }

private Q_SLOTS:
    void blackListOpensBesideTheMainWindow()
    {
        auto main = showMainWindow();
        m_contacts->setBlacklist({u"PC7"_s, u"Шеф"_s});
        QVERIFY(!main->list->dragEnabled());
        auto *form = new TBlackListForm(blackPath(), *m_contacts, main->list, main->window.get());
        QSignalSpy opened(form, &TBlackListForm::opened);
        QSignalSpy closed(form, &TBlackListForm::closed);
        form->show();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(form->windowTitle(), u"Черный список - Zavolin"_s);
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QVERIFY(!form->isModal());
        QCOMPARE(form->frameGeometry().top(), main->window->frameGeometry().top());
        QCOMPARE(form->frameGeometry().right() + 1, main->window->frameGeometry().left());
        QCOMPARE(items(form->listBox1()), QStringList({u"PC7"_s, u"Шеф"_s}));
        QVERIFY(child<QToolButton>(form, u"SpeedButton1"_s)->text() == u"Добавить"_s);
        QVERIFY(child<QToolButton>(form, u"SpeedButton2"_s)->text() == u"Удалить"_s);
        QVERIFY(main->list->dragEnabled());

        QPointer<TBlackListForm> guard(form);
        form->close();
        QCOMPARE(closed.size(), 1);
        QTRY_VERIFY(!guard);
        QVERIFY(!main->list->dragEnabled());
    }

    void blackListStaysOnScreenBesideAWindowAtTheEdge()
    {
        auto main = showMainWindow();
        main->window->move(0, 40);
        TBlackListForm *form = openBlackList(*main, blackPath());
        QVERIFY(form->frameGeometry().left() >= main->window->screen()->availableGeometry().left());
        QCOMPARE(form->frameGeometry().top(), main->window->frameGeometry().top());
    }

    void typedNamesAreStoredUpperCaseAndMarked()
    {
        auto main = showMainWindow();
        m_contacts->add(u"PC-IV Иван"_s, u"10.0.0.4"_s);
        m_contacts->add(u"pc-iv иван"_s, u"10.0.0.5"_s);
        TBlackListForm *form = openBlackList(*main, blackPath());
        QSignalSpy repainted(m_contacts.get(), &ContactList::dataChanged);

        form->edit1()->setText(u"pc-iv Иван"_s);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton1"_s), Qt::LeftButton);
        // ASCII letters only change case.
        QCOMPARE(items(form->listBox1()), QStringList({u"PC-IV Иван"_s}));
        QCOMPARE(form->edit1()->text(), QString());
        QCOMPARE(fileBytes(blackPath()), QByteArray("PC-IV \xC8\xE2\xE0\xED\r\n"));
        QCOMPARE(m_contacts->blacklist(), QStringList({u"PC-IV Иван"_s}));
        QVERIFY(!repainted.isEmpty());
        QVERIFY(m_contacts->data(m_contacts->index(0), ContactList::BlacklistedRole).toBool());
        QVERIFY(!m_contacts->data(m_contacts->index(1), ContactList::BlacklistedRole).toBool());

        // No duplicate check.
        form->edit1()->setText(u"PC-IV Иван"_s);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton1"_s), Qt::LeftButton);
        QCOMPARE(LineListFile::load(blackPath()), QStringList({u"PC-IV Иван"_s, u"PC-IV Иван"_s}));
    }

    void refusalsAreTold_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("add with empty field") << u"SpeedButton1"_s << u"Введите имя компьютера!"_s;
        QTest::newRow("remove without selection")
            << u"SpeedButton2"_s << u"Не выбран компьютер для удаления из \"черного списка\"!"_s;
    }

    void refusalsAreTold()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        auto main = showMainWindow();
        m_contacts->setBlacklist({u"PC7"_s});
        TBlackListForm *form = openBlackList(*main, blackPath());
        QTest::mouseClick(child<QToolButton>(form, button), Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        QCOMPARE(box->text(), text);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(items(form->listBox1()), QStringList({u"PC7"_s}));
        QVERIFY(!QFile::exists(blackPath()));
    }

    void removingSavesAndDropsTheMarker()
    {
        auto main = showMainWindow();
        m_contacts->add(u"PC7"_s, u"PC7"_s);
        QVERIFY(LineListFile::save(blackPath(), {u"PC7"_s, u"PC8"_s}));
        m_contacts->setBlacklist(LineListFile::load(blackPath()));
        TBlackListForm *form = openBlackList(*main, blackPath());
        clickRow(form->listBox1(), 0);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton2"_s), Qt::LeftButton);
        QCOMPARE(items(form->listBox1()), QStringList({u"PC8"_s}));
        QCOMPARE(fileBytes(blackPath()), QByteArray("PC8\r\n"));
        QCOMPARE(m_contacts->blacklist(), QStringList({u"PC8"_s}));
        QVERIFY(!m_contacts->data(m_contacts->index(0), ContactList::BlacklistedRole).toBool());

        clickRow(form->listBox1(), 0);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton2"_s), Qt::LeftButton);
        QCOMPARE(fileBytes(blackPath()), QByteArray());
        QVERIFY(m_contacts->blacklist().isEmpty());
    }

    void dropsComeOnlyFromTheContactList()
    {
        auto main = showMainWindow();
        m_contacts->add(u"Шеф Petrov"_s, u"PC1"_s);
        TBlackListForm *form = openBlackList(*main, blackPath());
        QListWidget stranger;
        const std::unique_ptr<QMimeData> data(ContactDrag::mimeDataFor(u"Шеф Petrov"_s));

        QVERIFY(!form->dropContact(&stranger, data.get()));
        QVERIFY(!form->dropContact(nullptr, data.get()));
        QMimeData plain;
        plain.setText(u"PC1"_s);
        QVERIFY(!form->dropContact(main->list, &plain));
        QCOMPARE(form->listBox1()->count(), 0);

        // A drag from outside the program has no source in this process.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(form->listBox1()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(form->listBox1()->viewport(), &drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(form->listBox1()->count(), 0);

        // From the contact list the name is kept as shown, lower case included.
        QVERIFY(form->dropContact(main->list, data.get()));
        QCOMPARE(items(form->listBox1()), QStringList({u"Шеф Petrov"_s}));
        QCOMPARE(LineListFile::load(blackPath()), QStringList({u"Шеф Petrov"_s}));
        QVERIFY(m_contacts->data(m_contacts->index(0), ContactList::BlacklistedRole).toBool());
    }

    void draggingFromTheContactListCarriesTheName()
    {
        auto main = showMainWindow();
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        m_contacts->add(u"Вася"_s, u"PC2"_s);
        QWidget *viewport = main->list->viewport();
        const QPoint from = main->list->visualRect(m_contacts->index(1)).center();
        auto drag = [&] {
            QMouseEvent press(QEvent::MouseButtonPress, from, viewport->mapToGlobal(from), Qt::LeftButton,
                              Qt::LeftButton, {});
            QApplication::sendEvent(viewport, &press);
            const QPoint to = from + QPoint(QApplication::startDragDistance() + 5, 0);
            QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(viewport, &move);
            QMouseEvent release(QEvent::MouseButtonRelease, to, viewport->mapToGlobal(to), Qt::LeftButton,
                                Qt::NoButton, {});
            QApplication::sendEvent(viewport, &release);
        };

        ContactDrag contactDrag(main->list);
        QSignalSpy started(&contactDrag, &ContactDrag::dragStarting);
        drag();
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.at(0).at(0).toString(), u"Вася"_s);
        QCOMPARE(contactDrag.dragSource(), main->list);
    }

    void failedBlackListSaveStillApplies()
    {
        auto main = showMainWindow();
        m_contacts->add(u"PC9"_s, u"PC9"_s);
        TBlackListForm *form = openBlackList(*main, unwritable(u"BlackList.lst"_s));
        form->edit1()->setText(u"pc9"_s);
        QTest::mouseClick(child<QToolButton>(form, u"SpeedButton1"_s), Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Ошибка"_s);
        QVERIFY2(box->text().contains(unwritable(u"BlackList.lst"_s)), qPrintable(box->text()));
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(items(form->listBox1()), QStringList({u"PC9"_s}));
        QCOMPARE(m_contacts->blacklist(), QStringList({u"PC9"_s}));
    }

    // --- Alias ---

    void aliasRefusals_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("text");
        QTest::newRow("two selected") << 0 << 2 << u"Выбрано несколько абонентов!"_s;
        QTest::newRow("two selected, none current") << -1 << 2 << u"Выбрано несколько абонентов!"_s;
        QTest::newRow("none current") << -1 << 0 << u"Не выбран абонент!"_s;
        QTest::newRow("none current, one selected") << -1 << 1 << u"Не выбран абонент!"_s;
    }

    void aliasRefusals()
    {
        QFETCH(int, current);
        QFETCH(int, selected);
        QFETCH(QString, text);
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        QWidget window;
        window.show();
        QVERIFY(!AliasAssign::start(*m_contacts, current, selected, iniPath(), &window));
        QMessageBox *box = MessageBoxProbe::open(&window);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        QCOMPARE(box->text(), text);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QVERIFY(!openInput(&window));
        MessageBoxProbe::closeAndWait(box);
    }

    void aliasIsStoredAndTheContactMovesToTheEnd()
    {
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        m_contacts->add(u"Старое"_s, u"10.0.0.2"_s);
        m_contacts->add(u"PC3"_s, u"PC3"_s);
        QWidget window;
        window.show();
        QInputDialog *box = AliasAssign::start(*m_contacts, 1, 1, iniPath(), &window);
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), u"Zavolin"_s);
        QCOMPARE(box->labelText(), u"Введите псевдоним"_s);
        QCOMPARE(box->textValue(), u"Старое"_s);
        box->setTextValue(u"Бухгалтер Оля"_s);
        box->accept();
        QCOMPARE(IniFile(iniPath()).readString(u"Aliases", u"10.0.0.2"), u"Бухгалтер Оля"_s);
        QCOMPARE(m_contacts->displayNames(), QStringList({u"PC1"_s, u"PC3"_s, u"Бухгалтер Оля"_s}));
        QCOMPARE(m_contacts->addresses(), QStringList({u"PC1"_s, u"PC3"_s, u"10.0.0.2"_s}));
    }

    void aliasCancelChangesNothing()
    {
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        m_contacts->add(u"PC2"_s, u"PC2"_s);
        QWidget window;
        QInputDialog *box = AliasAssign::start(*m_contacts, 0, 0, iniPath(), &window);
        QVERIFY(box);
        box->reject();
        QVERIFY(!QFile::exists(iniPath()));
        QCOMPARE(m_contacts->addresses(), QStringList({u"PC1"_s, u"PC2"_s}));
    }

    void anEmptyAliasIsStoredEmpty()
    {
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        QWidget window;
        QInputDialog *box = AliasAssign::start(*m_contacts, 0, 0, iniPath(), &window);
        box->setTextValue(QString());
        box->accept();
        QVERIFY(IniFile(iniPath()).valueExists(u"Aliases", u"PC1"));
        QCOMPARE(IniFile(iniPath()).readString(u"Aliases", u"PC1", u"none"_s), QString());
        QCOMPARE(m_contacts->displayNames(), QStringList({QString()}));
    }

    void aliasFollowsTheContactWhileTheBoxIsOpen()
    {
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        m_contacts->add(u"PC2"_s, u"PC2"_s);
        m_contacts->add(u"PC3"_s, u"PC3"_s);
        QWidget window;
        QInputDialog *box = AliasAssign::start(*m_contacts, 1, 1, iniPath(), &window);
        // PC1 says farewell while the user types.
        m_contacts->removeAt(0);
        box->setTextValue(u"Вася"_s);
        box->accept();
        QCOMPARE(m_contacts->displayNames(), QStringList({u"PC3"_s, u"Вася"_s}));
        QCOMPARE(m_contacts->addresses(), QStringList({u"PC3"_s, u"PC2"_s}));

        // A contact that left meanwhile only gets its alias stored.
        box = AliasAssign::start(*m_contacts, 0, 1, iniPath(), &window);
        m_contacts->removeAt(0);
        box->setTextValue(u"Петя"_s);
        box->accept();
        QCOMPARE(IniFile(iniPath()).readString(u"Aliases", u"PC3"), u"Петя"_s);
        QCOMPARE(m_contacts->addresses(), QStringList({u"PC2"_s}));
    }

    void refusedAliasWriteIsReported()
    {
        m_contacts->add(u"PC1"_s, u"PC1"_s);
        m_contacts->add(u"PC2"_s, u"PC2"_s);
        QWidget window;
        window.show();
        QInputDialog *box = AliasAssign::start(*m_contacts, 0, 0, unwritable(u"Zavolin.ini"_s), &window);
        box->setTextValue(u"Шеф"_s);
        box->accept();
        QMessageBox *error = MessageBoxProbe::open(&window);
        QVERIFY(error);
        QCOMPARE(error->windowTitle(), u"Ошибка"_s);
        QCOMPARE(error->icon(), QMessageBox::Critical);
        QVERIFY2(error->text().contains(u"Unable to write to "_s + unwritable(u"Zavolin.ini"_s)),
                 qPrintable(error->text()));
        MessageBoxProbe::closeAndWait(error);
        QCOMPARE(m_contacts->displayNames(), QStringList({u"PC1"_s, u"PC2"_s}));
    }
};

QTEST_MAIN(TestContactForms)
#include "tst_contactforms.moc"
