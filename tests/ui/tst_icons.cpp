#include "Icons.h"

#include <QImage>
#include <QSet>
#include <QTest>

class TestIcons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPictureLoadsAtItsSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::newRow("program icon") << QStringLiteral("zavolin") << 32;
        QTest::newRow("blink frame") << QStringLiteral("zavolin-blink") << 32;
        QTest::newRow("Image1") << QStringLiteral("contact") << 16;
        QTest::newRow("Image2") << QStringLiteral("contact-blacklisted") << 16;
        QTest::newRow("Image3") << QStringLiteral("contact-autoanswer") << 16;
        QTest::newRow("Image4") << QStringLiteral("contact-chat") << 16;
        QTest::newRow("notice") << QStringLiteral("notice") << 32;
        const char *glyphs[] = {"chat",  "sms",          "sendfile", "sendall", "phrase",   "loadtext",
                                "saveincoming", "alias", "settings", "savesettings", "clear", "hide",
                                "exit",  "outgoing",     "incoming", "send"};
        for (const char *glyph : glyphs)
            QTest::newRow(glyph) << QString::fromLatin1(glyph) << 24;
    }

    void everyPictureLoadsAtItsSize()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        const QImage image(Icons::fileName(name));
        QVERIFY2(!image.isNull(), qPrintable(Icons::fileName(name)));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
        // Drawn on a transparent ground, filling a good part of the square.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size - 1, 0)), 0);
        int drawn = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x)
                drawn += qAlpha(image.pixel(x, y)) > 127 ? 1 : 0;
        }
        QVERIFY2(drawn > size * size / 5, qPrintable(QString::number(drawn)));

        const QIcon icon = Icons::get(name);
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        QCOMPARE(Icons::pixmap(name, size).size(), QSize(size, size));
        QCOMPARE(Icons::pixmap(name, 16).size(), QSize(16, 16));
        QVERIFY(Icons::names().contains(name));
    }

    void namesListsEveryPictureOnce()
    {
        const QStringList names = Icons::names();
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QCOMPARE(names.size(), 23);
    }

    void programIconComesInTraySizes()
    {
        for (const QString &name : {QStringLiteral("zavolin"), QStringLiteral("zavolin-blink")}) {
            const QList<QSize> sizes = Icons::get(name).availableSizes();
            for (const int size : {16, 22, 24, 32, 48, 64, 128})
                QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(name + QString::number(size)));
        }
    }

    void blinkFrameDiffersFromTheProgramIcon()
    {
        const QImage steady = Icons::pixmap(QStringLiteral("zavolin"), 16).toImage();
        const QImage blink = Icons::pixmap(QStringLiteral("zavolin-blink"), 16).toImage();
        QCOMPARE(steady.size(), blink.size());
        QVERIFY(steady != blink);
    }

    void contactMarkersAreDistinct()
    {
        const QStringList markers = {QStringLiteral("contact"), QStringLiteral("contact-blacklisted"),
                                     QStringLiteral("contact-autoanswer"), QStringLiteral("contact-chat")};
        for (qsizetype i = 0; i < markers.size(); ++i) {
            for (qsizetype j = i + 1; j < markers.size(); ++j)
                QVERIFY(QImage(Icons::fileName(markers[i])) != QImage(Icons::fileName(markers[j])));
        }
    }

    void highDpiVariantsAreTwiceAsLarge()
    {
        QCOMPARE(QImage(QStringLiteral(":/icons/contact@2x.png")).size(), QSize(32, 32));
        QCOMPARE(QImage(QStringLiteral(":/icons/send@2x.png")).size(), QSize(48, 48));
        QVERIFY(Icons::get(QStringLiteral("send")).availableSizes().contains(QSize(48, 48)));
    }

    void unknownNameGivesANullIcon()
    {
        QVERIFY(Icons::get(QStringLiteral("no-such-picture")).isNull());
        QVERIFY(Icons::pixmap(QStringLiteral("no-such-picture"), 16).isNull());
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
