#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "SettingsForm.h"
#include "ShowInfoUpdateForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The windows the main window opens, on the screen ctest gives (640 x 480,
// and 1024 x 700 at scale 1.5): each within the screen, each closed by
// Escape, and the keyboard's way out of every text field.
class TestToolWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_form;
    // Each tool window by its object name, and the item of the main window that opens it.
    const QList<std::pair<QString, QString>> m_tools = {{u"TransfersForm"_s, u"TransfersAction"_s},
                                                        {u"HistoryForm"_s, u"HistoryAction"_s},
                                                        {u"OutboxForm"_s, u"OutboxAction"_s},
                                                        {u"smsForm"_s, u"SmsAction"_s}};

    static QWidget *shown(const QString &objectName)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == objectName && w->isVisible())
                return w;
        }
        return nullptr;
    }

    // Opens a tool window as the user does and waits until it has the keyboard.
    QWidget *open(const QString &window, const QString &item)
    {
        m_form->findChild<QAction *>(item)->trigger();
        if (!QTest::qWaitFor([&] { return shown(window) != nullptr; }))
            return nullptr;
        QCoreApplication::processEvents(); // what the window posted to itself as it opened
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox *>(w) && w->isVisible())
                w->close(); // the SMS window's word about missing operator lists
        }
        QWidget *opened = shown(window);
        return QTest::qWaitFor([opened] { return QApplication::activeWindow() == opened; }) ? opened : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QFile settings(m_dir->filePath(u"Zavolin.ini"_s));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Form]\r\nCh18=0\r\n"); // stays shown; no place stored: the default one
        settings.close();
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), u"pc-test"_s));
        m_form->startUp();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                w->close();
                w->deleteLater();
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_dir.reset();
    }

    void everyWindowFitsTheScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(area.width() < 700, "runs on a small screen only");
        QList<QWidget *> windows{m_form.get()};
        for (const auto &[window, item] : m_tools)
            windows << open(window, item);
        m_form->findChild<QAction *>(u"SettingsAction"_s)->trigger();
        windows << m_form->settingsForm();
        // A fixed-size window, as the update window is, made larger than this screen.
        auto *update = new Tfrm_ShowInfoUpdate(m_form.get());
        update->setFixedSize(area.size() + QSize(60, 40));
        update->show();
        windows << update;
        for (QWidget *w : std::as_const(windows)) {
            QVERIFY(w && w->isVisible());
            const QRect outer = w->frameGeometry();
            QVERIFY2(area.contains(outer), qPrintable(u"%1 at %2,%3 %4x%5"_s.arg(w->objectName()).arg(outer.x())
                                                          .arg(outer.y()).arg(outer.width()).arg(outer.height())));
        }
    }

    void escapeClosesEveryToolWindow()
    {
        for (const auto &[name, item] : m_tools) {
            QPointer<QWidget> window = open(name, item);
            QVERIFY2(window, qPrintable(name)); // and it has the keyboard at once
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.data(), Qt::Key_Escape);
            QTRY_VERIFY2(!window || !window->isVisible(), qPrintable(name));
            QTRY_VERIFY(m_form->isActiveWindow()); // the focus is back where it came from
        }
    }

    // Tab leaves every text field; Ctrl+Tab types the tab character.
    void tabLeavesTheTextFields()
    {
        Recipient off;
        off.host = u"127.0.0.2"_s;
        m_form->messenger().queueForLater(off, u"later"_s);
        const std::pair<QWidget *, QString> fields[] = {{m_form.get(), u"Memo1"_s},
                                                        {open(u"smsForm"_s, u"SmsAction"_s), u"Memo1"_s},
                                                        {open(u"OutboxForm"_s, u"OutboxAction"_s), u"OutboxText"_s}};
        for (const auto &[window, field] : fields) {
            QVERIFY(window);
            window->activateWindow();
            QTRY_VERIFY(window->isActiveWindow());
            auto *edit = window->findChild<QPlainTextEdit *>(field);
            edit->setFocus();
            edit->setPlainText(u"a"_s);
            edit->moveCursor(QTextCursor::End);
            QTest::keyClick(edit, Qt::Key_Tab, Qt::ControlModifier);
            QTest::keyClick(edit, Qt::Key_Tab);
            QVERIFY2(!edit->hasFocus(), qPrintable(window->objectName()));
            QCOMPARE(edit->toPlainText(), u"a\t"_s);
        }
    }
};

QTEST_MAIN(TestToolWindows)
#include "tst_toolwindows.moc"
