#include "Cp1251.h"

#include <QTest>

class TestCp1251 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyByteSurvivesARoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Cp1251::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(Cp1251::encode(text), all);
        // The one byte without a character keeps its value, as on Windows.
        QCOMPARE(text.at(0x98).unicode(), char16_t(0x98));
    }

    void russianTextUsesTheCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("alphabet ends") << QStringLiteral("АЯая") << QByteArray("\xC0\xDF\xE0\xFF");
        QTest::newRow("yo") << QStringLiteral("Ёё") << QByteArray("\xA8\xB8");
        QTest::newRow("punctuation") << QStringLiteral("«№»—€") << QByteArray("\xAB\xB9\xBB\x97\x88");
        QTest::newRow("ukrainian") << QStringLiteral("ЇїІіЄєҐґ") << QByteArray("\xAF\xBF\xB2\xB3\xAA\xBA\xA5\xB4");
    }

    void russianTextUsesTheCodePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Cp1251::encode(text), bytes);
        QCOMPARE(Cp1251::decode(bytes), text);
    }

    void unmappableCharactersBecomeOneQuestionMarkEach()
    {
        // A Greek letter, a CJK ideograph and an emoji outside the BMP.
        const QString text = QStringLiteral("a\u03B1b\u4E2Dc") + QString::fromUtf8("\xF0\x9F\x98\x80") + u'd';
        QCOMPARE(Cp1251::encode(text), QByteArray("a?b?c?d"));
    }
};

QTEST_GUILESS_MAIN(TestCp1251)
#include "tst_cp1251.moc"
