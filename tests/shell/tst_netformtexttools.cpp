#include "IncomingBrowser.h"
#include "LoopbackEnvironment.h"
#include "MessageBoxProbe.h"
#include "NetForm.h"
#include "PhraseFile.h"
#include "SmileyTable.h"
#include "TestDependency.h"
#include "TextToolsController.h"
#include "WordEditForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QFileDialog>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using NetAction = NetFormWidgets::NetAction;

class TestNetFormTextTools : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_form;

    const NetFormWidgets &ui() const { return m_form->widgets(); }
    QPlainTextEdit *editor() const { return ui().memo1(); }
    QString phrasePath() const { return m_dir->filePath(PhraseFile::fileName()); }

    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    void startForm()
    {
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), u"pc-text"_s));
        m_form->startUp();
        m_form->openOutgoingView();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QTRY_VERIFY(editor()->hasFocus());
    }

    // Text with the selection [from, to).
    void setEditor(const QString &text, int from, int to)
    {
        editor()->setPlainText(text);
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        editor()->setTextCursor(cursor);
    }

    template<typename Dialog>
    Dialog *openedDialog(const QString &name)
    {
        Dialog *dialog = nullptr;
        [&] { QTRY_VERIFY((dialog = m_form->findChild<Dialog *>(name)) && dialog->isVisible()); }();
        return dialog;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void smileyButtonsInTheirPlaces()
    {
        startForm();
        // Bottom row, left to right: rows 1, 2, 3, 5, 4, 6, 7, 8, then the panel button, then send.
        const int bottomOrder[] = {1, 2, 3, 5, 4, 6, 7, 8};
        int lastX = -1;
        for (int order : bottomOrder) {
            QToolButton *button = ui().smileyButton(order);
            QCOMPARE(button->objectName(), SmileyTable::row(order).button());
            QCOMPARE(button->size(), QSize(26, 26));
            QVERIFY(button->autoRaise());
            QVERIFY(!button->icon().isNull());
            const int x = button->mapTo(ui().panel1(), QPoint()).x();
            QVERIFY2(x > lastX, qPrintable(button->objectName()));
            lastX = x;
        }
        QVERIFY(ui().speedButton15()->x() > lastX);
        QVERIFY(ui().speedButton25()->x() > ui().speedButton15()->x());

        // The panel: 162 x 93, three rows of six, rows 24 and 25 swapped.
        QCOMPARE(ui().panel5()->size(), QSize(162, 93));
        QVERIFY(ui().panel5()->isHidden());
        const int columns[] = {3, 29, 55, 81, 107, 133};
        const int rows[] = {3, 31, 59};
        const int panelOrder[3][6] = {{9, 10, 11, 12, 13, 14}, {15, 16, 17, 18, 19, 20}, {21, 22, 23, 25, 24, 26}};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 6; ++c) {
                QToolButton *button = ui().smileyButton(panelOrder[r][c]);
                QCOMPARE(button->parentWidget(), ui().panel5());
                QCOMPARE(button->geometry(), QRect(columns[c], rows[r], 26, r == 2 ? 31 : 26));
            }
        }
    }

    void smileyInsertionAndThePanel()
    {
        startForm();
        setEditor(u"one two three"_s, 4, 7);
        QTest::mouseClick(ui().smileyButton(1), Qt::LeftButton);
        QCOMPARE(editor()->toPlainText(), u"one  :--))  three"_s);
        QCOMPARE(editor()->textCursor().position(), 11);
        QVERIFY(!editor()->textCursor().hasSelection());
        QVERIFY(editor()->hasFocus());

        // Placed at every opening against the button, which moves with the window.
        for (int height : {280, 420}) {
            m_form->resize(m_form->width(), height);
            QTRY_COMPARE(m_form->height(), height);
            QTest::mouseClick(ui().speedButton15(), Qt::LeftButton);
            const QRect button = ui().speedButton15()->geometry();
            QTRY_VERIFY(ui().panel5()->isVisible());
            QCOMPARE(ui().panel5()->geometry().right(), button.right());
            QCOMPARE(ui().panel5()->geometry().bottom(), button.top() - 3);
            // A bottom-row smiley leaves the panel open; a panel smiley closes it.
            QTest::mouseClick(ui().smileyButton(4), Qt::LeftButton);
            QVERIFY(ui().panel5()->isVisible());
            QTest::mouseClick(ui().smileyButton(25), Qt::LeftButton);
            QVERIFY(ui().panel5()->isHidden());
            QVERIFY(editor()->hasFocus());
        }
        QVERIFY(editor()->toPlainText().endsWith(u" :--((  :doctor:  :--((  :doctor:  three"_s));
    }

    // Without a mouse: Tab walks the open panel's smileys, Enter or Space
    // writes the one reached, Escape closes the panel; the focus goes back
    // to the editor either way.
    void panelSmileysFromTheKeyboard()
    {
        startForm();
        setEditor(u"ab"_s, 1, 1);
        ui().speedButton15()->click();
        QTRY_VERIFY(ui().panel5()->hasFocus());
        QTest::keyClick(ui().panel5(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), ui().smileyButton(9));
        QTest::keyClick(ui().smileyButton(9), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), ui().smileyButton(10));
        QTest::keyClick(ui().smileyButton(10), Qt::Key_Return);
        QVERIFY(ui().panel5()->isHidden());
        QVERIFY(editor()->hasFocus());
        QCOMPARE(editor()->toPlainText(), u"a"_s + SmileyTable::row(10).insertedText() + u"b"_s);

        ui().speedButton15()->click();
        QTRY_VERIFY(ui().panel5()->hasFocus());
        QTest::keyClick(ui().panel5(), Qt::Key_Escape);
        QVERIFY(ui().panel5()->isHidden());
        QVERIFY(editor()->hasFocus());
    }

    void panelHidesOnTheFiveEvents()
    {
        startForm();
        const auto open = [this] {
            QTest::mouseClick(ui().speedButton15(), Qt::LeftButton);
            QVERIFY(ui().panel5()->isVisible());
        };
        open();
        QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(ui().panel5()->isHidden());
        QVERIFY(editor()->hasFocus());

        open();
        QTRY_VERIFY(ui().panel5()->hasFocus());
        ui().speedButton25()->setFocus(); // the focus leaves the panel for the send button
        QTRY_VERIFY(ui().panel5()->isHidden());

        open();
        m_form->contacts().add(u"PC-2"_s, u"PC-2"_s);
        const QModelIndex first = ui().listBox1()->model()->index(0, 0);
        QTest::mouseClick(ui().listBox1()->viewport(), Qt::LeftButton, {}, ui().listBox1()->visualRect(first).center());
        QVERIFY(ui().panel5()->isHidden());

        open();
        m_form->hideWindow();
        QVERIFY(ui().panel5()->isHidden());

        m_form->openOutgoingView();
        open();
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!m_form->isActiveWindow());
        QTRY_VERIFY(ui().panel5()->isHidden());
    }

    void layoutCorrectionOnlyOnAnOutgoingSelection()
    {
        startForm();
        QAction *fix = ui().action(NetAction::FixLayout);
        setEditor(u"x Ghbdtn, GHBDTN\nz1 a?&"_s, 2, 23);
        fix->trigger();
        QCOMPARE(editor()->toPlainText(), u"x приветб привет\nя1 ф,?"_s);
        QCOMPARE(editor()->textCursor().position(), 23);
        QVERIFY(editor()->hasFocus());

        setEditor(u"Ghbdtn"_s, 3, 3); // no selection
        fix->trigger();
        QCOMPARE(editor()->toPlainText(), u"Ghbdtn"_s);

        setEditor(u"Ghbdtn"_s, 0, 6);
        m_form->openIncomingView();
        fix->trigger();
        QCOMPARE(editor()->toPlainText(), u"Ghbdtn"_s);
    }

    void phraseListUnderTheCaret()
    {
        writeFile(phrasePath(), "\xE1\xE5\xE7\r\nalpha\nbeta\r");
        startForm();
        QCOMPARE(m_form->textTools().phrases(), (QStringList{u"без"_s, u"alpha"_s, u"beta"_s}));
        QListWidget *list = ui().listBox2();
        QCOMPARE(list->parentWidget(), editor());
        QCOMPARE(list->size(), QSize(200, 83));
        QVERIFY(list->isHidden());

        setEditor(u"first line\nsecond"_s, 17, 17);
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QTRY_VERIFY(list->isVisible());
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentRow(), 0);
        const QRect caret = editor()->cursorRect();
        const QPoint caretInEditor = editor()->viewport()->mapTo(editor(), caret.bottomLeft());
        QCOMPARE(list->y(), caretInEditor.y() + 1);
        QVERIFY(list->x() <= caretInEditor.x());

        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(list->isHidden());
        QVERIFY(editor()->hasFocus());
        QCOMPARE(editor()->toPlainText(), u"first line\nsecondalpha"_s);

        // Focus loss hides the list.
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QTRY_VERIFY(list->isVisible());
        ui().speedButton25()->setFocus();
        QTRY_VERIFY(list->isHidden());

        // A double click inserts too, replacing the selection.
        setEditor(u"abc"_s, 0, 3);
        m_form->textTools().insertPhrase();
        QTRY_VERIFY(list->isVisible());
        const QRect third = list->visualItemRect(list->item(2));
        // A user's double click: the first click, then the second as a double click.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, third.center());
        QTRY_VERIFY(list->isHidden());
        QCOMPARE(editor()->toPlainText(), u"beta"_s);
    }

    void noPhraseFileIsAnEmptyListAndNoError()
    {
        startForm();
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QTRY_VERIFY(ui().listBox2()->isVisible());
        QCOMPARE(ui().listBox2()->count(), 0);
        QTest::keyClick(ui().listBox2(), Qt::Key_Return);
        QVERIFY(ui().listBox2()->isHidden());
        QCOMPARE(editor()->toPlainText(), QString());

        // The editor closed without "Ok": still no file, still no error.
        ui().action(NetAction::EditPhrases)->trigger();
        QPointer<TWordEditForm> form = m_form->textTools().phraseEditor();
        QVERIFY(form);
        QTRY_VERIFY(form->isVisible());
        form->close();
        QTRY_VERIFY(!form);
        QCoreApplication::processEvents();
        QCOMPARE(MessageBoxProbe::take(m_form.get()).size(), 0);
        QVERIFY(m_form->textTools().phrases().isEmpty());
        QVERIFY(!QFile::exists(phrasePath()));
    }

    void editorOkReloadsThePopUpList()
    {
        writeFile(phrasePath(), "b\r\n");
        startForm();
        ui().action(NetAction::EditPhrases)->trigger();
        QPointer<TWordEditForm> form = m_form->textTools().phraseEditor();
        QTRY_VERIFY(form && form->isVisible());
        QCOMPARE(form->phrases(), QStringList{u"b"_s});
        // Messages keep flowing: the window's event loop is not held.
        QVERIFY(QMetaObject::invokeMethod(m_form.get(), [] {}, Qt::QueuedConnection));
        form->listBox1()->addItem(u"a"_s);
        form->findChild<QPushButton *>(u"Button3"_s)->click();
        QTRY_VERIFY(!form);
        QCOMPARE(readBytes(phrasePath()), QByteArray("a\r\nb\r\n"));
        QCOMPARE(m_form->textTools().phrases(), (QStringList{u"a"_s, u"b"_s}));
        QCOMPARE(ui().listBox2()->count(), 2);
    }

    void unreadablePhraseFileIsReported()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(PhraseFile::fileName()));
        startForm();
        QTRY_VERIFY(MessageBoxProbe::shows(m_form.get(), PhraseFile::cannotOpen(phrasePath())));
        MessageBoxProbe::take(m_form.get());
        ui().action(NetAction::EditPhrases)->trigger();
        QTRY_VERIFY(MessageBoxProbe::shows(m_form.get(), PhraseFile::cannotOpen(phrasePath())));
        QVERIFY(!m_form->textTools().phraseEditor());
        MessageBoxProbe::take(m_form.get());
    }

    void popUpDeleteSavesTheFile()
    {
        writeFile(phrasePath(), "one\r\nthree\r\ntwo\r\n");
        startForm();
        m_form->textTools().insertPhrase();
        QListWidget *list = ui().listBox2();
        QTRY_VERIFY(list->isVisible());
        const QPoint at = list->visualItemRect(list->item(1)).center();
        Q_EMIT list->customContextMenuRequested(at);
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = list->findChild<QMenu *>(u"PhraseMenu"_s)) && menu->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), u"Удалить"_s);
        menu->actions().first()->trigger();
        menu->close();
        QCOMPARE(readBytes(phrasePath()), QByteArray("one\r\ntwo\r\n"));
        QCOMPARE(m_form->textTools().phrases(), (QStringList{u"one"_s, u"two"_s}));
    }

    void loadIntoOutgoing()
    {
        startForm();
        const QString path = m_dir->filePath(u"in.txt"_s);
        writeFile(path, "\xCF\xF0\xE8\xE2\xE5\xF2\r\nline\rend\n");
        setEditor(u"old text"_s, 3, 3);
        ui().action(NetAction::LoadText)->trigger();
        auto *dialog = openedDialog<QFileDialog>(u"OpenDialog1"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->nameFilters(), QStringList{u"Текстовые файлы *.txt (*.txt)"_s});
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // as the dialog's own button does
        QTRY_COMPARE(editor()->toPlainText(), u"Привет\nline\nend\n"_s);

        m_form->textTools().loadOutgoingFrom(m_dir->filePath(u"missing.txt"_s));
        QTRY_VERIFY(MessageBoxProbe::shows(m_form.get(), PhraseFile::cannotOpen(m_dir->filePath(u"missing.txt"_s))));
        MessageBoxProbe::take(m_form.get());
        QCOMPARE(editor()->toPlainText(), u"Привет\nline\nend\n"_s);

        // Only with the outgoing view selected.
        m_form->openIncomingView();
        ui().action(NetAction::LoadText)->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!m_form->findChild<QFileDialog *>());
    }

    // One message is at most 9,999 bytes: a larger file is refused before
    // it is read, whatever it holds; a pipe is never opened (it would block).
    void loadIntoOutgoingRefusesWhatNoMessageCarries()
    {
        startForm();
        const QString fits = m_dir->filePath(u"fits.txt"_s);
        writeFile(fits, QByteArray(9999, '\xE6'));
        m_form->textTools().loadOutgoingFrom(fits);
        QCOMPARE(editor()->toPlainText(), QString(9999, u'ж'));
        QVERIFY(MessageBoxProbe::take(m_form.get()).isEmpty());

        setEditor(u"kept"_s, 0, 0);
        const QString large = m_dir->filePath(u"large.txt"_s);
        writeFile(large, QByteArray(10000, 'x'));
        m_form->textTools().loadOutgoingFrom(large);
        QList<SeenBox> boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, u"Внимание"_s);
        QVERIFY2(boxes[0].text.contains(u"9999"_s), qPrintable(boxes[0].text));
        QCOMPARE(editor()->toPlainText(), u"kept"_s);

        // A sparse 4 GB file: refused by its size, never read.
        const QString huge = m_dir->filePath(u"huge.txt"_s);
        {
            QFile file(huge);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(qint64(4) << 30));
        }
        m_form->textTools().loadOutgoingFrom(huge);
        boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.contains(u"9999"_s), qPrintable(boxes[0].text));
        QCOMPARE(editor()->toPlainText(), u"kept"_s);

        const QString fifo = m_dir->filePath(u"pipe.txt"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        m_form->textTools().loadOutgoingFrom(fifo);
        QTRY_VERIFY(MessageBoxProbe::shows(m_form.get(), PhraseFile::cannotOpen(fifo)));
        MessageBoxProbe::take(m_form.get());
        QCOMPARE(editor()->toPlainText(), u"kept"_s);
    }

    void saveIncoming()
    {
        startForm();
        ui().richEdit2()->setPlainText(u"Вход\nвторая"_s);
        ui().action(NetAction::SaveIncoming)->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!m_form->findChild<QFileDialog *>()); // the outgoing view is in front

        m_form->openIncomingView();
        // A selection does not narrow what is saved.
        QTextCursor cursor = ui().richEdit2()->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(2, QTextCursor::KeepAnchor);
        ui().richEdit2()->setTextCursor(cursor);
        QTest::keySequence(m_form.get(), QKeySequence(u"Ctrl+S"_s));
        auto *dialog = openedDialog<QFileDialog>(u"SaveDialog1"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->defaultSuffix(), u"txt"_s);
        dialog->selectFile(m_dir->filePath(u"saved"_s));
        static_cast<QDialog *>(dialog)->accept(); // as the dialog's own button does
        // No extension typed: ".txt" appended, plain text.
        QTRY_VERIFY(QFile::exists(m_dir->filePath(u"saved.txt"_s)));
        QCOMPARE(readBytes(m_dir->filePath(u"saved.txt"_s)), QByteArray("\xC2\xF5\xEE\xE4\r\n\xE2\xF2\xEE\xF0\xE0\xFF\r\n"));

        QVERIFY(m_form->textTools().saveIncomingTo(m_dir->filePath(u"saved.RTF"_s)));
        QVERIFY(readBytes(m_dir->filePath(u"saved.RTF"_s)).startsWith("{\\rtf1"));

        const QString blocked = m_dir->filePath(u"no/folder/x.txt"_s);
        QVERIFY(!m_form->textTools().saveIncomingTo(blocked));
        QTRY_VERIFY(MessageBoxProbe::shows(m_form.get(), PhraseFile::cannotCreate(blocked)));
        MessageBoxProbe::take(m_form.get());
    }

    // The view's font style and colours live on the widget, not in the text:
    // the rich text shows them all the same, as a word processor reads it.
    void richTextKeepsTheLookOfTheView()
    {
        const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
        if (unrtf.isEmpty())
            ZV_MISSING_DEPENDENCY("unrtf is not installed (Debian package unrtf): the RTF is not read back");
        // Bold italic, red on navy (colours as 0x00BBGGRR).
        writeFile(m_dir->filePath(u"Zavolin.ini"_s),
                  "[Form]\r\nFontStyle=3\r\nFontColor=255\r\nColor=8388608\r\nFontSize=12\r\n");
        startForm();
        ui().richEdit2()->setPlainText(u"Жирный"_s);
        const QString path = m_dir->filePath(u"look.rtf"_s);
        QVERIFY(m_form->textTools().saveIncomingTo(path));

        QProcess reader;
        reader.start(unrtf, {u"--html"_s, path});
        QVERIFY(reader.waitForFinished(30000));
        const QString html = QString::fromUtf8(reader.readAllStandardOutput());
        // The markup that opens before the word.
        const qsizetype body = html.indexOf(u"<body>"_s);
        const QString opening = html.mid(body, html.indexOf(u"&#1046;"_s) - body);
        QVERIFY2(body >= 0 && opening.contains(u"<b>"_s) && opening.contains(u"<i>"_s), qPrintable(html));
        QVERIFY2(opening.contains(u"color=\"#ff0000\""_s), qPrintable(html));
        QVERIFY2(opening.contains(u"background:#000080"_s), qPrintable(html));
    }
};

QTEST_MAIN(TestNetFormTextTools)
#include "tst_netformtexttools.moc"
