// What leaves the incoming view as text, by a copy or to a screen reader:
// each smiley picture as its code, never U+FFFC (which is "?" once sent).
// How a received message is announced is checked through the real
// accessibility bus (tst_atspi_tree).
#include "IncomingBrowser.h"
#include "IncomingEntry.h"
#include "IncomingRenderer.h"
#include "IncomingView.h"
#include "SmileyTable.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QTest>

using namespace Qt::StringLiterals;

class TestIncomingCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesLeaveAsTheirCodes()
    {
        IncomingBrowser browser;
        IncomingView view(browser.document());
        const QString smile = SmileyTable::rows()[0].code();
        const QString wink = SmileyTable::rows()[1].code();
        IncomingEntry entry;
        entry.header = u">>Сообщение от  PC-1"_s;
        entry.text = u"да "_s + smile + u" нет\r\n"_s + wink + u" конец"_s;
        entry.smileys = true;
        IncomingRenderer::render(view, entry, {});

        // What the view shows, each picture read as the code it was drawn for.
        const QString shown = browser.toPlainText();
        const qsizetype first = shown.indexOf(QChar::ObjectReplacementCharacter);
        const qsizetype last = shown.lastIndexOf(QChar::ObjectReplacementCharacter);
        QVERIFY(first >= 0 && last > first);
        QString read = shown;
        read.replace(last, 1, wink).replace(first, 1, smile);

        // A selection from the first picture through the second.
        QTextCursor cursor = browser.textCursor();
        cursor.setPosition(int(first));
        cursor.setPosition(int(last + 1), QTextCursor::KeepAnchor);
        browser.setTextCursor(cursor);
        browser.copy();
        const qsizetype from = read.indexOf(smile);
        const qsizetype to = read.lastIndexOf(wink) + wink.size();
        QCOMPARE(QApplication::clipboard()->text(), read.mid(from, to - from));

        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&browser)->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), int(read.size()));
        QCOMPARE(text->text(0, text->characterCount()), read);
        QCOMPARE(text->text(int(from) + 1, int(to)), read.mid(from + 1, to - from - 1));
        // Offsets count in that text: past the second code is past the second picture.
        text->setCursorPosition(int(to));
        QCOMPARE(browser.textCursor().position(), int(last) + 1);
        QCOMPARE(text->cursorPosition(), int(to));
        // A selection that ends inside a code takes in its picture.
        text->setSelection(0, int(from), int(from) + 1);
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(start, int(from));
        QCOMPARE(end, int(from + smile.size()));
    }
};

QTEST_MAIN(TestIncomingCopy)
#include "tst_incomingcopy.moc"
