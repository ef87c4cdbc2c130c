#include "Cp1251.h"
#include "OperatorBook.h"
#include "SmsSender.h"
#include "SmtpMessage.h"
#include "SmtpReply.h"
#include "WebGateway.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSmtpMessage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addressExtraction_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("address");
        QTest::newRow("bare") << u"79001234567@sms.example.org"_s << u"79001234567@sms.example.org"_s;
        QTest::newRow("display name") << u"Вася <vasya@example.org>"_s << u"vasya@example.org"_s;
        QTest::newRow("no closing bracket") << u"Vasya <vasya@example.org"_s << u"vasya@example.org"_s;
        QTest::newRow("first > after <") << u"a>b <c@d> e>"_s << u"c@d"_s;
        QTest::newRow("scheme") << u"mailto:x@example.org"_s << u"x@example.org"_s;
        QTest::newRow("between colons") << u"to:x@example.org:rest"_s << u"x@example.org"_s;
        QTest::newRow("empty brackets") << u"name <>"_s << QString();
    }
    void addressExtraction()
    {
        QFETCH(QString, entry);
        QFETCH(QString, address);
        QCOMPARE(SmtpMessage::extractAddress(entry), address);
    }

    void setHeaderValueReplacesAppendsAndDeletes()
    {
        THeaderList header;
        header.append(u"Subject: old"_s);
        header.append(u"X-Other: keep"_s);
        header.SetHeaderValue(u"SUBJECT"_s, u"new"_s); // found without regard to case
        QCOMPARE(header.lines(), (QStringList{u"SUBJECT: new"_s, u"X-Other: keep"_s}));
        header.SetHeaderValue(u"Date"_s, u"today"_s);
        QCOMPARE(header.lines().last(), u"Date: today"_s);
        header.SetHeaderValue(u"x-other"_s, QString());
        header.SetHeaderValue(u"Missing"_s, QString()); // nothing to delete, nothing added
        QCOMPARE(header.lines(), (QStringList{u"SUBJECT: new"_s, u"Date: today"_s}));
    }

    void headerLinesInTheirOrderAndForm()
    {
        TPostMessage post;
        post.FromAddress = u"me@example.org"_s;
        post.ToAddress = {u"a@x"_s, u"b@y"_s};
        QCOMPARE(SmtpMessage::headerLines(post, TMailType::mtPlain, u"us-ascii"_s),
                 (QStringList{u"From: <me@example.org>"_s, u"To: a@x,b@y"_s, u"Mime-Version: 1.0"_s,
                              u"Content-Type: text/plain; charset=us-ascii"_s}));
        post.FromName = u"Me"_s;
        post.ToCarbonCopy = {u"c@z"_s};
        post.ToBlindCarbonCopy = {u"hidden@z"_s};
        post.Subject = u"Hi"_s;
        post.LocalProgram = u"Zavolin"_s;
        post.ReplyTo = u"r@x"_s;
        post.Date = u"Mon, 1 Jan 2024"_s;
        QCOMPARE(SmtpMessage::headerLines(post, TMailType::mtHtml, u"windows-1251"_s),
                 (QStringList{u"From: Me<me@example.org>"_s, u"To: a@x,b@y"_s, u"CC: c@z"_s, u"Subject: Hi"_s,
                              u"X-Mailer: Zavolin"_s, u"Reply-To: r@x"_s, u"Date: Mon, 1 Jan 2024"_s,
                              u"Mime-Version: 1.0"_s, u"Content-Type: text/html; charset=windows-1251"_s}));
        QCOMPARE(SmtpMessage::contentType(TMailType::mtTabSeperated), u"text/tab-separated-values"_s);
    }

    void bodyIsDotStuffedAndCp1251()
    {
        const QByteArray body = SmtpMessage::body({u".start"_s, u"mid.dle."_s, u"."_s, u"Привет"_s, QString()});
        QCOMPARE(body, QByteArray("..start\r\nmid.dle.\r\n..\r\n") + Cp1251::encode(u"Привет") + "\r\n\r\n");

        // An entry holding line breaks of its own cannot end the data early.
        QCOMPARE(SmtpMessage::body({u"one\r\n.\r\nQUIT"_s, u"a\n.b\rc"_s}),
                 QByteArray("one\r\n..\r\nQUIT\r\na\r\n..b\r\nc\r\n"));
        QVERIFY(!SmtpMessage::body({u"x\r\n.\r\n"_s, u"\n.\n"_s}).contains("\r\n.\r\n"));
    }

    void mailBodyTrimsAndSplits()
    {
        QCOMPARE(SmsSender::mailBody(u"  \tline one\r\n.two\nthree\rfour\r\n\r\n"_s),
                 (QStringList{u"line one"_s, u".two"_s, u"three"_s, u"four"_s}));
        QCOMPARE(SmsSender::mailBody(u" \r\n "_s), QStringList());
        QCOMPARE(SmsSender::mailBody(u"a\n\nb"_s), (QStringList{u"a"_s, QString(), u"b"_s}));
    }

    void replyNumbersAndContinuation_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<bool>("continues");
        QTest::newRow("final") << QByteArray("250 OK\r\n") << qint64(250) << false;
        QTest::newRow("hyphen") << QByteArray("250-PIPELINING\r\n") << qint64(250) << true;
        QTest::newRow("leading blank") << QByteArray(" more text\r\n") << qint64(0) << true;
        QTest::newRow("letter") << QByteArray("OK\r\n") << qint64(0) << false;
        QTest::newRow("empty") << QByteArray() << qint64(0) << false;
        QTest::newRow("bare code") << QByteArray("221\r\n") << qint64(221) << false;
        QTest::newRow("ten digits at most") << QByteArray("123456789012 x") << qint64(1234567890) << false;
    }

    void onlyThreeDigitRepliesAreReplies()
    {
        for (const QByteArray line : {QByteArray("250 OK\r\n"), QByteArray("250-more\r\n"), QByteArray("221\r\n"),
                                      QByteArray("354"), QByteArray("554 5.0.0\n")})
            QVERIFY2(SmtpReply::isWellFormed(line), line.constData());
        for (const QByteArray line : {QByteArray("hello\r\n"), QByteArray("OK\r\n"), QByteArray(), QByteArray("25\r\n"),
                                      QByteArray("2500 x\r\n"), QByteArray("099 x\r\n"), QByteArray("650 x\r\n"),
                                      QByteArray(" 250 x\r\n")})
            QVERIFY2(!SmtpReply::isWellFormed(line), line.constData());
    }
    void replyNumbersAndContinuation()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint64, number);
        QFETCH(bool, continues);
        QCOMPARE(SmtpReply::number(line), number);
        QCOMPARE(SmtpReply::continues(line), continues);
    }

    void templatesAreUnwrappedAndFilled()
    {
        QCOMPARE(OperatorBook::unwrap(u"\"%s@sms.example.org\""_s), u"%s@sms.example.org"_s);
        QCOMPARE(OperatorBook::unwrap(u"<http://x/?%s>"_s), u"http://x/?%s"_s);
        QCOMPARE(OperatorBook::unwrap(u"|%s@y|"_s), u"%s@y"_s);
        // Already taken off by the file reader: nothing of the template is cut.
        QCOMPARE(OperatorBook::unwrap(u"http://x/?p=%s&t=%s"_s), u"http://x/?p=%s&t=%s"_s);
        QCOMPARE(OperatorBook::unwrap(u"%s@sms.example.org"_s), u"%s@sms.example.org"_s);
        QCOMPARE(OperatorBook::unwrap(u"<http://x/?%s]"_s), u"<http://x/?%s]"_s);
        QCOMPARE(OperatorBook::unwrap(u"x"_s), u"x"_s);
        QCOMPARE(OperatorBook::fill(u"%s@x %s %d 100%% %"_s, {u"123"_s}), u"123@x  %d 100% %"_s);
        // A line break in the phone cannot open a command of its own.
        QCOMPARE(SmsSender::gatewayAddress(u"'%s@sms.example.org'"_s, u"12\r\nRCPT TO:<x>"_s),
                 u"12RCPT TO:<x>@sms.example.org"_s);
    }

    void webAddressIsPercentEncodedFromCp1251()
    {
        const QUrl url = WebGateway::url(u"http://sms.example.net/send?phone=%s&text=%s"_s, u"+7 900"_s,
                                         u"Привет, мир & 100%?#"_s);
        QCOMPARE(url.toEncoded(), QByteArray("http://sms.example.net/send?phone=%2B7%20900&text="
                                             "%CF%F0%E8%E2%E5%F2%2C%20%EC%E8%F0%20%26%20100%25%3F%23"));

        // Typed line breaks go as CR LF, as the mail sends them.
        const QString form = u"http://h/?p=%s&t=%s"_s;
        for (const QString &text : {u"a\nb"_s, u"a\rb"_s, u"a\r\nb"_s})
            QCOMPARE(WebGateway::url(form, u"1"_s, text).toEncoded(), QByteArray("http://h/?p=1&t=a%0D%0Ab"));
        QCOMPARE(WebGateway::url(form, u"1"_s, u"a\n\nb\n"_s).toEncoded(),
                 QByteArray("http://h/?p=1&t=a%0D%0A%0D%0Ab%0D%0A"));

        // Words written in the template go in 1251 like the phone and the text.
        QCOMPARE(WebGateway::url(u"http://h/send?from=Зоя&p=%s&t=%s"_s, u"1"_s, u"Я"_s).toEncoded(),
                 QByteArray("http://h/send?from=%C7%EE%FF&p=1&t=%DF"));
    }

    // The shipped operators are written so that this program and Windows
    // instances, whose settings reader drops a pair of quotes before the
    // program cuts the first and last characters, get the same address.
    void shippedOperatorsReadAlikeEverywhere()
    {
        const QString ways = QStringLiteral(ZV_DATA_DIR "/dataoss.lst");
        const OperatorBook book(QStringLiteral(ZV_DATA_DIR "/oss.lst"), ways);
        QVERIFY(book.namesExist());
        QVERIFY(!book.names().isEmpty());
        int values = 0;
        for (const QString &name : book.names()) {
            const OperatorWays way = book.ways(name);
            for (const QString &value : {way.web, way.mail}) {
                if (value.isEmpty())
                    continue;
                ++values;
                // Both settings readers have dropped a pair of quotes already;
                // a Windows instance then cuts the first and last characters.
                const QString windows = value.mid(1, value.size() - 2);
                QCOMPARE(OperatorBook::unwrap(value), windows);
                QVERIFY2(windows.contains(u"%s"_s) && !windows.startsWith(u'<'), qPrintable(windows));
            }
        }
        QVERIFY(values >= 3);
        // The form files written so far keep reading as they did.
        QTemporaryDir dir;
        QFile w(dir.filePath(u"dataoss.lst"_s));
        QVERIFY(w.open(QIODevice::WriteOnly));
        w.write("[Old]\r\nWeb=\"http://x/?p=%s&t=%s\"\r\nMail=\"%s@y\"\r\n"
                "[New]\r\nWeb=<http://x/?p=%s&t=%s>\r\nMail=<%s@y>\r\n");
        w.close();
        const OperatorBook both(dir.filePath(u"oss.lst"_s), w.fileName());
        for (const QString &name : {u"Old"_s, u"New"_s}) {
            QCOMPARE(OperatorBook::unwrap(both.ways(name).web), u"http://x/?p=%s&t=%s"_s);
            QCOMPARE(OperatorBook::unwrap(both.ways(name).mail), u"%s@y"_s);
        }
    }

    void operatorFilesAreRead()
    {
        QTemporaryDir dir;
        const QString names = dir.filePath(u"oss.lst"_s);
        const QString ways = dir.filePath(u"dataoss.lst"_s);
        QFile n(names);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.write(Cp1251::encode(u"Пример\r\n\r\nOther\r\n"));
        n.close();
        QFile w(ways);
        QVERIFY(w.open(QIODevice::WriteOnly));
        w.write(Cp1251::encode(u"[Пример]\r\nWeb=\"http://x/?p=%s&t=%s\"\r\nMail='%s@y'\r\n[Quoted]\r\nWeb='\"http://q/?%s\"'\r\n[Other]\r\nMail=\r\n"));
        w.close();
        const OperatorBook book(names, ways);
        QVERIFY(book.namesExist());
        QCOMPARE(book.names(), (QStringList{u"Пример"_s, u"Other"_s}));
        // The profile reader takes a pair of double quotes off already, as Windows does:
        // the files enclose their values in single quotes.
        QCOMPARE(book.ways(u"Пример"_s).web, u"http://x/?p=%s&t=%s"_s);
        QCOMPARE(OperatorBook::unwrap(book.ways(u"Quoted"_s).web), u"http://q/?%s"_s);
        QCOMPARE(book.ways(u"Пример"_s).mail, u"%s@y"_s);
        QVERIFY(book.ways(u"Other"_s).mail.isEmpty());
        QVERIFY(book.ways(u"Nobody"_s).web.isEmpty());
        QVERIFY(!OperatorBook(dir.filePath(u"none"_s), ways).namesExist());
    }
};

QTEST_GUILESS_MAIN(TestSmtpMessage)
#include "tst_smtpmessage.moc"
