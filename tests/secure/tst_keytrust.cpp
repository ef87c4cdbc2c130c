// Who is who on the secure channel, decided from what the network says and
// what our own handshakes prove: every attack a LAN host can make with
// datagrams and names, as events fed to the trust and the verdicts it gives.
#include "KeyAnnouncement.h"
#include "KeyTrust.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kReal = QString(64, u'A');
const QString kEve = QString(64, u'E');
const QString kThird = QString(64, u'C');
const QString kPcAt = u"10.0.0.2"_s;
const QString kEveAt = u"10.0.0.66"_s;
} // namespace

// One event a LAN host can cause: P presence, A announcement, H our handshake proved a key.
struct Event
{
    char kind;
    QString name;
    QString address;
    QString key;
};
Q_DECLARE_METATYPE(Event)

class TestKeyTrust : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<PinStore> m_pins;
    std::unique_ptr<KeyTrust> m_trust;
    qint64 m_now = 0;

    void feed(const QList<Event> &events)
    {
        for (const Event &e : events) {
            if (e.kind == 'P')
                m_trust->notePresence(e.name, e.address);
            else if (e.kind == 'A')
                m_trust->noteAnnouncement(KeyAnnouncement{e.name, 6712, e.key}, e.address);
            else
                m_trust->noteHandshake(e.name, e.address, e.key);
        }
    }

private Q_SLOTS:
    void init()
    {
        m_pins = std::make_unique<PinStore>(m_home.filePath(u"pins.txt"_s));
        m_trust = std::make_unique<KeyTrust>(*m_pins);
        m_trust->setOwnName(u"ME"_s);
        m_trust->setClock([this] { return m_now; });
        m_now = 1000;
    }
    void cleanup()
    {
        m_trust.reset();
        QFile::remove(m_pins->path());
        m_pins.reset();
    }

    void onlyProofFromThePresenceAddressPins_data()
    {
        QTest::addColumn<QList<Event>>("events");
        QTest::addColumn<int>("checks");
        QTest::addColumn<QString>("pinned"); // the key pinned to PC at the end, or empty
        QTest::addColumn<int>("conflicts");
        QTest::newRow("presence, announcement, proof") << QList<Event>{{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}} << 1 << kReal << 0;
        QTest::newRow("announcement before presence") << QList<Event>{{'A', u"PC"_s, kPcAt, kReal}, {'P', u"PC"_s, kPcAt, {}}, {'H', u"PC"_s, kPcAt, kReal}} << 1 << kReal << 0;
        QTest::newRow("announcement alone") << QList<Event>{{'A', u"PC"_s, kEveAt, kEve}} << 0 << QString() << 0;
        QTest::newRow("announcement from another address than the presence") << QList<Event>{{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kEveAt, kEve}} << 0 << QString() << 0;
        QTest::newRow("host proves another key than announced") << QList<Event>{{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kEve}, {'H', u"PC"_s, kPcAt, kReal}} << 1 << QString() << 0;
        QTest::newRow("handshake that no presence asked for") << QList<Event>{{'H', u"PC"_s, kEveAt, kEve}} << 0 << QString() << 0;
        QTest::newRow("our own name") << QList<Event>{{'P', u"ME"_s, kEveAt, {}}, {'A', u"me"_s, kEveAt, kEve}, {'H', u"ME"_s, kEveAt, kEve}} << 0 << QString() << 0;
        QTest::newRow("two addresses, two keys") << QList<Event>{{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'P', u"PC"_s, kEveAt, {}}, {'A', u"PC"_s, kEveAt, kEve}, {'H', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kEveAt, kEve}} << 2 << QString() << 1;
        QTest::newRow("one host moving with its key") << QList<Event>{{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'P', u"PC"_s, kEveAt, {}}, {'A', u"PC"_s, kEveAt, kReal}, {'H', u"PC"_s, kEveAt, kReal}} << 2 << kReal << 0;
    }
    void onlyProofFromThePresenceAddressPins()
    {
        QFETCH(QList<Event>, events);
        QFETCH(int, checks);
        QFETCH(QString, pinned);
        QFETCH(int, conflicts);
        QSignalSpy asked(m_trust.get(), &KeyTrust::verificationWanted);
        QSignalSpy conflicted(m_trust.get(), &KeyTrust::keysConflict);
        feed(events);
        QCOMPARE(asked.size(), checks);
        const auto pin = m_pins->pin(u"PC"_s);
        QCOMPARE(pin ? pin->fingerprint : QString(), pinned);
        QVERIFY(!m_pins->pin(u"ME"_s));
        QCOMPARE(conflicted.size(), conflicts);
        if (conflicts) {
            QCOMPARE(m_trust->candidates(u"PC"_s).size(), 2);
            QVERIFY(m_trust->accept(u"PC"_s, kReal)); // the user chooses
            QCOMPARE(m_pins->pin(u"PC"_s)->address, kPcAt);
        }
    }

    // A pinned name: datagrams never replace, warn or block; a real handshake
    // with another key warns once per key; checks are bounded in rate.
    void datagramsNeverMoveAPin()
    {
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}});
        QSignalSpy checks(m_trust.get(), &KeyTrust::verificationWanted);
        QSignalSpy changed(m_trust.get(), &KeyTrust::keyChanged);
        for (int i = 0; i < 200; ++i)
            feed({{'A', u"PC"_s, kPcAt, QString(64, QChar(u'0' + i % 10))}});
        QCOMPARE(checks.size(), 0); // the name was checked less than a minute ago
        QCOMPARE(changed.size(), 0);
        KeyTrust::Route route = m_trust->routeTo(u"pc"_s);
        QVERIFY(route.secure);
        QCOMPARE(route.fingerprint, kReal);
        QCOMPARE(route.fallbackHost, kPcAt);
        // Presence from elsewhere does not move where the key is sought.
        feed({{'P', u"PC"_s, kEveAt, {}}});
        QCOMPARE(m_trust->routeTo(u"PC"_s).fallbackHost, kPcAt);

        feed({{'H', u"PC"_s, kEveAt, kEve}, {'H', u"PC"_s, kEveAt, kEve}, {'H', u"PC"_s, kPcAt, kThird}});
        QCOMPARE(changed.size(), 2);
        QCOMPARE(m_pins->pin(u"PC"_s)->fingerprint, kReal);
        QVERIFY(!m_trust->accept(u"PC"_s, QString(64, u'9'))); // only a key that was shown
        QVERIFY(m_trust->accept(u"PC"_s, kEve));
        QCOMPARE(m_pins->pin(u"PC"_s)->fingerprint, kEve);

        m_now += KeyTrust::kVerifyIntervalMs;
        feed({{'A', u"PC"_s, kPcAt, kThird}});
        QCOMPARE(checks.size(), 1);
    }

    void routesAndSenders_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("secure");
        QTest::newRow("pinned name") << u"PC"_s << true;
        QTest::newRow("its address") << kPcAt << true;
        QTest::newRow("unpinned name") << u"OTHER"_s << false;
        QTest::newRow("unknown address") << kEveAt << false;
    }
    void routesAndSenders()
    {
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}});
        QFETCH(QString, host);
        QFETCH(bool, secure);
        const KeyTrust::Route route = m_trust->routeTo(host);
        QCOMPARE(route.secure, secure);
        if (route.secure)
            QCOMPARE(route.name, u"PC"_s);
    }

    void judgesWhoSpoke_data()
    {
        QTest::addColumn<QString>("claimed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("compared");
        QTest::addColumn<int>("origin");
        QTest::addColumn<int>("level");
        using O = KeyTrust::Origin;
        QTest::newRow("pinned key") << u"PC"_s << kReal << false << int(O::Secure) << int(TrustLevel::FirstUse);
        QTest::newRow("compared key") << u"pc"_s << kReal.toLower() << true << int(O::Secure) << int(TrustLevel::Compared);
        QTest::newRow("other key") << u"PC"_s << kEve << false << int(O::Unverified) << int(TrustLevel::Open);
        QTest::newRow("open, pinned name") << u"PC"_s << QString() << false << int(O::Unverified) << int(TrustLevel::Open);
        QTest::newRow("our own name, over TLS") << u"ME"_s << kEve << false << int(O::Unverified) << int(TrustLevel::Open);
        QTest::newRow("unpinned name") << u"NEW"_s << kEve << false << int(O::Open) << int(TrustLevel::Open);
    }
    void judgesWhoSpoke()
    {
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}});
        QFETCH(QString, claimed);
        QFETCH(QString, key);
        QFETCH(bool, compared);
        QFETCH(int, origin);
        QFETCH(int, level);
        m_trust->setCompared(u"PC"_s, compared);
        const KeyTrust::Sender sender = m_trust->judge(claimed, key, kEveAt);
        QCOMPARE(int(sender.origin), origin);
        QCOMPARE(int(sender.level), level);
        QVERIFY(!m_pins->pin(u"NEW"_s) && !m_pins->pin(u"ME"_s));
    }

    // A key proves one computer, an address holds a few; a host that moves with its key is found at once.
    void firstUseIsBounded()
    {
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}});
        feed({{'P', u"PC2"_s, kEveAt, {}}, {'A', u"PC2"_s, kEveAt, kReal}, {'H', u"PC2"_s, kEveAt, kReal}});
        QVERIFY(!m_pins->pin(u"PC2"_s));
        for (int i = 0; i < 20; ++i) {
            const QString name = u"N%1"_s.arg(i);
            const QString own = u"%1"_s.arg(i, 64, 10, QChar(u'B'));
            feed({{'P', name, kEveAt, {}}, {'A', name, kEveAt, own}, {'H', name, kEveAt, own}});
        }
        QCOMPARE(m_pins->countAt(kEveAt), KeyTrust::kMaxPinsPerAddress);

        QSignalSpy checks(m_trust.get(), &KeyTrust::verificationWanted);
        feed({{'P', u"PC"_s, u"10.0.0.3"_s, {}}, {'A', u"PC"_s, u"10.0.0.3"_s, kReal}});
        QCOMPARE(checks.size(), 1);
        feed({{'H', u"PC"_s, u"10.0.0.3"_s, kReal}});
        QCOMPARE(m_trust->routeTo(u"PC"_s).fallbackHost, u"10.0.0.3"_s);
    }

    // A flood of new names forgets those heard of longest ago, never one whose keys the user is to choose among.
    void floodKeepsWhatTheUserIsToChooseAmong()
    {
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'P', u"PC"_s, kEveAt, {}}, {'A', u"PC"_s, kEveAt, kEve}});
        for (int i = 0; i < KeyTrust::kMaxNames + 100; ++i, ++m_now)
            feed({{'P', u"N%1"_s.arg(i), kEveAt, {}}});
        QCOMPARE(m_trust->candidates(u"PC"_s).size(), 2);
    }

    // A flood of names and keys leaves no pin and bounded memory; forgetting opens the name again.
    void floodPinsNothingAndForgetOpens()
    {
        for (int i = 0; i < 3000; ++i)
            feed({{'P', u"N%1"_s.arg(i), kEveAt, {}}, {'A', u"N%1"_s.arg(i), kEveAt, kEve}});
        QCOMPARE(m_pins->pins().size(), 0);
        feed({{'P', u"PC"_s, kPcAt, {}}, {'A', u"PC"_s, kPcAt, kReal}, {'H', u"PC"_s, kPcAt, kReal}});
        QCOMPARE(m_trust->levelOf(u"PC"_s), TrustLevel::FirstUse);
        m_trust->forget(u"PC"_s);
        QCOMPARE(m_trust->levelOf(u"PC"_s), TrustLevel::Open);
        QVERIFY(!m_trust->routeTo(kPcAt).secure);
    }
};

QTEST_GUILESS_MAIN(TestKeyTrust)
#include "tst_keytrust.moc"
