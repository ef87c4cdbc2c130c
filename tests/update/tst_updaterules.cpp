#include "MetaTags.h"
#include "PageMarkup.h"
#include "UpdateAddress.h"
#include "VersionCompare.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(VersionFormat)

// The information page's META lines, the version rules and the addresses, as tables.
class TestUpdateRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void metaLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isTag");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        const QString far = QString(300, u'x');
        QTest::newRow("plain") << u"<META NAME=\"Version\" CONTENT=\"2.18\">"_s << true << u"Version"_s << u"2.18"_s;
        QTest::newRow("content in lower case") << u"<META NAME=\"Version\" content=\"2.18\">"_s << true
                                               << u"Version"_s << u"2.18"_s;
        QTest::newRow("meta name in lower case is no tag") << u"<meta name=\"Version\" CONTENT=\"2.18\">"_s << false
                                                          << QString() << QString();
        QTest::newRow("no meta") << u"<p>Version 2.18</p>"_s << false << QString() << QString();
        QTest::newRow("text around") << u"  junk <META NAME=\"Download\" CONTENT=\"host/z.tgz\"> tail"_s << true
                                     << u"Download"_s << u"host/z.tgz"_s;
        QTest::newRow("blanks around = shift the offsets") << u"<META NAME = \"Version\" CONTENT=\"2.18\">"_s << true
                                                           << u" "_s << u"2.18"_s;
        QTest::newRow("no content") << u"<META NAME=\"Version\">"_s << true << u"Version"_s << QString();
        QTest::newRow("empty value") << u"<META NAME=\"Version\" CONTENT=\"\">"_s << true << u"Version"_s << QString();
        QTest::newRow("value quote beyond the window")
            << (u"<META NAME=\"Version\" CONTENT=\""_s + far + u"\">"_s) << true << u"Version"_s << QString();
        QTest::newRow("value quote at the window's last character")
            << (u"<META NAME=\"V\" CONTENT=\""_s + QString(254, u'y') + u"\">"_s) << true << u"V"_s
            << QString(254, u'y');
        QTest::newRow("value quote just past the window")
            << (u"<META NAME=\"V\" CONTENT=\""_s + QString(255, u'y') + u"\">"_s) << true << u"V"_s << QString();
        QTest::newRow("name quote beyond the window")
            << (u"<META NAME=\""_s + far + u"\" CONTENT=\"1\">"_s) << true << QString() << u"1"_s;
        QTest::newRow("line ends early") << u"<META NAME"_s << true << QString() << QString();
        QTest::newRow("first content counts") << u"<META NAME=\"A\" CONTENT=\"1\" Content=\"2\">"_s << true << u"A"_s
                                              << u"1"_s;
        QTest::newRow("cyrillic value") << u"<META NAME=\"Product\" CONTENT=\"Заволин\">"_s << true << u"Product"_s
                                        << u"Заволин"_s;
    }

    void metaLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, isTag);
        QFETCH(QString, name);
        QFETCH(QString, value);
        MetaTags::Tag tag;
        QCOMPARE(MetaTags::parseLine(line, tag), isTag);
        if (isTag) {
            QCOMPARE(tag.name, name);
            QCOMPARE(tag.value, value);
        }
    }

    void pageTakesEveryNameAndLaterLinesOverride()
    {
        TTagInfo names;
        names.ProductName = u"Product"_s;
        names.Version = u"Version"_s;
        const QStringList lines = {
            u"<META NAME=\"Product\" CONTENT=\"Zavolin\">"_s,
            u"<META NAME=\"Version\" CONTENT=\"2.18\">"_s,
            u"<META NAME=\"version\" CONTENT=\"9.99\">"_s, // names are case-sensitive
            u"<META NAME=\"Version\" CONTENT=\"2.19\">"_s, // a later line wins
            u"<META NAME=\"wuDownload\" CONTENT=\"host/z.tgz\">"_s,
            u"<META NAME=\"wuClientSideName\" CONTENT=\"z.tgz\">"_s,
            u"<META NAME=\"wuRunParameters\" CONTENT=\"/S\">"_s,
            u"<META NAME=\"wuRedirection\" CONTENT=\"host/next.htm\">"_s,
            u"<META NAME=\"wuAuthor\" CONTENT=\"Ivan\">"_s,
            u"<META NAME=\"wuEmail\" CONTENT=\"ivan@example.org\">"_s,
            u"<META NAME=\"Unknown\" CONTENT=\"x\">"_s,
        };
        PageValues expected{u"Zavolin"_s, u"2.19"_s, u"host/z.tgz"_s, u"z.tgz"_s, u"/S"_s,
                            u"host/next.htm"_s, u"Ivan"_s, u"ivan@example.org"_s};
        QCOMPARE(MetaTags::parsePage(lines, names), expected);
        // The component's own names do not match the about window's ones.
        QCOMPARE(MetaTags::parsePage(lines, TTagInfo()).productName, QString());
        QCOMPARE(MetaTags::parsePage({}, names), PageValues());
    }

    void pageBytesBecomeLines()
    {
        QCOMPARE(MetaTags::splitLines(u"a\r\nb\nc\rd"_s), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QCOMPARE(MetaTags::splitLines(u"a\n\nb\n"_s), (QStringList{u"a"_s, QString(), u"b"_s}));
        QCOMPARE(MetaTags::splitLines(QString()), QStringList());
        // Code page 1251 (the maker's pages) and UTF-8 both read right.
        QCOMPARE(MetaTags::decodePage(QByteArray("\xc2\xe5\xf0\xf1\xe8\xff")), u"Версия"_s);
        QCOMPARE(MetaTags::decodePage(u"Версия"_s.toUtf8()), u"Версия"_s);
        QCOMPARE(MetaTags::decodePage("2.18"), u"2.18"_s);
    }

    void versions_data()
    {
        QTest::addColumn<VersionFormat>("format");
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("newer");
        const auto standard = VersionFormat::vfStandard;
        QTest::newRow("standard 2.18") << standard << u"2.17"_s << u"2.18"_s << true;
        QTest::newRow("standard same") << standard << u"2.17"_s << u"2.17"_s << false;
        QTest::newRow("standard 2.9 is older") << standard << u"2.17"_s << u"2.9"_s << false;
        QTest::newRow("standard 2.17.1 is equal") << standard << u"2.17"_s << u"2.17.1"_s << false;
        QTest::newRow("standard 3") << standard << u"2.17"_s << u"3"_s << true;
        QTest::newRow("standard 2.017 is equal") << standard << u"2.17"_s << u"2.017"_s << false;
        QTest::newRow("standard 1.99 older") << standard << u"2.17"_s << u"1.99"_s << false;
        QTest::newRow("standard 2 is older") << standard << u"2.17"_s << u"2"_s << false;
        QTest::newRow("standard letters count as 0") << standard << u"2.17"_s << u"2.x"_s << false;
        QTest::newRow("standard letters vs number") << standard << u"2.beta"_s << u"2.1"_s << true;
        QTest::newRow("standard deeper running") << standard << u"2.17.3"_s << u"2.17.4"_s << true;
        QTest::newRow("standard empty page") << standard << u"2.17"_s << QString() << false;
        // Parts of any length compare by their value, never wrapped or read as 0.
        QTest::newRow("standard huge part") << standard << u"2.17"_s << u"99999999999999999999"_s << true;
        QTest::newRow("standard huge first part")
            << standard << u"2.17"_s << u"99999999999999999999999999.1"_s << true;
        QTest::newRow("standard huge parts differ late")
            << standard << u"1.123456789012345678901234567890"_s << u"1.123456789012345678901234567891"_s << true;
        QTest::newRow("standard huge running") << standard << u"99999999999999999999999999.1"_s << u"3.0"_s << false;
        QTest::newRow("standard huge equal with leading zeros")
            << standard << u"2.99999999999999999999"_s << u"2.0099999999999999999999"_s << false;
        QTest::newRow("standard huge one digit longer")
            << standard << u"2.99999999999999999999"_s << u"2.00999999999999999999999"_s << true;
        QTest::newRow("standard negative part") << standard << u"2.17"_s << u"2.-18"_s << false;
        const auto text = VersionFormat::vfString;
        QTest::newRow("string same") << text << u"2.17"_s << u"2.17"_s << false;
        QTest::newRow("string 2.18") << text << u"2.17"_s << u"2.18"_s << true;
        QTest::newRow("string 2.9 sorts after") << text << u"2.17"_s << u"2.9"_s << true;
        QTest::newRow("string 2.1 older") << text << u"2.17"_s << u"2.1"_s << false;
        QTest::newRow("string longer") << text << u"2.17"_s << u"2.17a"_s << true;
        QTest::newRow("string by 1251 codes") << text << u"я"_s << u"ё"_s << false;
        const auto number = VersionFormat::vfNumber;
        QTest::newRow("number same") << number << u"2.17"_s << u"2.17"_s << false;
        QTest::newRow("number 2.18") << number << u"2.17"_s << u"2.18"_s << true;
        QTest::newRow("number 2.9 is greater") << number << u"2.17"_s << u"2.9"_s << true;
        QTest::newRow("number 2.017 is smaller") << number << u"2.17"_s << u"2.017"_s << false;
        QTest::newRow("number 3") << number << u"2.17"_s << u"3"_s << true;
        QTest::newRow("number 2.17.1 unreadable") << number << u"2.17"_s << u"2.17.1"_s << false;
        QTest::newRow("number comma unreadable") << number << u"2.17"_s << u"2,5"_s << false;
        QTest::newRow("number running unreadable") << number << u"x"_s << u"3"_s << false;
        QTest::newRow("number infinity") << number << u"2.17"_s << u"inf"_s << false;
    }

    void versions()
    {
        QFETCH(VersionFormat, format);
        QFETCH(QString, running);
        QFETCH(QString, page);
        QFETCH(bool, newer);
        QCOMPARE(VersionCompare::isNewer(running, page, format), newer);
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("fetched");
        QTest::newRow("bare host") << u"example.org/update.htm"_s << u"http://example.org/update.htm"_s;
        QTest::newRow("http") << u"http://example.org/u.htm"_s << u"http://example.org/u.htm"_s;
        QTest::newRow("http upper case") << u"HTTP://example.org/u.htm"_s << u"HTTP://example.org/u.htm"_s;
        QTest::newRow("https stays") << u"https://example.org/u.htm"_s << u"https://example.org/u.htm"_s;
        QTest::newRow("with port") << u"127.0.0.1:8080/u.htm"_s << u"http://127.0.0.1:8080/u.htm"_s;
    }

    void addresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, fetched);
        QCOMPARE(UpdateAddress::withHttpPrefix(address), fetched);
    }

    void clientFileNames_data()
    {
        QTest::addColumn<QString>("pageName");
        QTest::addColumn<QString>("plain");
        QTest::newRow("plain") << u"Zavolin-2.18.tar.gz"_s << u"Zavolin-2.18.tar.gz"_s;
        QTest::newRow("unix folders") << u"../../home/ivan/.bashrc"_s << u"bashrc"_s;
        QTest::newRow("windows folders") << u"C:\\Windows\\setup.exe"_s << u"setup.exe"_s;
        QTest::newRow("absolute") << u"/etc/passwd"_s << u"passwd"_s;
        QTest::newRow("hidden") << u".profile"_s << u"profile"_s;
        QTest::newRow("dots only") << u".."_s << QString();
        QTest::newRow("folder only") << u"dir/"_s << QString();
        QTest::newRow("control characters") << u"se\ntup\x01.exe\x7f"_s << u"setup.exe"_s;
        QTest::newRow("dot after a control character") << u"\n.hidden"_s << u"hidden"_s;
        QTest::newRow("blanks") << u"  setup.exe  "_s << u"setup.exe"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("cyrillic") << u"Заволин.deb"_s << u"Заволин.deb"_s;
    }

    void clientFileNames()
    {
        QFETCH(QString, pageName);
        QFETCH(QString, plain);
        QCOMPARE(UpdateAddress::plainFileName(pageName), plain);
    }

    void pageMarkup_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("shown");
        QTest::newRow("paragraphs and breaks") << u"<P>one<br>two</p><p>three"_s << u"<p>one<br/>two</p><p>three</p>"_s;
        QTest::newRow("bold and italic") << u"a <B>b <i>c</i></b> <strong>d</strong> <em>e</em>"_s
                                         << u"<p>a <b>b </b><b><i>c</i></b> <b>d</b> <i>e</i></p>"_s;
        QTest::newRow("nested bold stays one level") << u"<b><b><b>x</b></b></b>y"_s << u"<p><b>x</b>y</p>"_s;
        QTest::newRow("unbalanced closing") << u"</b></i></a></ul>x"_s << u"<p>x</p>"_s;
        QTest::newRow("tables become paragraphs")
            << u"<table><tr><td>a</td><td>b</td></tr></table>"_s << u"<p>a</p><p>b</p>"_s;
        QTest::newRow("lists flattened") << u"<ul><li>a<ol><li>b</li></ol></li><li>c</ul>d"_s
                                         << u"<ul><li>a</li><li>b</li><li>c</li></ul><p>d</p>"_s;
        QTest::newRow("ordered list") << u"<ol><li>a</ol>"_s << u"<ol><li>a</li></ol>"_s;
        QTest::newRow("web link") << u"<a href=\"https://zavolin.example/new?a=1&b=2\">new</a>"_s
                                  << u"<p><a href=\"https://zavolin.example/new?a=1&amp;b=2\">new</a></p>"_s;
        QTest::newRow("link with single quotes") << u"<a target=x href='http://h/'>n</a>"_s
                                                 << u"<p><a href=\"http://h/\">n</a></p>"_s;
        QTest::newRow("script link dropped") << u"<a href=\"javascript:alert(1)\">x</a>"_s << u"<p>x</p>"_s;
        QTest::newRow("file link dropped") << u"<a href=\"file:///etc/passwd\">x</a>"_s << u"<p>x</p>"_s;
        QTest::newRow("quote in the address") << u"<a href=\"http://h/\"onclick=x\">x</a>"_s
                                              << u"<p><a href=\"http://h/\">x</a></p>"_s;
        QTest::newRow("images, styles, scripts, head")
            << u"<html><head><title>T</title><style>p{}</style></head><body><img src=x><script>alert(1)</script>"
               "ok<SCRIPT type=a>no</script ></body></html>"_s
            << u"<p>ok</p>"_s;
        QTest::newRow("comments and doctype") << u"<!DOCTYPE html><!-- <b>hidden</b> -->text"_s << u"<p>text</p>"_s;
        QTest::newRow("entities kept, stray ampersand escaped") << u"a &amp; b &lt;c&gt; &#1071; & d"_s
                                                                << u"<p>a &amp; b &lt;c&gt; &#1071; &amp; d</p>"_s;
        QTest::newRow("stray angles") << u"1 < 2 > 0 <3"_s << u"<p>1 &lt; 2 &gt; 0 &lt;3</p>"_s;
        QTest::newRow("tag never closed") << u"a <b x"_s << u"<p>a &lt;b x</p>"_s;
        QTest::newRow("comment never closed") << u"a <!-- b"_s << u"<p>a &lt;!-- b</p>"_s;
        QTest::newRow("script never closed") << u"a<script>b"_s << u"<p>a</p>"_s;
        QTest::newRow("cyrillic text") << u"<p>Новое: быстрее</p>"_s << u"<p>Новое: быстрее</p>"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void pageMarkup()
    {
        QFETCH(QString, page);
        QFETCH(QString, shown);
        QCOMPARE(PageMarkup::flatten(page), shown);
    }

    // Whatever the page nests, the result nests no deeper than list, item,
    // link, bold and italic; and a page above the bound is cut with a notice.
    void pageMarkupIsFlatAndBounded()
    {
        const QString nested = u"<table><tr><td><ul><li><div><a href='http://h/'><b><i>"_s.repeated(20000) + u"deep"_s
                               + u"</i></b></a></div></li></ul></td></tr></table>"_s.repeated(20000);
        const QString flat = PageMarkup::flatten(nested, nested.size());
        QVERIFY(flat.contains(u"deep"_s));
        int depth = 0;
        int deepest = 0;
        for (qsizetype i = 0; i < flat.size(); ++i) {
            if (flat.at(i) != u'<')
                continue;
            const bool closing = flat.at(i + 1) == u'/';
            const bool empty = flat.indexOf(u'>', i) > 0 && flat.at(flat.indexOf(u'>', i) - 1) == u'/';
            depth += closing ? -1 : (empty ? 0 : 1);
            QVERIFY(depth >= 0);
            deepest = qMax(deepest, depth);
        }
        QCOMPARE(depth, 0);
        QVERIFY2(deepest <= 5, qPrintable(QString::number(deepest)));

        const QString big = u"<p>x</p>"_s.repeated(100);
        const QString cut = PageMarkup::flatten(big, 400);
        QCOMPARE(cut.count(u"<p>x</p>"_s), 50);
        QVERIFY(cut.endsWith(u"<p>[…]</p>"_s));
    }
};

QTEST_GUILESS_MAIN(TestUpdateRules)
#include "tst_updaterules.moc"
