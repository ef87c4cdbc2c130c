#include "Cp1251.h"
#include "LayoutCorrection.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The Latin-to-Russian key table, checked in cp1251 bytes as peers and files see them.
class TestLayoutCorrection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyMappedKeyInBothCases_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("byte");
        const struct { const char *keys; int byte; } table[] = {
            {"Aa", 0xF4}, {"Bb", 0xE8}, {"Cc", 0xF1}, {"Dd", 0xE2}, {"Ee", 0xF3}, {"Ff", 0xE0}, {"Gg", 0xEF},
            {"Hh", 0xF0}, {"Ii", 0xF8}, {"Jj", 0xEE}, {"Kk", 0xEB}, {"Ll", 0xE4}, {"Mm", 0xFC}, {"Nn", 0xF2},
            {"Oo", 0xF9}, {"Pp", 0xE7}, {"Qq", 0xE9}, {"Rr", 0xEA}, {"Ss", 0xFB}, {"Tt", 0xE5}, {"Uu", 0xE3},
            {"Vv", 0xEC}, {"Ww", 0xF6}, {"Xx", 0xF7}, {"Yy", 0xED}, {"Zz", 0xFF}, {"\"'", 0xFD}, {"#", 0xB9},
            {"&", 0x3F}, {",<", 0xE1}, {".>", 0xFE}, {"/?", 0x2C}, {":;", 0xE6}, {"[{", 0xF5}, {"]}", 0xFA},
            {"^", 0x3A}, {"`~", 0xB8},
        };
        int keys = 0;
        for (const auto &row : table) {
            for (const char *k = row.keys; *k; ++k, ++keys)
                QTest::addRow("%c", *k) << QString(QLatin1Char(*k)) << row.byte;
        }
        QCOMPARE(keys, 71);
    }

    void everyMappedKeyInBothCases()
    {
        QFETCH(QString, typed);
        QFETCH(int, byte);
        QCOMPARE(Cp1251::encode(LayoutCorrection::corrected(typed)), QByteArray(1, char(byte)));
    }

    void wordsAndWhatStaysUnchanged()
    {
        QCOMPARE(LayoutCorrection::corrected(u"Ghbdtn"_s), u"привет"_s);
        QCOMPARE(LayoutCorrection::corrected(u"GHBDTN"_s), u"привет"_s);
        // Mapped once: "?" gives a comma, "&" gives "?", and that "?" is final.
        QCOMPARE(LayoutCorrection::corrected(u"a?&"_s), u"ф,?"_s);
        const QString untouched = u"0123456789 \r\n\t@$|\\-=+!%*()_Привет Ёё№"_s;
        QCOMPARE(LayoutCorrection::corrected(untouched), untouched);
    }

    void longSelectionKeepsItsLength()
    {
        QString typed;
        for (int i = 0; i < 10000; ++i)
            typed += QChar(u' ' + i % 95); // every printable ASCII character, over and over
        const QString result = LayoutCorrection::corrected(typed);
        QCOMPARE(result.size(), typed.size());
        for (qsizetype i = 0; i < typed.size(); ++i)
            QCOMPARE(result.at(i), LayoutCorrection::corrected(typed.at(i)));
        QVERIFY(!result.contains(u'a') && !result.contains(u'Z'));
    }
};

QTEST_GUILESS_MAIN(TestLayoutCorrection)
#include "tst_layoutcorrection.moc"
