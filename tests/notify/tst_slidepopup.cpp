#include "Gradients.h"
#include "SlidePopUp.h"
#include "SlidePopUpForm.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

// The popup windows: placed and stacked against the panel, clicked, closed,
// and never taking the keyboard from the window the user types in.
class TestSlidePopUp : public QObject
{
    Q_OBJECT

    static void bottomPanel(TSlidePopUp &popups)
    {
        popups.setScreenSource([] {
            return TSlidePopUp::ScreenArea{QRect(0, 0, 800, 600), QRect(0, 0, 800, 570)};
        });
        popups.look().size = QSize(148, 100);
        popups.look().startGap = QPoint(2, 2);
        popups.look().timeOutSeconds = 1;
    }

private Q_SLOTS:
    void threeStackUpwardsAndAllCloseAtOnce()
    {
        TSlidePopUp popups;
        bottomPanel(popups);
        QSignalSpy clicked(&popups, &TSlidePopUp::clicked);
        for (int i = 0; i < 3; ++i)
            QVERIFY(popups.showPopUp());
        const QList<TfrmSlidePopUp *> shown = popups.popups();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(popups.openCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(shown.at(i)->motion().fullGeometry(), QRect(650, 468 - 102 * i, 148, 100));
            QVERIFY(shown.at(i)->isVisible());
        }
        // A release on the title reports the click and leaves the popup up.
        QTest::mouseClick(shown.at(1), Qt::LeftButton, {}, QPoint(60, 10));
        QCOMPARE(clicked.size(), 1);
        QVERIFY(shown.at(1)->isVisible());

        popups.closePopUps();
        QTRY_COMPARE(popups.openCount(), 0);
        QVERIFY(popups.popups().isEmpty());
        // The next starts at the panel again.
        QVERIFY(popups.showPopUp());
        QCOMPARE(popups.popups().constFirst()->offset(), 0);
    }

    // A desktop that reserves no strip (or none we can see): the popups still
    // stand beside each other, from the bottom-right corner up, until the
    // screen is full.
    void withoutAPanelTheyStackAndStop()
    {
        TSlidePopUp popups;
        bottomPanel(popups);
        popups.setScreenSource([] { return TSlidePopUp::ScreenArea{QRect(0, 0, 800, 600), QRect(0, 0, 800, 600)}; });
        // 600 - 2 - 100 = 498 = 4 * 102 + 90: five fit.
        for (int i = 0; i < 5; ++i)
            QVERIFY(popups.showPopUp());
        QVERIFY(!popups.showPopUp());
        const QList<TfrmSlidePopUp *> shown = popups.popups();
        QCOMPARE(shown.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(shown.at(i)->motion().fullGeometry(), QRect(650, 498 - 102 * i, 148, 100));
        popups.closePopUps();
        QTRY_COMPARE(popups.openCount(), 0);
    }

    void textClickEndsThatPopup()
    {
        TSlidePopUp popups;
        bottomPanel(popups);
        popups.look().text = QStringLiteral("Получено сообщение от: VASYA");
        QVERIFY(popups.showPopUp());
        TfrmSlidePopUp *popup = popups.popups().constFirst();
        QSignalSpy clicked(&popups, &TSlidePopUp::clicked);
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->textRect().center());
        QCOMPARE(clicked.size(), 1);
        QTRY_COMPARE(popups.openCount(), 0);
    }

    void slidesOutAndFreesItself()
    {
        TSlidePopUp popups;
        bottomPanel(popups);
        QVERIFY(popups.showPopUp());
        QPointer<TfrmSlidePopUp> popup = popups.popups().constFirst();
        QTRY_COMPARE_WITH_TIMEOUT(popup->motion().phase(), SlideMotion::Phase::Out, 5000);
        QCOMPARE(popup->geometry(), QRect(650, 468, 148, 100));
        QTRY_VERIFY_WITH_TIMEOUT(popup.isNull(), 10000);
        QCOMPARE(popups.openCount(), 0);
    }

    void textIsCentredAndWrapped()
    {
        PopupLook look;
        look.size = QSize(148, 100);
        look.textAlignment = Qt::AlignHCenter;
        look.text = QStringLiteral("Получено сообщение от: ") + QString(40, u'Ж');
        TfrmSlidePopUp popup(look, PanelEdge::Bottom, QRect(0, 0, 800, 600), 0);
        const QRect text = popup.textRect();
        QCOMPARE(text.left(), 8);
        QCOMPARE(text.width(), 133);
        QVERIFY(text.height() > QFontMetrics(look.font).height()); // more than one line
        QVERIFY(qAbs(text.center().y() - 50) <= 1);
    }

    void neverTakesTheKeyboard()
    {
        QLineEdit editor;
        editor.show();
        editor.activateWindow();
        editor.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QTRY_COMPARE(QApplication::focusWidget(), &editor);

        TSlidePopUp popups;
        bottomPanel(popups);
        QVERIFY(popups.showPopUp());
        TfrmSlidePopUp *popup = popups.popups().constFirst();
        QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(popup->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        // Through the whole slide-in the user keeps typing into the editor.
        QTRY_COMPARE_WITH_TIMEOUT(popup->motion().phase(), SlideMotion::Phase::Out, 5000);
        QCOMPARE(QApplication::activeWindow(), &editor);
        QCOMPARE(QApplication::focusWidget(), &editor);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        QCOMPARE(editor.text(), QStringLiteral("abc"));
    }

    void gradientsReachTheirEnds()
    {
        QCOMPARE(Gradients::popupRow(Qt::blue, Qt::black, 0, 96), QColor(0, 0, 255));
        QCOMPARE(Gradients::popupRow(Qt::blue, Qt::black, 96, 96), QColor(0, 0, 0));
        // 255 * 48 / 96 = 127.5 rounds away from zero.
        QCOMPARE(Gradients::popupRow(Qt::blue, Qt::black, 48, 96), QColor(0, 0, 127));
        QCOMPARE(Gradients::popupRow(Qt::black, Qt::blue, 48, 96), QColor(0, 0, 128));

        const QImage vertical = Gradients::menu(QSize(20, 100), Qt::blue, Qt::black, Gradients::Direction::Vertical);
        QCOMPARE(vertical.pixelColor(5, 0), QColor(0, 0, 255));
        QCOMPARE(vertical.pixelColor(5, 99), QColor(0, 0, 255 - 255 * 99 / 100));
        const QImage diagonal
            = Gradients::menu(QSize(100, 22), Qt::white, Qt::black, Gradients::Direction::DiagonalLeftRight);
        QCOMPARE(diagonal.pixelColor(0, 0), QColor(Qt::white));
        QVERIFY(diagonal.pixelColor(99, 21).red() < 10);
        const QImage solid = Gradients::menu(QSize(4, 4), Qt::red, Qt::red, Gradients::Direction::Horizontal);
        QCOMPARE(solid.pixelColor(3, 3), QColor(Qt::red));
    }
};

QTEST_MAIN(TestSlidePopUp)
#include "tst_slidepopup.moc"
