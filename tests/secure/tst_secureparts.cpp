// Identity, key announcements and pins: what the secure channel keeps and
// parses, on its own, without a connection.
#include "Fingerprint.h"
#include "Identity.h"
#include "KeyAnnouncement.h"
#include "KeyProbe.h"
#include "PinStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
const QString kKeyA = u"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF"_s;
const QString kKeyB = u"FEDCBA9876543210FEDCBA9876543210FEDCBA9876543210FEDCBA9876543210"_s;
} // namespace

class TestSecureParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void identityIsMadeOnceKeptPrivateAndReadBack()
    {
        QTemporaryDir home;
        QString notice;
        const Identity first = Identity::loadOrCreate(home.path(), &notice);
        QVERIFY(first.isValid());
        QVERIFY2(notice.isEmpty(), qPrintable(notice)); // a first identity is nothing to tell
        QVERIFY(Fingerprint::isWellFormed(first.fingerprint()));
        QCOMPARE(Fingerprint::ofCertificate(first.certificate()), first.fingerprint());
        const QString path = QDir(home.path()).filePath(QString::fromLatin1(Identity::kFileName));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);

        const Identity again = Identity::loadOrCreate(home.path(), &notice);
        QCOMPARE(again.fingerprint(), first.fingerprint());
        QVERIFY(notice.isEmpty());
        QVERIFY(Identity::loadOrCreate(QTemporaryDir().path()).fingerprint() != first.fingerprint());
    }

    void unreadableIdentityBecomesANewOneSaidOnce_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("garbage") << QByteArray("not a key at all\n\x01\x02");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("huge") << QByteArray(1024 * 1024, 'A');
        // A certificate with someone else's key: as unusable as garbage.
        QTemporaryDir other;
        Identity::loadOrCreate(other.path());
        QFile a(QDir(other.path()).filePath(u"identity.pem"_s));
        QVERIFY(a.open(QIODevice::ReadOnly));
        const QByteArray pem = a.readAll();
        const QByteArray keyPart = pem.left(pem.indexOf("-----BEGIN CERTIFICATE"));
        QTemporaryDir third;
        Identity::loadOrCreate(third.path());
        QFile b(QDir(third.path()).filePath(u"identity.pem"_s));
        QVERIFY(b.open(QIODevice::ReadOnly));
        const QByteArray otherPem = b.readAll();
        QTest::newRow("key and certificate apart") << keyPart + otherPem.mid(otherPem.indexOf("-----BEGIN CERTIFICATE"));
    }
    void unreadableIdentityBecomesANewOneSaidOnce()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir home;
        const QString path = QDir(home.path()).filePath(u"identity.pem"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QString notice;
        const Identity identity = Identity::loadOrCreate(home.path(), &notice);
        QVERIFY(identity.isValid());
        QVERIFY(!notice.isEmpty());
        QVERIFY(QFile::exists(path + u".unreadable"_s));
        notice.clear();
        QCOMPARE(Identity::loadOrCreate(home.path(), &notice).fingerprint(), identity.fingerprint());
        QVERIFY(notice.isEmpty()); // said once
    }

    // A key others may have read: ours is narrowed and said, a link refused;
    // neither a link nor what it leads to is changed.
    void identityOpenToOthersIsNarrowedALinkRefused_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<QString>("said");
        QTest::newRow("ours, readable by all") << false << u"только владелец"_s;
        QTest::newRow("a link to a key of ours") << true << u"символическая ссылка"_s;
    }
    void identityOpenToOthersIsNarrowedALinkRefused()
    {
        QFETCH(bool, link);
        QFETCH(QString, said);
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        const QString path = QDir(home.path()).filePath(u"identity.pem"_s);
        const QString file = link ? QDir(elsewhere.path()).filePath(u"identity.pem"_s) : path;
        const Identity made = Identity::loadOrCreate(QFileInfo(file).path());
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0644), 0);
        QVERIFY(!link || QFile::link(file, path));
        QString notice;
        QCOMPARE(Identity::loadOrCreate(home.path(), &notice).fingerprint(), link ? QString() : made.fingerprint());
        QVERIFY2(notice.contains(said), qPrintable(notice));
        QCOMPARE(bool(QFileInfo(file).permissions() & QFile::ReadOther), link);
        QCOMPARE(QFileInfo(path).isSymLink(), link);
    }

    void fingerprintIsGroupedForReadingAloud()
    {
        QCOMPARE(Fingerprint::grouped(kKeyA), u"0123 4567 89AB CDEF 0123 4567 89AB CDEF 0123 4567 89AB CDEF 0123 4567 89AB CDEF"_s);
    }

    void announcementRoundTrips()
    {
        const KeyAnnouncement sent{u"ПК-БУХ"_s, 6712, kKeyA};
        const QByteArray bytes = sent.encode();
        QCOMPARE(bytes.front(), '$');
        for (char command : QByteArray("%#()CVZX&"))
            QVERIFY(bytes.front() != command); // peers that know only the commands ignore it
        const auto got = KeyAnnouncement::parse(bytes);
        QVERIFY(got);
        QCOMPARE(got->name, sent.name);
        QCOMPARE(got->port, sent.port);
        QCOMPARE(got->fingerprint, sent.fingerprint);
        QCOMPARE(KeyAnnouncement::parse("$1\tPC\t1\t" + kKeyA.toLower().toLatin1())->fingerprint, kKeyA);
    }

    void hostileAnnouncementsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        const QByteArray key = kKeyA.toLatin1();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("presence") << QByteArray("%PC1");
        QTest::newRow("letter only") << QByteArray("$");
        QTest::newRow("other version") << "$2\tPC\t6712\t" + key;
        QTest::newRow("missing field") << "$1\tPC\t" + key;
        QTest::newRow("extra field") << "$1\tPC\t6712\t" + key + "\tx";
        QTest::newRow("empty name") << "$1\t\t6712\t" + key;
        QTest::newRow("name with newline") << "$1\tP\nC\t6712\t" + key;
        QTest::newRow("name too long") << "$1\t" + QByteArray(256, 'N') + "\t6712\t" + key;
        QTest::newRow("port zero") << "$1\tPC\t0\t" + key;
        QTest::newRow("port leading zero") << "$1\tPC\t06712\t" + key;
        QTest::newRow("port too big") << "$1\tPC\t65536\t" + key;
        QTest::newRow("port signed") << "$1\tPC\t+6712\t" + key;
        QTest::newRow("short key") << "$1\tPC\t6712\t" + key.left(63);
        QTest::newRow("key not hex") << "$1\tPC\t6712\t" + key.left(63) + "G";
        QTest::newRow("oversized") << "$1\tPC\t6712\t" + key + QByteArray(600, 'x');
    }
    void hostileAnnouncementsAreRefused()
    {
        QFETCH(QByteArray, datagram);
        QString error;
        QVERIFY(!KeyAnnouncement::parse(datagram, &error));
        QVERIFY(!error.isEmpty());
    }

    void pinsKeepTheFirstKeyUntilReplaced()
    {
        QTemporaryDir home;
        const QString path = QDir(home.path()).filePath(u"pins.txt"_s);
        {
            PinStore pins(path);
            QCOMPARE(pins.check(u"PC1"_s, kKeyA), PinStore::Check::Unknown);
            QVERIFY(pins.pinFirst(u"PC1"_s, kKeyA));
            QVERIFY(!pins.pinFirst(u"pc1"_s, kKeyB)); // names compare as computer names do
            QCOMPARE(pins.check(u"PC1"_s, kKeyA.toLower()), PinStore::Check::Match);
            QCOMPARE(pins.check(u"PC1"_s, kKeyB), PinStore::Check::Mismatch);
            pins.setVerified(u"PC1"_s, true);
            QVERIFY(pins.pinFirst(u"ПК2"_s, kKeyB));
        }
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        PinStore reread(path);
        QCOMPARE(reread.pins().size(), 2);
        QVERIFY(reread.pin(u"PC1"_s)->verified);
        QVERIFY(reread.pin(u"PC1"_s)->firstSeen.isValid());
        QCOMPARE(reread.pin(u"ПК2"_s)->fingerprint, kKeyB);
        reread.replace(u"PC1"_s, kKeyB);
        QCOMPARE(reread.check(u"PC1"_s, kKeyB), PinStore::Check::Match);
        QVERIFY(!reread.pin(u"PC1"_s)->verified); // a new key is not compared yet
    }

    void damagedPinLinesAreSkipped()
    {
        QTemporaryDir home;
        const QString path = QDir(home.path()).filePath(u"pins.txt"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PC1\t" + kKeyA.toLatin1() + "\t2026-01-01T00:00:00Z\t1\n"
                   "broken line\n"
                   "PC2\tNOTAKEY\t2026-01-01T00:00:00Z\t0\n"
                   "\t" + kKeyB.toLatin1() + "\t2026-01-01T00:00:00Z\t0\n");
        file.close();
        PinStore pins(path);
        QCOMPARE(pins.pins().size(), 1);
        QCOMPARE(pins.pin(u"PC1"_s)->fingerprint, kKeyA);
    }

    // Checks are only queued here: no event loop runs, nothing connects.
    void oneAddressFloodingChecksLeavesRoomForOthers()
    {
        KeyProbe probe{QSslConfiguration()};
        for (int i = 0; i < KeyProbe::kPerAddress; ++i)
            QVERIFY(probe.check(u"EVE%1"_s.arg(i), u"192.0.2.66"_s, 6712));
        QVERIFY(!probe.check(u"EVE-MORE"_s, u"192.0.2.66"_s, 6712));
        QVERIFY(probe.check(u"PC-D"_s, u"192.0.2.4"_s, 6712));
    }
};

QTEST_GUILESS_MAIN(TestSecureParts)
#include "tst_secureparts.moc"
