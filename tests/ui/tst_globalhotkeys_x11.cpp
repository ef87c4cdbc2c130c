#include "GlobalHotKeys.h"
#include "TestDependency.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr uint16_t kControl = XCB_MOD_MASK_CONTROL;
constexpr uint16_t kNumLock = XCB_MOD_MASK_2;

// Another program on the same X server, to see whose the keys are.
class OtherClient
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    bool isConnected() const { return !xcb_connection_has_error(m_connection); }

    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) const
    {
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
            xcb_get_keyboard_mapping_reply(m_connection,
                                           xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count), nullptr),
            &std::free);
        const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply.get());
        for (int k = 0; k < count; ++k) {
            if (syms[k * reply->keysyms_per_keycode] == keysym)
                return xcb_keycode_t(setup->min_keycode + k);
        }
        return 0;
    }

    // True when the combination was free and is now this client's.
    bool grab(xcb_keycode_t keycode, uint16_t modifiers)
    {
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    void ungrab(xcb_keycode_t keycode, uint16_t modifiers)
    {
        xcb_ungrab_key(m_connection, keycode, m_root, modifiers);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
};

// Requests of two clients reach the server in no fixed order: a round trip
// on the program's own connection makes sure its grabs and ungrabs are done.
void syncProgramConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

// Runs under Xvfb with the xcb platform; elsewhere it skips.
class TestGlobalHotKeysX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            ZV_MISSING_DEPENDENCY("needs an X server (Debian package xvfb runs one)");
        m_other = std::make_unique<OtherClient>();
        QVERIFY(m_other->isConnected());
        m_q = m_other->keycodeOf('q');
        m_r = m_other->keycodeOf('r');
        QVERIFY(m_q != 0 && m_r != 0);
    }

    void cleanup() { m_other.reset(); }

    void registeringTakesBothKeysInEveryLockState()
    {
        GlobalHotKeys keys;
        QVERIFY(keys.registerKeys());
        QVERIFY(keys.isRegistered());
        QVERIFY(keys.registerKeys()); // a second time: no change

        for (const uint16_t locks : {uint16_t(0), uint16_t(XCB_MOD_MASK_LOCK), kNumLock,
                                     uint16_t(XCB_MOD_MASK_LOCK | kNumLock)}) {
            QVERIFY(!m_other->grab(m_q, kControl | locks));
            QVERIFY(!m_other->grab(m_r, kControl | locks));
        }
        // Other combinations of the same keys stay free.
        QVERIFY(m_other->grab(m_q, kControl | XCB_MOD_MASK_SHIFT));
        m_other->ungrab(m_q, kControl | XCB_MOD_MASK_SHIFT);
    }

    void unregisteringGivesTheKeysBack()
    {
        GlobalHotKeys keys;
        QVERIFY(keys.registerKeys());
        keys.unregisterKeys();
        QVERIFY(!keys.isRegistered());
        syncProgramConnection();
        QVERIFY(m_other->grab(m_q, kControl));
        QVERIFY(m_other->grab(m_r, kControl | kNumLock));
        m_other->ungrab(m_q, kControl);
        m_other->ungrab(m_r, kControl | kNumLock);
    }

    void destroyingGivesTheKeysBack()
    {
        {
            GlobalHotKeys keys;
            QVERIFY(keys.registerKeys());
        }
        syncProgramConnection();
        QVERIFY(m_other->grab(m_q, kControl));
        m_other->ungrab(m_q, kControl);
    }

    void keysTakenByAnotherProgramAreLeftAlone()
    {
        const QList<uint16_t> lockStates = {0, XCB_MOD_MASK_LOCK, kNumLock, XCB_MOD_MASK_LOCK | kNumLock};
        for (const uint16_t locks : lockStates)
            QVERIFY(m_other->grab(m_q, kControl | locks));
        {
            // Ctrl+R is still free: registered with that key alone.
            GlobalHotKeys keys;
            QVERIFY(keys.registerKeys());
            QVERIFY(!m_other->grab(m_r, kControl));
        }
        for (const uint16_t locks : lockStates)
            QVERIFY(m_other->grab(m_r, kControl | locks));
        {
            GlobalHotKeys keys;
            QVERIFY(!keys.registerKeys());
            QVERIFY(!keys.isRegistered());
        }
        syncProgramConnection();
        // Unregistering took nothing away from the other program.
        OtherClient third;
        QVERIFY(!third.grab(m_q, kControl));
        QVERIFY(!third.grab(m_r, kControl | kNumLock));
        for (const uint16_t locks : lockStates) {
            m_other->ungrab(m_q, kControl | locks);
            m_other->ungrab(m_r, kControl | locks);
        }
    }

    void pressesAreReported_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("virtualKey");
        QTest::newRow("ctrl+q") << QStringLiteral("ctrl+q") << 0x51;
        QTest::newRow("ctrl+r") << QStringLiteral("ctrl+r") << 0x52;
        QTest::newRow("ctrl+q, NumLock on") << QStringLiteral("Num_Lock ctrl+q Num_Lock") << 0x51;
        QTest::newRow("ctrl+r, CapsLock on") << QStringLiteral("Caps_Lock ctrl+r Caps_Lock") << 0x52;
        QTest::newRow("q alone") << QStringLiteral("q") << 0;
        QTest::newRow("ctrl+shift+q") << QStringLiteral("ctrl+shift+q") << 0;
        QTest::newRow("ctrl+alt+r") << QStringLiteral("ctrl+alt+r") << 0;
    }

    void pressesAreReported()
    {
        QFETCH(QString, keys);
        QFETCH(int, virtualKey);
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty())
            ZV_MISSING_DEPENDENCY("xdotool is not installed (Debian package xdotool)");

        GlobalHotKeys hotKeys;
        QVERIFY(hotKeys.registerKeys());
        QSignalSpy pressed(&hotKeys, &GlobalHotKeys::hotKeyPressed);
        QProcess typist;
        QSignalSpy finished(&typist, &QProcess::finished);
        typist.start(xdotool, QStringList{QStringLiteral("key")} + keys.split(u' '));
        QVERIFY(finished.wait(10000));
        QCOMPARE(typist.exitCode(), 0);

        if (virtualKey == 0) {
            QVERIFY(!pressed.wait(300));
            return;
        }
        QVERIFY(pressed.count() == 1 || pressed.wait(5000));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0).at(0).toInt(), GlobalHotKeys::kModControl);
        QCOMPARE(pressed.at(0).at(1).toInt(), virtualKey);
    }

private:
    std::unique_ptr<OtherClient> m_other;
    xcb_keycode_t m_q = 0;
    xcb_keycode_t m_r = 0;
};

QTEST_MAIN(TestGlobalHotKeysX11)
#include "tst_globalhotkeys_x11.moc"
