#include "Cp1251.h"
#include "IncomingRenderer.h"
#include "IncomingEntry.h"
#include "IncomingSave.h"
#include "IncomingView.h"
#include "RtfWriter.h"
#include "SmileyPictures.h"
#include "SmileyTable.h"
#include "TestDependency.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A received message with every smiley of the table, drawn as pictures.
void renderAllSmileys(IncomingView &view, const QString &header)
{
    QString text = u"Все: "_s;
    for (const SmileyRow &row : SmileyTable::rows())
        text += row.insertedText();
    IncomingEntry entry;
    entry.header = header;
    entry.text = text + u"\r\nконец"_s;
    entry.smileys = true;
    IncomingRenderer::render(view, entry, {});
}

// The text of unrtf's HTML: entities resolved, tags gone.
QString htmlText(QString html)
{
    static const QRegularExpression entity(u"&#(\\d+);"_s);
    QString out;
    qsizetype at = 0;
    for (auto it = entity.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out += html.mid(at, m.capturedStart() - at) + QChar(m.captured(1).toInt());
        at = m.capturedEnd();
    }
    out += html.mid(at);
    out.remove(QRegularExpression(u"<[^>]*>"_s));
    out.replace(u"&gt;"_s, u">"_s).replace(u"&lt;"_s, u"<"_s).replace(u"&quot;"_s, u"\""_s).replace(u"&amp;"_s, u"&"_s);
    return out;
}

} // namespace

class TestIncomingSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatFollowsTheExtension()
    {
        using IncomingSave::Format;
        QCOMPARE(IncomingSave::formatFor(u"/a/b.txt"_s), Format::PlainText);
        QCOMPARE(IncomingSave::formatFor(u"/a/b.TxT"_s), Format::PlainText);
        QCOMPARE(IncomingSave::formatFor(u"/a/b.rtf"_s), Format::RichText);
        QCOMPARE(IncomingSave::formatFor(u"/a/b.doc"_s), Format::RichText);
        QCOMPARE(IncomingSave::formatFor(u"/a/txt"_s), Format::RichText);
    }

    void plainTextIsTheWholeViewInCp1251WithCrLf()
    {
        QTextDocument document;
        IncomingView view(&document);
        renderAllSmileys(view, u">>Сообщение от  PC-1"_s);
        view.appendText(u"вторая\r\nстрока http://x.org"_s);
        // A selection somewhere does not narrow what is saved.
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);

        QString expected = u">>Сообщение от  PC-1\r\nВсе: "_s;
        for (const SmileyRow &row : SmileyTable::rows())
            expected += u" "_s + row.code() + u" "_s;
        expected += u"\r\nконец\r\n\r\nвторая\r\nстрока http://x.org\r\n"_s;
        const QByteArray bytes = IncomingSave::plainText(document);
        QCOMPARE(bytes, Cp1251::encode(expected));
        QCOMPARE(IncomingSave::content(document, IncomingSave::Format::PlainText), bytes);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"in.txt"_s);
        QString error;
        QVERIFY(IncomingSave::save(document, path, &error));
        QCOMPARE(readBytes(path), bytes);
        // A file that cannot be created leaves nothing behind and says why.
        const QString blocked = dir.filePath(u"no/such/folder.txt"_s);
        QVERIFY(!IncomingSave::save(document, blocked, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(blocked));
    }

    // Every line ends with CR LF, the last one too; the empty block after a
    // final line break is no line, blank lines inside stay.
    void everyLineEndsWithCrLf_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("one line") << u"один"_s << QByteArray("\xEE\xE4\xE8\xED\r\n");
        QTest::newRow("last line unended") << u"a\nb"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("last line ended") << u"a\nb\n"_s << QByteArray("a\r\nb\r\n");
        QTest::newRow("blank lines") << u"a\n\nb\n\n"_s << QByteArray("a\r\n\r\nb\r\n\r\n");
        QTest::newRow("line separator") << u"a\u2028b"_s << QByteArray("a\r\nb\r\n");
    }

    void everyLineEndsWithCrLf()
    {
        QFETCH(QString, view);
        QFETCH(QByteArray, saved);
        QTextDocument document;
        document.setPlainText(view);
        QCOMPARE(IncomingSave::plainText(document), saved);
    }

    void rtfEscapesAndCodePage()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        bold.setForeground(QColor(255, 0, 0));
        cursor.insertText(u"Жирный"_s, bold);
        cursor.insertText(u" {a}\\b\tc €ℕ"_s, QTextCharFormat());
        cursor.insertBlock();
        cursor.insertText(u"2"_s);
        const QByteArray rtf = RtfWriter(document).write();
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
        QVERIFY(rtf.contains("\\fcharset204"));
        QVERIFY(rtf.contains("\\red255\\green0\\blue0;"));
        QVERIFY(rtf.contains("\\b\\cf1 \\'c6\\'e8\\'f0\\'ed\\'fb\\'e9}"));
        QVERIFY(rtf.contains(" \\{a\\}\\\\b\\tab c \\'88\\u8469?}"));
        QVERIFY(rtf.contains("\\par\n{"));
        // Only 7-bit bytes: the file survives any transfer that keeps text.
        for (char c : rtf)
            QVERIFY(uchar(c) < 0x80);
        QCOMPARE(rtf.count('{'), rtf.count('}') + 0);
    }

    void rtfIsReadByARealReader()
    {
        const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
        if (unrtf.isEmpty())
            ZV_MISSING_DEPENDENCY("unrtf is not installed (Debian package unrtf): the RTF is not checked by a reader");
        QTextDocument document;
        IncomingView view(&document);
        renderAllSmileys(view, u">>Сообщение от  \"PC-1\"<<  12:00:00"_s);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"in.rtf"_s);
        QString error;
        QVERIFY2(IncomingSave::save(document, path, &error), qPrintable(error));

        QProcess reader;
        reader.setWorkingDirectory(dir.path()); // unrtf writes the pictures here
        reader.start(unrtf, {u"--html"_s, path});
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(reader.exitCode(), 0);
        // HTML folds runs of blanks into one.
        const QString text = htmlText(QString::fromUtf8(reader.readAllStandardOutput())).simplified();
        QVERIFY2(text.contains(u">>Сообщение от \"PC-1\"<< 12:00:00"_s), qPrintable(text));
        QVERIFY2(text.contains(u"Все:"_s) && text.contains(u"конец"_s), qPrintable(text));

        // One picture per smiley, each the picture of its row, in order.
        const QStringList pictures = QDir(dir.path()).entryList({u"pict*"_s}, QDir::Files, QDir::Name);
        QCOMPARE(pictures.size(), SmileyTable::kRowCount);
        for (int order = 1; order <= SmileyTable::kRowCount; ++order) {
            const QImage read(dir.filePath(pictures[order - 1]), "PNG");
            QVERIFY2(!read.isNull(), qPrintable(pictures[order - 1]));
            QCOMPARE(read.convertToFormat(QImage::Format_ARGB32),
                     SmileyPictures::image(order).convertToFormat(QImage::Format_ARGB32));
        }
    }
};

QTEST_MAIN(TestIncomingSave)
#include "tst_incomingsave.moc"
