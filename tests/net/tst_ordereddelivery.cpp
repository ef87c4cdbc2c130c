#include "OrderedDelivery.h"

#include <QTest>
#include <QTimer>

#include <memory>

// Delivery one at a time, in order, from the event loop, with the loop served
// between events.
class TestOrderedDelivery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void backlogYieldsToTheLoopBetweenEvents()
    {
        // A timer due while the first event runs must not wait for the whole
        // backlog: acknowledgements, accepts and signals ride on such events.
        QObject owner;
        OrderedDelivery delivery(&owner);
        QStringList order;
        delivery.post([&] {
            order << QStringLiteral("1");
            QTimer::singleShot(0, &owner, [&] { order << QStringLiteral("timer"); });
        });
        delivery.post([&] { order << QStringLiteral("2"); });
        delivery.post([&] { order << QStringLiteral("3"); });
        QCOMPARE(order, QStringList()); // never from inside post()
        QTRY_COMPARE(order.size(), 4);
        QCOMPARE(order.indexOf(QStringLiteral("timer")), 1);
        QCOMPARE(order.mid(0, 1) + order.mid(2), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
        QCOMPARE(delivery.pending(), 0);
    }

    void eventsPostedFromAHandlerComeAfterItAndNeverInsideIt()
    {
        QObject owner;
        OrderedDelivery delivery(&owner);
        QStringList order;
        int depth = 0, maxDepth = 0;
        delivery.post([&] {
            maxDepth = std::max(maxDepth, ++depth);
            delivery.post([&] {
                maxDepth = std::max(maxDepth, ++depth);
                order << QStringLiteral("posted inside");
                --depth;
            });
            QTest::qWait(50); // a handler that spins the loop, as a dialog would
            order << QStringLiteral("first");
            --depth;
        });
        delivery.post([&] { order << QStringLiteral("second"); });
        QTRY_COMPARE(order.size(), 3);
        QCOMPARE(order, QStringList({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("posted inside")}));
        QCOMPARE(maxDepth, 1);
    }

    void aFullBacklogIsToldOnceAndItsEndOnceDrained()
    {
        QObject owner;
        OrderedDelivery delivery(&owner);
        QList<bool> told;
        delivery.setBacklogBound(3, 1, [&](bool full) { told << full; });
        int ran = 0;
        for (int i = 0; i < 5; ++i)
            delivery.post([&] { ++ran; });
        QCOMPARE(told, QList<bool>{true}); // once, at the third
        QTRY_COMPARE(ran, 5);
        QCOMPARE(told, QList<bool>({true, false})); // once, down at one
        for (int i = 0; i < 3; ++i)
            delivery.post([&] { ++ran; });
        delivery.clear(); // what is dropped no longer holds the work back
        QCOMPARE(told, QList<bool>({true, false, true, false}));
    }

    void clearDropsWhatIsQueuedAndAHandlerMayDestroyTheOwner()
    {
        auto owner = std::make_unique<QObject>();
        auto delivery = std::make_unique<OrderedDelivery>(owner.get());
        int ran = 0;
        delivery->post([&] { ++ran; });
        delivery->clear();
        delivery->post([&] {
            ++ran;
            delivery.reset(); // the owner's destruction takes the delivery with it
            owner.reset();
        });
        QTRY_VERIFY(!owner);
        QCOMPARE(ran, 1);
    }
};

QTEST_GUILESS_MAIN(TestOrderedDelivery)
#include "tst_ordereddelivery.moc"
