#include "FloatForm.h"
#include "IniFile.h"
#include "SettingKeys.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The floating bar: its place kept in the settings file, its ringing, its
// outline drag and its double click.
class TestFloatForm : public QObject
{
    Q_OBJECT

    static void send(QWidget *w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint global)
    {
        const QPointF local = w->mapFromGlobal(QPointF(global));
        QMouseEvent event(type, local, local, QPointF(global), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }

    static QRubberBand *outline()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *band = qobject_cast<QRubberBand *>(w))
                return band;
        return nullptr;
    }

    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Zavolin.ini")); }

private Q_SLOTS:
    void init() { QFile::remove(iniPath()); }

    void placeKeptBetweenRuns()
    {
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        {
            TFloatForm form(iniPath());
            QCOMPARE(form.pos(), QPoint(screen.width() / 2, screen.height() / 2));
            QCOMPARE(form.size(), QSize(73, 21));
            form.move(-500, 3000); // off screen is kept as it is
        }
        IniFile ini(iniPath());
        QCOMPARE(ini.readInteger(u"FloatForm", u"Left", 0), -500);
        QCOMPARE(ini.readInteger(u"FloatForm", u"Top", 0), 3000);
        TFloatForm again(iniPath());
        QCOMPARE(again.pos(), QPoint(-500, 3000));
    }

    // A place that cannot be stored is told in the program's error box, as
    // every refused settings write is; at the end of the program the main
    // window's own save tells it instead.
    void refusedPlaceIsShown()
    {
        const QString unwritable = m_dir.filePath(QStringLiteral("missing/Zavolin.ini"));
        auto shownBoxes = [] {
            QList<QMessageBox *> boxes;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                    boxes.append(box);
            }
            return boxes;
        };
        {
            TFloatForm atExit(unwritable);
            atExit.endAtExit();
        }
        QCoreApplication::processEvents();
        QVERIFY(shownBoxes().isEmpty());
        {
            TFloatForm form(unwritable);
        }
        QTRY_COMPARE(shownBoxes().size(), 1);
        QMessageBox *box = shownBoxes().first();
        QCOMPARE(box->text(), QStringLiteral("Unable to write to ") + unwritable);
        QCOMPARE(box->windowTitle(), QStringLiteral("Zavolin"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->done(QMessageBox::Ok);
    }

    void ringsUntilStopped()
    {
        TFloatForm form(iniPath());
        form.show();
        QCOMPARE(form.frame(), 0);
        form.setRinging(true);
        form.setRinging(true); // a second message keeps it ringing
        QTRY_COMPARE_WITH_TIMEOUT(form.frame(), 1, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(form.frame(), 0, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(form.frame(), 1, 3000);
        form.stopRinging();
        QVERIFY(!form.isRinging());
        QCOMPARE(form.frame(), 0);
        // The two frames differ: the ringing marks.
        QVERIFY(TFloatForm::glyphFrame(0) != TFloatForm::glyphFrame(1));
    }

    void keepsRingingWhileMessagesComeFasterThanItSteps()
    {
        TFloatForm form(iniPath());
        form.show();
        // A message every 50 ms, each ringing again: the glyph still steps.
        QTimer messages;
        QObject::connect(&messages, &QTimer::timeout, &form, [&form] { form.setRinging(true); });
        form.setRinging(true);
        messages.start(50);
        QTRY_COMPARE_WITH_TIMEOUT(form.frame(), 1, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(form.frame(), 0, 3000);
        QVERIFY(form.isRinging());
    }

    void dragShowsAnOutlineAndMovesOnRelease()
    {
        TFloatForm form(iniPath());
        form.move(100, 100);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint start = form.mapToGlobal(QPoint(10, 10));
        send(&form, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        send(&form, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(30, 40));
        auto *outline = QApplication::topLevelWidgets().size() ? [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *band = qobject_cast<QRubberBand *>(w))
                    return band;
            return static_cast<QRubberBand *>(nullptr);
        }() : nullptr;
        QVERIFY(outline);
        QCOMPARE(outline->geometry().topLeft(), form.frameGeometry().topLeft() + QPoint(30, 40));
        QCOMPARE(form.pos(), QPoint(100, 100)); // only the outline moves
        send(&form, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, start + QPoint(30, 40));
        QCOMPARE(form.pos(), QPoint(130, 140));

        // The right button does nothing.
        send(&form, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, start);
        send(&form, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, start + QPoint(50, 50));
        QCOMPARE(form.pos(), QPoint(130, 140));
    }

    // The outline belongs to the bar: hiding or closing the bar in the middle
    // of a drag takes it off the screen.
    void outlineGoesWithTheBar()
    {
        auto *form = new TFloatForm(iniPath());
        form->move(100, 100);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        const QPoint start = form->mapToGlobal(QPoint(10, 10));
        send(form, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        send(form, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(5, 5));
        QVERIFY(outline() && outline()->isVisible());
        form->hide();
        QVERIFY(!outline());
        // A release after that moves nothing.
        send(form, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, start + QPoint(5, 5));
        QCOMPARE(form->pos(), QPoint(100, 100));

        form->show();
        send(form, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        QVERIFY(outline() && outline()->isVisible());
        delete form;
        QVERIFY(!outline());
    }

    void doubleClickReportsOnce()
    {
        TFloatForm form(iniPath());
        form.show();
        QSignalSpy spy(&form, &TFloatForm::doubleClicked);
        QTest::mouseDClick(&form, Qt::LeftButton, {}, QPoint(30, 10));
        QCOMPARE(spy.size(), 1);
    }
};

QTEST_MAIN(TestFloatForm)
#include "tst_floatform.moc"
