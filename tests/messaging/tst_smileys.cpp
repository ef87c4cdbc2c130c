#include "SmileyMatcher.h"
#include "SmileyPictures.h"
#include "SmileyTable.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The search exactly as the receiving side describes it: for every row in
// order, the 1-based positions of both case forms in the remaining text; only
// strictly smaller positions replace the best one.
QList<SmileyPiece> referenceSplit(const QString &text)
{
    QList<SmileyPiece> pieces;
    QString rest = text;
    for (;;) {
        qsizetype best = rest.size() + 1;
        int found = 0;
        for (const SmileyRow &row : SmileyTable::rows()) {
            const qsizetype u = rest.indexOf(row.upperCode()) + 1;
            const qsizetype l = rest.indexOf(row.lowerCode()) + 1;
            if (u != 0 && u < best) {
                best = u;
                found = row.order();
            }
            if (l != 0 && l < best) {
                best = l;
                found = row.order();
            }
        }
        if (best > 1)
            pieces.append(SmileyPiece::plain(rest.left(best - 1)));
        if (found == 0)
            return pieces;
        const qsizetype codeLength = SmileyTable::row(found).code().size();
        pieces.append(SmileyPiece::smiley(found, rest.mid(best - 1, codeLength)));
        rest.remove(0, best - 1 + codeLength);
    }
}

// Plain text as it is, a smiley as «order».
QString describe(const QList<SmileyPiece> &pieces)
{
    QString out;
    for (const SmileyPiece &piece : pieces)
        out += piece.isSmiley() ? u"«%1»"_s.arg(piece.row()) : piece.text();
    return out;
}

QString joined(const QList<SmileyPiece> &pieces)
{
    QString out;
    for (const SmileyPiece &piece : pieces)
        out += piece.text();
    return out;
}

// Texts dense with codes, their case forms, mixed-case forms and fragments.
QString randomText(QRandomGenerator &random, int fragments)
{
    static const QString kNoise = u":-()[]{}%\\;?8XxEeBbPpDd0 abylovecnfusdrikgtphж"_s;
    QString text;
    for (int i = 0; i < fragments; ++i) {
        const SmileyRow &row = SmileyTable::row(random.bounded(1, SmileyTable::kRowCount + 1));
        switch (random.bounded(6)) {
        case 0:
            text += row.upperCode();
            break;
        case 1:
            text += row.lowerCode();
            break;
        case 2: { // mixed case
            QString code = row.lowerCode();
            for (QChar &c : code) {
                if (random.bounded(2) == 0)
                    c = c.toUpper();
            }
            text += code;
            break;
        }
        case 3: // a prefix or a suffix of a code
            text += random.bounded(2) == 0 ? row.code().left(random.bounded(1, int(row.code().size()) + 1))
                                           : row.code().mid(random.bounded(int(row.code().size())));
            break;
        default:
            text += kNoise.at(random.bounded(int(kNoise.size())));
            break;
        }
    }
    return text;
}

} // namespace

class TestSmileys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableHasTheRowsInOrder_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("button");
        const char *rows[][2] = {
            {":--))", "SpeedButton1"},   {";--)", "SpeedButton9"},        {":--P", "SpeedButton10"},
            {":--((", "SpeedButton11"},  {":--0", "SpeedButton12"},       {":--[", "SpeedButton2"},
            {":--?", "SpeedButton22"},   {":-{}", "SpeedButton23"},       {":%)", "SpeedButton24"},
            {":baby:", "SpeedButton26"}, {":confused:", "SpeedButton27"}, {":\\", "SpeedButton39"},
            {":E", "SpeedButton40"},     {":B", "SpeedButton30"},         {"8)", "SpeedButton43"},
            {"X)", "SpeedButton32"},     {":drink:", "SpeedButton33"},    {":[]", "SpeedButton34"},
            {":steeply:", "SpeedButton42"}, {":-D", "SpeedButton28"},     {":lady:", "SpeedButton37"},
            {":love:", "SpeedButton38"}, {":clown:", "SpeedButton29"},    {"]:", "SpeedButton41"},
            {":doctor:", "SpeedButton31"}, {":gent:", "SpeedButton36"},
        };
        int order = 1;
        for (const auto &row : rows) {
            QTest::addRow("%d %s", order, row[0])
                << order << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
            ++order;
        }
    }

    void tableHasTheRowsInOrder()
    {
        QFETCH(int, order);
        QFETCH(QString, code);
        QFETCH(QString, button);
        const SmileyRow &row = SmileyTable::row(order);
        QCOMPARE(row.order(), order);
        QCOMPARE(row.code(), code);
        QCOMPARE(row.insertedText(), u' ' + code + u' ');
        QCOMPARE(row.button(), button);
        QCOMPARE(SmileyTable::orderOfButton(button), order);
        QCOMPARE(row.pictureFile(), u":/smileys/%1.png"_s.arg(order, 2, 10, QLatin1Char('0')));
        QCOMPARE(&SmileyTable::rows().at(std::size_t(order - 1)), &row);
    }

    void backslashCodeIsTwoCharacters()
    {
        QCOMPARE(SmileyTable::row(12).code().size(), 2);
        QCOMPARE(SmileyTable::row(12).code(), QString(u":\\"_s));
    }

    void caseFormsChangeAsciiLettersOnly()
    {
        QCOMPARE(SmileyTable::row(10).upperCode(), u":BABY:"_s);
        QCOMPARE(SmileyTable::row(10).lowerCode(), u":baby:"_s);
        QCOMPARE(SmileyTable::row(3).lowerCode(), u":--p"_s);
        QCOMPARE(SmileyTable::row(16).lowerCode(), u"x)"_s);
        QCOMPARE(SmileyTable::row(1).upperCode(), u":--))"_s);
        QCOMPARE(SmileyTable::row(8).lowerCode(), u":-{}"_s);
    }

    void buttonsFillTheBottomRowAndThePanel()
    {
        QList<int> bottom(9, 0);
        QSet<int> panelCells;
        QSet<QString> buttons;
        for (const SmileyRow &row : SmileyTable::rows()) {
            buttons.insert(row.button());
            if (row.order() <= 8) {
                QVERIFY(row.bottomRowPlace() >= 1 && row.bottomRowPlace() <= 8);
                QCOMPARE(row.panelRow(), 0);
                ++bottom[row.bottomRowPlace()];
            } else {
                QCOMPARE(row.bottomRowPlace(), 0);
                QVERIFY(row.panelRow() >= 1 && row.panelRow() <= 3);
                QVERIFY(row.panelColumn() >= 1 && row.panelColumn() <= 6);
                panelCells.insert(row.panelRow() * 10 + row.panelColumn());
            }
        }
        QCOMPARE(bottom, QList<int>({0, 1, 1, 1, 1, 1, 1, 1, 1}));
        QCOMPARE(panelCells.size(), 18);
        QCOMPARE(buttons.size(), SmileyTable::kRowCount);
        // Left to right the bottom row holds rows 1, 2, 3, 5, 4, 6, 7, 8.
        QCOMPARE(SmileyTable::row(4).bottomRowPlace(), 5);
        QCOMPARE(SmileyTable::row(5).bottomRowPlace(), 4);
        QCOMPARE(SmileyTable::row(24).panelColumn(), 5);
        QCOMPARE(SmileyTable::row(25).panelColumn(), 4);
        QCOMPARE(SmileyTable::orderOfButton(u"SpeedButton15"_s), 0);
    }

    void everyPictureLoads_data()
    {
        QTest::addColumn<int>("order");
        for (int order = 1; order <= SmileyTable::kRowCount; ++order)
            QTest::addRow("%02d", order) << order;
    }

    void everyPictureLoads()
    {
        QFETCH(int, order);
        const QImage image = SmileyPictures::image(order);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(20, 20));
        QVERIFY(image.hasAlphaChannel());
        // Transparent corners, a face over a good part of the square.
        QCOMPARE(qAlpha(image.pixel(0, 19)), 0);
        QCOMPARE(qAlpha(image.pixel(19, 19)), 0);
        int opaque = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 200 ? 1 : 0;
        }
        QVERIFY2(opaque > 150, qPrintable(QString::number(opaque)));
        QCOMPARE(SmileyPictures::picture(order), SmileyTable::row(order).pictureFile());
        QCOMPARE(QImage(SmileyPictures::picture(order)), image);
        QCOMPARE(SmileyPictures::pixmap(order).size(), QSize(20, 20));
        QVERIFY(!SmileyPictures::icon(order).isNull());
    }

    void picturesDifferAndOutOfRangeIsNull()
    {
        QSet<QByteArray> seen;
        for (int order = 1; order <= SmileyTable::kRowCount; ++order) {
            const QImage image = SmileyPictures::image(order).convertToFormat(QImage::Format_ARGB32);
            seen.insert(QCryptographicHash::hash(
                QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha1));
        }
        QCOMPARE(seen.size(), SmileyTable::kRowCount);
        QVERIFY(SmileyPictures::image(0).isNull());
        QVERIFY(SmileyPictures::picture(27).isEmpty());
        QVERIFY(SmileyPictures::image(27).isNull());
        QVERIFY(SmileyPictures::pixmap(-1).isNull());
        QVERIFY(SmileyPictures::icon(27).isNull());
    }

    void splitsLikeTheTableSearch_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two codes between letters") << u"a:--))b:confused:c"_s << u"a«1»b«11»c"_s;
        QTest::newRow("lower-case form of :--P") << u"x:--pY"_s << u"x«3»Y"_s;
        QTest::newRow("baby beats :b at the same position") << u":baby:"_s << u"«10»"_s;
        QTest::newRow("upper-case form of baby") << u":BABY:"_s << u"«10»"_s;
        QTest::newRow("mixed-case baby leaves :B") << u":Baby:"_s << u"«14»aby:"_s;
        QTest::newRow("mixed-case baby leaves :b") << u":bAby:"_s << u"«14»Aby:"_s;
        QTest::newRow("mixed case not found") << u":Confused: :Drink:"_s << u":Confused: :Drink:"_s;
        QTest::newRow("upper-case confused") << u":CONFUSED:"_s << u"«11»"_s;
        QTest::newRow("earlier position beats lower row") << u"]:baby:"_s << u"«24»baby:"_s;
        QTest::newRow("search goes on behind the code") << u":lady:love:"_s << u"«21»love:"_s;
        QTest::newRow("rest of a longer run") << u":--)))"_s << u"«1»)"_s;
        QTest::newRow("wink then bracket") << u";--))"_s << u"«2»)"_s;
        QTest::newRow("adjacent codes") << u"8):--))"_s << u"«15»«1»"_s;
        QTest::newRow("lower-case X)") << u"box)X)"_s << u"bo«16»«16»"_s;
        QTest::newRow("lower-case :-D") << u":-d"_s << u"«20»"_s;
        QTest::newRow(":e and :E") << u":e:E"_s << u"«13»«13»"_s;
        QTest::newRow("backslash") << u"C:\\dir"_s << u"C«12»dir"_s;
        QTest::newRow("Cyrillic around") << u"привет :-D пока"_s << u"привет «20» пока"_s;
        QTest::newRow("Cyrillic letters are not case forms") << u":ЕБ"_s << u":ЕБ"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no code") << u"just text"_s << u"just text"_s;
        QTest::newRow("only a code") << u":gent:"_s << u"«26»"_s;
        QTest::newRow("inserted by a button") << u" :--0 "_s << u" «5» "_s;
        QTest::newRow("line breaks stay") << u"a\r\n:--[\r\nb"_s << u"a\r\n«6»\r\nb"_s;
    }

    void splitsLikeTheTableSearch()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QList<SmileyPiece> pieces = splitSmileys(text);
        QCOMPARE(describe(pieces), expected);
        QCOMPARE(pieces, referenceSplit(text));
        QCOMPARE(joined(pieces), text);
    }

    void piecesKeepTheCodeAsWritten()
    {
        const QList<SmileyPiece> pieces = splitSmileys(u"x:--pY"_s);
        QCOMPARE(pieces.size(), 3);
        QVERIFY(!pieces.at(0).isSmiley());
        QCOMPARE(pieces.at(0).row(), SmileyPiece::kPlainText);
        QCOMPARE(pieces.at(1).row(), 3);
        QVERIFY(pieces.at(1).isSmiley());
        QCOMPARE(pieces.at(1).text(), u":--p"_s);
        QCOMPARE(pieces.at(2).text(), u"Y"_s);
    }

    void agreesWithTheLiteralSearchOnRandomTexts()
    {
        QRandomGenerator random(20240611);
        for (int i = 0; i < 3000; ++i) {
            const QString text = randomText(random, random.bounded(0, 40));
            const QList<SmileyPiece> pieces = splitSmileys(text);
            if (pieces != referenceSplit(text))
                QFAIL(qPrintable(u"differs on "_s + text + u" -> "_s + describe(pieces)));
            QCOMPARE(joined(pieces), text);
            for (qsizetype p = 1; p < pieces.size(); ++p)
                QVERIFY(pieces.at(p - 1).isSmiley() || pieces.at(p).isSmiley());
        }
    }

    void longTextsSplitLikeTheLiteralSearch()
    {
        // Speed is measured by bench_smileys; here the longest texts must split right.
        QRandomGenerator random(7);
        QString dense;
        while (dense.size() < 9999)
            dense += randomText(random, 1);
        dense.truncate(9999);
        QCOMPARE(splitSmileys(dense), referenceSplit(dense));

        QString allCodes;
        while (allCodes.size() < 9999)
            allCodes += SmileyTable::row(int(allCodes.size() % 26) + 1).lowerCode();
        allCodes.truncate(9999);
        int smileys = 0;
        for (const SmileyPiece &piece : splitSmileys(allCodes))
            smileys += piece.isSmiley() ? 1 : 0;
        QVERIFY(smileys > 1000);
        QCOMPARE(joined(splitSmileys(allCodes)), allCodes);

        // Colons everywhere, codes nowhere: every position starts a near miss.
        const QString nearMisses = QString(u":-"_s).repeated(5000).left(9999);
        const QList<SmileyPiece> pieces = splitSmileys(nearMisses);
        QCOMPARE(pieces.size(), 1);
        QVERIFY(!pieces.first().isSmiley());
    }
};

QTEST_MAIN(TestSmileys)
#include "tst_smileys.moc"
