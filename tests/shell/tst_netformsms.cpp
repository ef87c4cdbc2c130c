#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "SmsForm.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

// Each of the main window's three ways to the SMS window opens a window of
// its own, beside those already open.
class TestNetFormSms : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_form;

    static QList<TsmsForm *> smsWindows()
    {
        QList<TsmsForm *> out;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<TsmsForm *>(w); form && form->isVisible())
                out << form;
        }
        return out;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), QStringLiteral("pc-test")));
        m_form->startUp();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        for (TsmsForm *w : smsWindows())
            w->close();
        QTRY_VERIFY(smsWindows().isEmpty());
        m_form.reset();
        m_dir.reset();
    }

    void shortcutToolButtonAndTrayEachOpenANewWindow()
    {
        QAction *item = m_form->widgets().action(NetFormWidgets::NetAction::Sms);
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
        QVERIFY(smsWindows().isEmpty());

        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QTest::keyClick(m_form.get(), Qt::Key_M, Qt::ControlModifier);
        QTRY_COMPARE(smsWindows().size(), 1);

        auto *button = qobject_cast<QToolButton *>(m_form->widgets().toolBar()->widgetForAction(item));
        QVERIFY(button);
        button->click();
        QTRY_COMPARE(smsWindows().size(), 2);

        m_form->widgets().trayAction(NetFormWidgets::TrayAction::Sms)->trigger();
        QTRY_COMPARE(smsWindows().size(), 3);

        // Three windows, not one shown three times; closing one leaves the others.
        const QList<TsmsForm *> windows = smsWindows();
        QCOMPARE(QSet<TsmsForm *>(windows.begin(), windows.end()).size(), 3);
        windows.first()->close();
        QTRY_COMPARE(smsWindows().size(), 2);
    }
};

QTEST_MAIN(TestNetFormSms)
#include "tst_netformsms.moc"
