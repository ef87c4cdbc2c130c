#include "PanelEdge.h"
#include "PopupCascade.h"
#include "SlideMotion.h"

#include <QTest>

// Where popups stand and how they slide, driven by handing time in.
class TestSlideMotion : public QObject
{
    Q_OBJECT

    static constexpr QRect kScreen{0, 0, 1024, 768};

    static SlideMotion::Layout layout(int offset = 0, int stayMs = 10000)
    {
        return {QSize(148, 100), QPoint(2, 2), offset, 9, stayMs, true};
    }

    static int stepsUntil(SlideMotion &motion, SlideMotion::Phase phase)
    {
        int steps = 0;
        while (motion.phase() != phase && steps < 1000) {
            motion.advance(SlideMotion::kStepMs);
            ++steps;
        }
        return steps;
    }

private Q_SLOTS:
    void panelEdgeFromTheReservedStrip_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("edge");
        QTest::newRow("bottom") << QRect(0, 0, 1024, 738) << int(PanelEdge::Bottom);
        QTest::newRow("top") << QRect(0, 28, 1024, 740) << int(PanelEdge::Top);
        QTest::newRow("right") << QRect(0, 0, 990, 768) << int(PanelEdge::Right);
        QTest::newRow("left") << QRect(48, 0, 976, 768) << int(PanelEdge::Left);
        QTest::newRow("none") << kScreen << int(PanelEdge::Unknown);
        QTest::newRow("top and bottom: bottom") << QRect(0, 28, 1024, 700) << int(PanelEdge::Bottom);
        QTest::newRow("empty") << QRect() << int(PanelEdge::Unknown);
    }

    void panelEdgeFromTheReservedStrip()
    {
        QFETCH(QRect, available);
        QFETCH(int, edge);
        QCOMPARE(int(panelEdge(kScreen, available)), edge);
    }

    // Fully out after 11 steps and gone after 12 more with 100 pixels at 9 a step,
    // the content rising out of the panel and sinking back into it.
    void slidesInAndOutAtEachEdge_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QRect>("work");
        QTest::addColumn<QRect>("full");
        QTest::addColumn<QRect>("first");
        QTest::addColumn<QRect>("afterOneStep");
        QTest::addColumn<int>("stepsIn");
        QTest::addColumn<int>("stepsOut");
        QTest::newRow("bottom") << int(PanelEdge::Bottom) << QRect(0, 0, 1024, 738) << QRect(874, 636, 148, 100)
                                << QRect(874, 736, 148, 1) << QRect(874, 727, 148, 10) << 11 << 12;
        QTest::newRow("top") << int(PanelEdge::Top) << QRect(0, 28, 1024, 740) << QRect(874, 30, 148, 100)
                             << QRect(874, 30, 148, 1) << QRect(874, 30, 148, 10) << 11 << 12;
        QTest::newRow("right") << int(PanelEdge::Right) << QRect(0, 0, 990, 768) << QRect(840, 666, 148, 100)
                               << QRect(988, 666, 1, 100) << QRect(979, 666, 10, 100) << 17 << 17;
        QTest::newRow("left") << int(PanelEdge::Left) << QRect(48, 0, 976, 768) << QRect(50, 666, 148, 100)
                              << QRect(50, 666, 1, 100) << QRect(50, 666, 10, 100) << 17 << 17;
        QTest::newRow("unknown: bottom-right corner") << int(PanelEdge::Unknown) << kScreen
                                                      << QRect(874, 666, 148, 100) << QRect(874, 766, 148, 1)
                                                      << QRect(874, 757, 148, 10) << 11 << 12;
    }

    void slidesInAndOutAtEachEdge()
    {
        QFETCH(int, edge);
        QFETCH(QRect, work);
        QFETCH(QRect, full);
        QFETCH(QRect, first);
        QFETCH(QRect, afterOneStep);
        QFETCH(int, stepsIn);
        QFETCH(int, stepsOut);

        SlideMotion motion(PanelEdge(edge), work, layout(0, 1000));
        QCOMPARE(motion.fullGeometry(), full);
        QCOMPARE(motion.geometry(), first);
        QCOMPARE(motion.msUntilNextChange(), SlideMotion::kStepMs);
        motion.advance(SlideMotion::kStepMs - 1);
        QCOMPARE(motion.geometry(), first);
        motion.advance(1);
        QCOMPARE(motion.geometry(), afterOneStep);

        QCOMPARE(stepsUntil(motion, SlideMotion::Phase::Out) + 1, stepsIn);
        QCOMPARE(motion.geometry(), full);
        QCOMPARE(motion.msUntilNextChange(), 1000);

        motion.advance(999);
        QCOMPARE(motion.phase(), SlideMotion::Phase::Out);
        motion.advance(1);
        QCOMPARE(motion.phase(), SlideMotion::Phase::SlidingOut);
        QCOMPARE(motion.geometry(), full);
        QRect previous = motion.geometry();
        int steps = 0;
        while (motion.phase() != SlideMotion::Phase::Done) {
            motion.advance(SlideMotion::kStepMs);
            ++steps;
            if (motion.phase() == SlideMotion::Phase::Done)
                break;
            // Shrinks toward the panel, never past the popup's own place.
            QVERIFY(full.contains(motion.geometry()));
            QVERIFY(motion.geometry().width() * motion.geometry().height()
                    < previous.width() * previous.height());
            previous = motion.geometry();
        }
        QCOMPARE(steps, stepsOut);
        QCOMPARE(motion.msUntilNextChange(), -1);
    }

    void timeOutIsTheStayInSeconds()
    {
        SlideMotion motion(PanelEdge::Bottom, kScreen, layout(0, 300 * 1000));
        stepsUntil(motion, SlideMotion::Phase::Out);
        motion.advance(299 * 1000);
        QCOMPARE(motion.phase(), SlideMotion::Phase::Out);
        QCOMPARE(motion.msUntilNextChange(), 1000);
        // One long wait covers the rest of the stay and the steps that fell due in it.
        motion.advance(1000 + 3 * SlideMotion::kStepMs);
        QCOMPARE(motion.phase(), SlideMotion::Phase::SlidingOut);
        QCOMPARE(motion.geometry().height(), 100 - 3 * 9);
    }

    void withoutSlidingItStartsFullyOut()
    {
        SlideMotion::Layout l = layout();
        l.slideIn = false;
        SlideMotion motion(PanelEdge::Bottom, kScreen, l);
        QCOMPARE(motion.phase(), SlideMotion::Phase::Out);
        QCOMPARE(motion.geometry(), motion.fullGeometry());
    }

    void speedIsKeptInRange()
    {
        SlideMotion::Layout l = layout();
        l.speed = 0; // would never arrive
        SlideMotion motion(PanelEdge::Bottom, kScreen, l);
        QCOMPARE(stepsUntil(motion, SlideMotion::Phase::Out), 99);
    }

    void offsetMovesAwayFromThePanel()
    {
        const QRect bottomWork(0, 0, 1024, 738);
        QCOMPARE(SlideMotion(PanelEdge::Bottom, bottomWork, layout(102)).fullGeometry().top(), 636 - 102);
        const QRect topWork(0, 28, 1024, 740);
        QCOMPARE(SlideMotion(PanelEdge::Top, topWork, layout(102)).fullGeometry().top(), 30 + 102);
        // Where no panel is known popups stack as above a bottom panel.
        QCOMPARE(SlideMotion(PanelEdge::Unknown, kScreen, layout(102)).fullGeometry().top(), 666 - 102);
    }

    // Three popups 102 pixels apart, the stack kept while any is open, and no
    // popup whose top would leave the work area.
    void cascadeAndRoom()
    {
        const PopupCascade::Layout l{QSize(148, 100), QPoint(2, 2), 2, true};
        const QRect work(0, 0, 1024, 738);
        PopupCascade cascade;
        QCOMPARE(cascade.place(PanelEdge::Bottom, work, l).value_or(-1), 0);
        QCOMPARE(cascade.place(PanelEdge::Bottom, work, l).value_or(-1), 102);
        QCOMPARE(cascade.place(PanelEdge::Bottom, work, l).value_or(-1), 204);
        cascade.popupClosed();
        cascade.popupClosed();
        QCOMPARE(cascade.place(PanelEdge::Bottom, work, l).value_or(-1), 306);
        QCOMPARE(cascade.openCount(), 2);
        cascade.popupClosed();
        cascade.popupClosed();
        cascade.popupClosed(); // never below zero
        QCOMPARE(cascade.openCount(), 0);
        QCOMPARE(cascade.place(PanelEdge::Bottom, work, l).value_or(-1), 0);

        // 738 - 2 - 100 = 636 = 6 * 102 + 24: the seventh fits, the eighth does not.
        for (int i = 1; i < 7; ++i)
            QVERIFY(cascade.place(PanelEdge::Bottom, work, l));
        QVERIFY(!cascade.place(PanelEdge::Bottom, work, l));
        QCOMPARE(cascade.openCount(), 7);
    }

    void roomAtEveryEdge_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<QRect>("work");
        QTest::addColumn<int>("fitting");
        // Work area 400 high: 2 + 100 per popup, 102 apart.
        QTest::newRow("bottom") << int(PanelEdge::Bottom) << QRect(0, 0, 800, 400) << 3;
        QTest::newRow("top, below its panel") << int(PanelEdge::Top) << QRect(0, 30, 800, 400) << 3;
        QTest::newRow("left climbs like bottom") << int(PanelEdge::Left) << QRect(40, 0, 760, 400) << 3;
        QTest::newRow("right climbs like bottom") << int(PanelEdge::Right) << QRect(0, 0, 760, 400) << 3;
        QTest::newRow("work area below a top offset") << int(PanelEdge::Bottom) << QRect(0, 200, 800, 200) << 1;
    }

    void roomAtEveryEdge()
    {
        QFETCH(int, edge);
        QFETCH(QRect, work);
        QFETCH(int, fitting);
        const PopupCascade::Layout l{QSize(148, 100), QPoint(2, 2), 2, true};
        PopupCascade cascade;
        for (int i = 0; i < fitting; ++i) {
            const std::optional<int> offset = cascade.place(PanelEdge(edge), work, l);
            QVERIFY(offset);
            // Every popup lies wholly inside the work area.
            const QRect full = SlideMotion(PanelEdge(edge), work, {l.size, l.gap, *offset, 9, 1000, true}).fullGeometry();
            QVERIFY2(work.contains(full), qPrintable(QStringLiteral("popup %1").arg(i)));
        }
        QVERIFY(!cascade.place(PanelEdge(edge), work, l));
    }

    void panelMovedStartsAnew()
    {
        const PopupCascade::Layout l{QSize(148, 100), QPoint(2, 2), 2, true};
        PopupCascade cascade;
        cascade.place(PanelEdge::Bottom, kScreen, l);
        cascade.place(PanelEdge::Bottom, kScreen, l);
        QCOMPARE(cascade.place(PanelEdge::Top, kScreen, l).value_or(-1), 0);
        QCOMPARE(cascade.openCount(), 1);
    }

    void unknownEdgeStacksAsAtTheBottomAndNoCascadeStaysAtThePanel()
    {
        PopupCascade cascade;
        PopupCascade::Layout l{QSize(148, 100), QPoint(2, 2), 2, true};
        // 768 - 2 - 100 = 666 = 6 * 102 + 54: seven popups, each beside the one before, then no room.
        QList<QRect> placed;
        for (int i = 0; i < 7; ++i) {
            const std::optional<int> offset = cascade.place(PanelEdge::Unknown, kScreen, l);
            QCOMPARE(offset.value_or(-1), i * 102);
            const QRect full = SlideMotion(PanelEdge::Unknown, kScreen, {l.size, l.gap, *offset, 9, 1000, true})
                                   .fullGeometry();
            QVERIFY(kScreen.contains(full));
            for (const QRect &other : std::as_const(placed))
                QVERIFY(!other.intersects(full));
            placed.append(full);
        }
        QVERIFY(!cascade.place(PanelEdge::Unknown, kScreen, l));
        QCOMPARE(cascade.openCount(), 7);
        // All gone: the next one stands at the corner again.
        for (int i = 0; i < 7; ++i)
            cascade.popupClosed();
        QCOMPARE(cascade.place(PanelEdge::Unknown, kScreen, l).value_or(-1), 0);

        PopupCascade flat;
        l.cascade = false;
        QCOMPARE(flat.place(PanelEdge::Bottom, kScreen, l).value_or(-1), 0);
        QCOMPARE(flat.place(PanelEdge::Bottom, kScreen, l).value_or(-1), 0);
    }
};

QTEST_GUILESS_MAIN(TestSlideMotion)
#include "tst_slidemotion.moc"
