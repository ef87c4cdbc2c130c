#include "MsgFrame.h"
#include "WinsockErrors.h"

#include <QTest>

#include <cerrno>

using Status = MsgFrameParser::Status;
Q_DECLARE_METATYPE(MsgFrameParser::Status)

class TestMsgFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestIsFramedByteForByte()
    {
        QCOMPARE(MsgFrame::encodeField("PC1") + MsgFrame::encodeField("Hi"), QByteArray("0003PC10002Hi"));
        QCOMPARE(MsgFrame::encodeField(""), QByteArray("0000"));
        QCOMPARE(MsgFrame::encodeField(QByteArray(9999, 'x')).left(4), QByteArray("9999"));
        QCOMPARE(MsgFrame::acknowledgement(), QByteArray("OK              "));
    }

    void parserHandlesAnySegmentation()
    {
        const QByteArray wire = "0003PC10002Hi";
        for (int cut = 0; cut <= wire.size(); ++cut) {
            MsgFrameParser parser;
            parser.feed(QByteArrayView(wire).first(cut));
            QCOMPARE(parser.feed(QByteArrayView(wire).sliced(cut)), Status::Complete);
            QCOMPARE(parser.fromName(), QByteArray("PC1"));
            QCOMPARE(parser.text(), QByteArray("Hi"));
        }
        MsgFrameParser byteByByte;
        Status last = Status::NeedMore;
        for (char c : wire)
            last = byteByByte.feed(QByteArrayView(&c, 1));
        QCOMPARE(last, Status::Complete);
    }

    void parserJudgesRequests_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty fields") << QByteArray("00000000") << Status::Complete << QByteArray();
        QTest::newRow("max text") << "0001A9999" + QByteArray(9999, 'z') << Status::Complete << QByteArray(9999, 'z');
        QTest::newRow("cp1251 bytes") << QByteArray("0001\xC0" "0002\xE0\xFF") << Status::Complete
                                      << QByteArray("\xE0\xFF");
        QTest::newRow("name only") << QByteArray("0003PC1") << Status::NeedMore << QByteArray();
        QTest::newRow("short text") << QByteArray("0003PC10005Hi") << Status::NeedMore << QByteArray();
        QTest::newRow("letters") << QByteArray("00a3PC1") << Status::Malformed << QByteArray();
        QTest::newRow("sign") << QByteArray("-001") << Status::Malformed << QByteArray();
        QTest::newRow("blanks") << QByteArray("  12") << Status::Malformed << QByteArray();
        QTest::newRow("bad second length") << QByteArray("0001A00x1") << Status::Malformed << QByteArray();
        QTest::newRow("http probe") << QByteArray("GET / HTTP/1.0\r\n") << Status::Malformed << QByteArray();
    }

    void parserJudgesRequests()
    {
        QFETCH(QByteArray, wire);
        QFETCH(Status, status);
        QFETCH(QByteArray, text);
        MsgFrameParser parser;
        QCOMPARE(parser.feed(wire), status);
        if (status == Status::Complete)
            QCOMPARE(parser.text(), text);
    }

    void bytesAfterACompleteRequestAreIgnored()
    {
        MsgFrameParser parser;
        QCOMPARE(parser.feed("0001A0001Bjunk"), Status::Complete);
        QCOMPARE(parser.feed("more"), Status::Complete);
        QCOMPARE(parser.text(), QByteArray("B"));
    }

    void errorsReadAsWinsockTexts()
    {
        QCOMPARE(WinsockErrors::text(WinsockErrors::codeFromErrno(ECONNREFUSED)),
                 QStringLiteral("10061:Connection refused"));
        QCOMPARE(WinsockErrors::text(WinsockErrors::codeFromErrno(EHOSTUNREACH)),
                 QStringLiteral("10065:No route to Host"));
        QCOMPARE(WinsockErrors::text(
                     WinsockErrors::codeFromSocketError(QAbstractSocket::ConnectionRefusedError)),
                 QStringLiteral("10061:Connection refused"));
        QCOMPARE(WinsockErrors::text(12345), QStringLiteral("Unknown Error No. 12345"));
    }
};

QTEST_GUILESS_MAIN(TestMsgFrame)
#include "tst_msgframe.moc"
