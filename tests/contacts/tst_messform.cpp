#include "MessForm.h"
#include "SystemFormats.h"

#include <QGuiApplication>
#include <QLabel>

#include <QPointer>
#include <QPushButton>

#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestMessForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->close();
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void showsHeadlineAndMoment()
    {
        const QDateTime before = QDateTime::currentDateTime();
        QPointer<TMessForm> form = TMessForm::showNotice(u"ИВАНОВ is online"_s);
        const QDateTime after = QDateTime::currentDateTime();

        QVERIFY(form && form->isVisible());
        QCOMPARE(form->windowTitle(), u"Сообщение - Zavolin"_s);
        QCOMPARE(form->label1()->text(), u"ИВАНОВ is online"_s);
        QVERIFY(form->label1()->font().bold());
        // The desktop's short date and long time (without a time zone), of the moment it opened.
        const QString moment = form->label2()->text();
        QVERIFY2(moment == SystemFormats::dateTime(before) || moment == SystemFormats::dateTime(after),
                 qPrintable(moment));
        QVERIFY(!form->isModal());
        QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(form->okButton()->text(), u"Ok"_s);
        QCOMPARE(form->label1()->textFormat(), Qt::PlainText);
    }

    void centredOnScreen()
    {
        QPointer<TMessForm> form = TMessForm::showNotice(u"A is offline"_s);
        const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
        const QPoint own = form->geometry().center();
        QVERIFY2((own - centre).manhattanLength() <= 40,
                 qPrintable(u"%1,%2"_s.arg(own.x()).arg(own.y())));
    }

    void closesAndDestroys_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("Ok button") << false;
        QTest::newRow("Enter key") << true;
    }

    void closesAndDestroys()
    {
        QFETCH(bool, byKey);
        QPointer<TMessForm> form = TMessForm::showNotice(u"B is online"_s);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        if (byKey)
            QTest::keyClick(form, Qt::Key_Return);
        else
            QTest::mouseClick(form->okButton(), Qt::LeftButton);
        QTRY_VERIFY(form.isNull());
    }

    void severalAtOnce()
    {
        QPointer<TMessForm> first = TMessForm::showNotice(u"A is online"_s);
        QPointer<TMessForm> second = TMessForm::showNotice(u"B is online"_s);
        QVERIFY(first && second && first != second);
        QVERIFY(first->isVisible() && second->isVisible());
        QCOMPARE(first->label1()->text(), u"A is online"_s);

        second->okButton()->click();
        QTRY_VERIFY(second.isNull());
        QVERIFY(first && first->isVisible());
    }

    // With the main window in the tray a notice can be the only window on screen.
    void closingTheLastNoticeKeepsTheProgramRunning()
    {
        QPointer<TMessForm> form = TMessForm::showNotice(u"C is offline"_s);
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        // The signal is only raised inside the application's own loop.
        QTimer::singleShot(0, form, [&form] {
            form->okButton()->click();
            QCoreApplication::exit(0);
        });
        QApplication::exec();
        QTRY_VERIFY(form.isNull());
        QVERIFY2(lastClosed.isEmpty(), "closing a notice must never end the program");
    }
};

QTEST_MAIN(TestMessForm)
#include "tst_messform.moc"
