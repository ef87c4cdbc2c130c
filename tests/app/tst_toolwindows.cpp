#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "SettingsForm.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using NetAction = NetFormWidgets::NetAction;

// The windows the main window opens, on the screen the test is given (ctest
// runs it on a 640 x 480 screen and on a 1024 x 700 one at scale 1.5): each
// within the screen, each closed by Escape, and the keyboard's way out of
// every text field.
class TestToolWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_form;

    QAction *item(const char *objectName) const
    {
        return m_form->findChild<QAction *>(QString::fromLatin1(objectName));
    }

    static QWidget *shown(const QString &objectName)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == objectName && w->isVisible())
                return w;
        }
        return nullptr;
    }

    static void closeBoxes()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                box->close();
        }
    }

    // Opens the window named `objectName` through `open` and waits until it is shown.
    static QWidget *open(const std::function<void()> &open, const QString &objectName)
    {
        open();
        if (!QTest::qWaitFor([&] { return shown(objectName) != nullptr; }))
            return nullptr;
        QCoreApplication::processEvents(); // what the window posted to itself as it opened
        closeBoxes(); // the SMS window's word about missing operator lists
        QWidget *window = shown(objectName);
        // The box gives the focus back to its window; then the window is the user's.
        QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
        return window;
    }

    struct Opener
    {
        QString window;
        std::function<void()> open;
    };

    QList<Opener> toolWindows()
    {
        return {
            {u"TransfersForm"_s, [this] { m_form->openTransfers(); }},
            {u"HistoryForm"_s, [this] { item("HistoryAction")->trigger(); }},
            {u"OutboxForm"_s, [this] { item("OutboxAction")->trigger(); }},
            {u"smsForm"_s, [this] { m_form->widgets().action(NetAction::Sms)->trigger(); }},
        };
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
        for (const Opener &opener : toolWindows()) {
            windows << open(opener.open, opener.window);
            QVERIFY2(windows.last(), qPrintable(opener.window));
        }
        m_form->widgets().action(NetAction::Settings)->trigger();
        windows << m_form->settingsForm();
        for (QWidget *w : std::as_const(windows)) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
            const QRect outer = w->frameGeometry();
            QVERIFY2(area.contains(outer), qPrintable(u"%1 at %2,%3 %4x%5"_s.arg(w->objectName())
                                                          .arg(outer.x()).arg(outer.y())
                                                          .arg(outer.width()).arg(outer.height())));
        }
    }

    void escapeClosesEveryToolWindow()
    {
        for (const Opener &opener : toolWindows()) {
            QPointer<QWidget> window = open(opener.open, opener.window);
            QVERIFY2(window, qPrintable(opener.window));
            // Opened by the user: the window has the keyboard at once.
            QTRY_VERIFY2(QApplication::activeWindow() == window, qPrintable(opener.window));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.data(), Qt::Key_Escape);
            QTRY_VERIFY2(!window || !window->isVisible(), qPrintable(opener.window));
            QTRY_VERIFY(m_form->isActiveWindow()); // the focus is back where it came from
        }
    }

    // Tab leaves every text field; Ctrl+Tab types the tab character.
    void tabLeavesTheTextFields()
    {
        Recipient off;
        off.host = u"127.0.0.2"_s;
        off.displayName = u"OFF"_s;
        m_form->messenger().queueForLater(off, u"later"_s);
        const QList<std::pair<QString, QString>> fields = {
            {u"NetForm"_s, u"Memo1"_s}, {u"smsForm"_s, u"Memo1"_s}, {u"OutboxForm"_s, u"OutboxText"_s}};
        for (const auto &[window, field] : fields) {
            QWidget *top = window == u"NetForm" ? m_form.get() : nullptr;
            for (const Opener &opener : toolWindows()) {
                if (opener.window == window)
                    top = open(opener.open, window);
            }
            QVERIFY(top);
            auto *edit = top->findChild<QPlainTextEdit *>(field);
            top->activateWindow();
            QTRY_VERIFY2(top->isActiveWindow(), qPrintable(window));
            edit->setFocus();
            edit->setPlainText(u"a"_s);
            edit->moveCursor(QTextCursor::End);
            QTest::keyClick(edit, Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(edit->toPlainText(), u"a\t"_s);
            QTest::keyClick(edit, Qt::Key_Tab);
            QVERIFY2(!edit->hasFocus(), qPrintable(window));
            QCOMPARE(edit->toPlainText(), u"a\t"_s);
        }
    }
};

QTEST_MAIN(TestToolWindows)
#include "tst_toolwindows.moc"
