#include "GlobalHotKeys.h"

#include <QSignalSpy>
#include <QTest>

// Without X11 (here: the offscreen platform) the hot keys are silently absent.
class TestGlobalHotKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void absentWithoutX11()
    {
        GlobalHotKeys keys;
        QSignalSpy pressed(&keys, &GlobalHotKeys::hotKeyPressed);
        QVERIFY(!keys.registerKeys());
        QVERIFY(!keys.registerKeys());
        QVERIFY(!keys.isRegistered());
        keys.unregisterKeys();
        keys.unregisterKeys();
        QVERIFY(!keys.isRegistered());
        QCoreApplication::processEvents();
        QCOMPARE(pressed.count(), 0);
    }

    void unregisteringWhatWasNeverRegisteredIsHarmless()
    {
        auto keys = std::make_unique<GlobalHotKeys>();
        keys->unregisterKeys();
        keys.reset();
    }

    void reportsTheClassicKeyCodes()
    {
        QCOMPARE(GlobalHotKeys::kModControl, 2);
        QCOMPARE(GlobalHotKeys::kKeyQ, 0x51);
        QCOMPARE(GlobalHotKeys::kKeyR, 0x52);
    }
};

QTEST_MAIN(TestGlobalHotKeys)
#include "tst_globalhotkeys.moc"
