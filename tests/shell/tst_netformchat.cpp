#include "ChatForm.h"
#include "Cp1251.h"
#include "IniFile.h"
#include "DatagramObserver.h"
#include "LoopbackEnvironment.h"
#include "NetForm.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
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

} // namespace

// The chat window as the main window opens, feeds and ends it, with the
// datagrams sent to a listener of the test on loopback.
class TestNetFormChat : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DatagramObserver> m_observer;
    std::unique_ptr<TNetForm> m_form;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("Zavolin.ini")); }
    QAction *chatItem() const { return m_form->widgets().action(NetFormWidgets::NetAction::Chat); }
    TChatForm *chatWindow() const
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<TChatForm *>(w); form && form->isVisible())
                return form;
        }
        return nullptr;
    }

    QStringList heard() const
    {
        return m_observer->heard();
    }

    void sendToForm(const QString &datagram)
    {
        QVERIFY(DatagramObserver::sendTo(m_form->datagramPort(), Cp1251::encode(datagram)));
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
        m_observer.reset();
        m_dir.reset();
    }

    void menuTrayAndToolButtonToggleTheOneWindow()
    {
        QCOMPARE(chatItem()->objectName(), QStringLiteral("N28"));
        QCOMPARE(chatItem()->text(), s("Чат"));
        QVERIFY(chatItem()->isCheckable());
        QCOMPARE(chatItem()->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));

        m_form->widgets().trayAction(NetFormWidgets::TrayAction::Chat)->trigger();
        QVERIFY(chatItem()->isChecked());
        TChatForm *window = chatWindow();
        QVERIFY(window);

        // The dispatcher reaches the open window: a nick from the network is listed.
        sendToForm(s("ZПетя"));
        QTRY_COMPARE(window->session().participants(), QStringList{s("Петя")});

        auto *button = qobject_cast<QToolButton *>(m_form->widgets().toolBar()->widgetForAction(chatItem()));
        QVERIFY(button);
        QCOMPARE(button->toolTip(), s("Чат (Ctrl + H)"));
        button->click();
        QVERIFY(!chatItem()->isChecked());
        QTRY_VERIFY(!chatWindow());
        sendToForm(s("ZМаша")); // no window: nobody to list it, nothing breaks

        button->click();
        QVERIFY(chatItem()->isChecked());
        QVERIFY(chatWindow());
        QVERIFY(chatWindow()->session().participants().isEmpty());
    }

    void endOfProgramLeavesBeforeTheFarewellAndWritesTheSection()
    {
        chatItem()->trigger();
        TChatForm *window = chatWindow();
        QVERIFY(window);
        window->findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(s("Вася"));
        window->findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->click();
        QTRY_VERIFY(heard().contains(s("ZВася")));

        const int width = window->frameGeometry().width(); // the window goes with the program
        QSignalSpy finished(m_form.get(), &TNetForm::finished);
        m_form->endSession(); // mid-join: what is due goes out at once, then the leave
        QCOMPARE(finished.size(), 1);
        QTRY_COMPARE(heard().size(), 9);
        QCOMPARE(heard().mid(2), QStringList({s("ZВася"), s("CPC-TEST"), s("&<--- Вася в чате! --->"),
                                              s("XВася"), s("VPC-TEST"), s("&<--- Вася вышел из чата! --->"),
                                              s("#PC-TEST")}));
        QCOMPARE(IniFile(iniPath()).readString(u"ChatForm", u"Login"), s("Вася"));
        QCOMPARE(IniFile(iniPath()).readInteger(u"ChatForm", u"Width", 0), width);
    }
};

QTEST_MAIN(TestNetFormChat)
#include "tst_netformchat.moc"
