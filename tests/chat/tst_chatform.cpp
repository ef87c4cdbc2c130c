#include "ChatDatagrams.h"
#include "ChatForm.h"
#include "ChatFormPlacement.h"
#include "ChatLogView.h"
#include "ChatWindowSwitch.h"
#include "IniFile.h"
#include "ManualPause.h"
#include "MessageBoxProbe.h"
#include "SystemFormats.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

// The chat window and its switch: controls, texts, the settings section, and
// what closing sends. Pauses end when the test ends them.
class TestChatForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ManualPause::Log m_pauses;
    QStringList m_sent;
    std::unique_ptr<TChatForm> m_form;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("Zavolin.ini")); }

    void openForm()
    {
        m_form = std::make_unique<TChatForm>(iniPath(), QStringLiteral("PC1"),
                                             [this](const QString &d) { m_sent << d; },
                                             std::make_unique<ManualPause>(m_pauses));
        m_form->show();
    }

    template<typename T>
    T *control(const char *name)
    {
        return m_form->findChild<T *>(QString::fromLatin1(name));
    }

    void finishSequences()
    {
        while (elapse(m_pauses)) {
        }
    }

    void joinAs(const QString &nick)
    {
        control<QLineEdit>("Edit2")->setText(nick);
        control<QToolButton>("SpeedButton3")->click();
        finishSequences();
        QVERIFY(m_form->session().isJoined());
    }

    // What the network would bring back of our own broadcasts.
    void echo()
    {
        for (const QString &d : std::as_const(m_sent)) {
            if (d.startsWith(u'&'))
                m_form->session().appendLine(d.mid(1));
        }
        m_sent.clear();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_pauses = {};
        m_sent.clear();
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void controlsAndPlacement()
    {
        IniFile(iniPath()).writeString(u"ChatForm", u"Login", s("Вася"));
        openForm();
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Chat - Zavolin"));
        const struct {
            const char *name;
            const char *hint;
        } hints[] = {{"SpeedButton3", "Войти в чат"}, {"SpeedButton4", "Выйти из чата"},
                     {"SpeedButton2", "Очистить"},    {"SpeedButton5", "Закрыть"}};
        for (const auto &row : hints) {
            QToolButton *button = control<QToolButton>(row.name);
            QVERIFY2(button, row.name);
            QCOMPARE(button->toolTip(), s(row.hint));
        }
        QVERIFY(control<QToolButton>("SpeedButton1"));
        QCOMPARE(control<QLineEdit>("Edit2")->toolTip(), s("Ник"));
        QVERIFY(control<QListView>("ListBox1"));
        QPlainTextEdit *memo = control<QPlainTextEdit>("Memo1");
        QVERIFY(memo && memo->isReadOnly());
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        // A fresh window: not joined, leave pressed, the stored nick, the default place.
        QVERIFY(control<QToolButton>("SpeedButton4")->isChecked());
        QVERIFY(!control<QLineEdit>("Edit1")->isEnabled());
        QVERIFY(control<QLineEdit>("Edit2")->isEnabled());
        QCOMPARE(control<QLineEdit>("Edit2")->text(), s("Вася"));
        QCOMPARE(m_form->session().ownNick(), s("Вася"));
        QCOMPARE(m_form->pos(), QPoint(181, 162));
        QTRY_COMPARE(m_form->frameGeometry().size(), QSize(467, 271));
    }

    // Width and Height are the outer window, frame included: a window opened
    // from the section and closed again stores the same size, whatever frame
    // the window system gives it; without a frame the client is the window.
    void storedSizeIsTheOuterWindowAndDoesNotGrow()
    {
        IniFile(iniPath()).writeInteger(u"ChatForm", u"Width", 500);
        IniFile(iniPath()).writeInteger(u"ChatForm", u"Height", 300);
        for (int round = 0; round < 3; ++round) {
            openForm();
            QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
            QTRY_COMPARE(m_form->frameGeometry().size(), QSize(500, 300));
            QCOMPARE(m_form->pos(), QPoint(181, 162));
            QSignalSpy finished(m_form.get(), &TChatForm::finished);
            m_form->startClose();
            QTRY_COMPARE(finished.size(), 1);
            const IniFile ini(iniPath());
            QCOMPARE(ini.readInteger(u"ChatForm", u"Width", 0), 500);
            QCOMPARE(ini.readInteger(u"ChatForm", u"Height", 0), 300);
            QCOMPARE(ini.readInteger(u"ChatForm", u"Left", 0), 181);
            QCOMPARE(ini.readInteger(u"ChatForm", u"Top", 0), 162);
            m_form.reset();
        }
        QCOMPARE(ChatFormPlacement::clientSize(QSize(500, 300), QMargins(4, 30, 4, 4)), QSize(492, 266));
        QCOMPARE(ChatFormPlacement::clientSize(QSize(500, 300), QMargins()), QSize(500, 300));
        QCOMPARE(ChatFormPlacement::clientSize(QSize(5, 5), QMargins(4, 30, 4, 4)), QSize(1, 1));
    }

    void joinWithoutNickIsRefused()
    {
        openForm();
        control<QToolButton>("SpeedButton3")->click();
        const QList<SeenBox> boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.at(0).caption, s("Внимание"));
        QCOMPARE(boxes.at(0).text, s("Укажите свой ник и повторите попытку!"));
        QCOMPARE(boxes.at(0).icon, QMessageBox::Warning);
        QVERIFY(control<QToolButton>("SpeedButton4")->isChecked());
        QVERIFY(!control<QLineEdit>("Edit1")->isEnabled());
        QVERIFY(m_sent.isEmpty());
    }

    void joinedWindowSendsAndShowsOwnLinesOnlyWhenTheyComeBack()
    {
        openForm();
        joinAs(s("Вася"));
        QVERIFY(control<QToolButton>("SpeedButton3")->isChecked());
        QVERIFY(control<QLineEdit>("Edit1")->isEnabled());
        QVERIFY(!control<QLineEdit>("Edit2")->isEnabled());
        QCOMPARE(m_sent.size(), 3);
        echo();
        QPlainTextEdit *memo = control<QPlainTextEdit>("Memo1");
        QTRY_COMPARE(memo->toPlainText(), s("<--- Вася в чате! --->"));

        QLineEdit *input = control<QLineEdit>("Edit1");
        input->setText(s("привет"));
        const QTime before = QTime::currentTime();
        QTest::keyClick(input, Qt::Key_Return);
        const QTime after = QTime::currentTime();
        QCOMPARE(m_sent.size(), 1);
        QVERIFY(m_sent.at(0) == ChatDatagrams::line(before, s("Вася"), s("привет"))
                || m_sent.at(0) == ChatDatagrams::line(after, s("Вася"), s("привет")));
        QVERIFY(input->text().isEmpty());
        QCOMPARE(memo->document()->blockCount(), 1); // not shown before it comes back
        echo();
        QTRY_COMPARE(memo->document()->blockCount(), 2);
        QVERIFY(memo->toPlainText().endsWith(s("] Вася: привет")));
    }

    void sendRefusalsKeepTheText()
    {
        openForm();
        control<QToolButton>("SpeedButton1")->click();
        QCOMPARE(MessageBoxProbe::take(m_form.get()).value(0).text, s("Для отправки сообщения необходимо войти в чат!"));

        joinAs(s("Вася"));
        m_sent.clear();
        control<QToolButton>("SpeedButton1")->click();
        const QList<SeenBox> empty = MessageBoxProbe::take(m_form.get());
        QCOMPARE(empty.value(0).text, s("Введите текст сообщения!"));
        QCOMPARE(empty.value(0).caption, s("Внимание"));

        QLineEdit *input = control<QLineEdit>("Edit1");
        const QString tooLong(ChatDatagrams::kMaxBytes, u'ж');
        input->setText(tooLong);
        QTest::keyClick(input, Qt::Key_Return);
        const QList<SeenBox> refused = MessageBoxProbe::take(m_form.get());
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.at(0).caption, s("Внимание"));
        QVERIFY2(refused.at(0).text.contains(QString::number(ChatDatagrams::kMaxBytes)), qPrintable(refused.at(0).text));
        QCOMPARE(input->text(), tooLong);
        QVERIFY(m_sent.isEmpty());
    }

    void participantsAndLogFeedTheInputLine()
    {
        openForm();
        control<QLineEdit>("Edit2")->setText(s("Вася"));
        m_form->session().addParticipant(s("Петя"));
        QListView *list = control<QListView>("ListBox1");
        QLineEdit *input = control<QLineEdit>("Edit1");
        const QPoint first = list->visualRect(list->model()->index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
        QVERIFY(input->text().isEmpty()); // not joined: nothing

        control<QToolButton>("SpeedButton3")->click();
        finishSequences();
        input->setText(s("да, "));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
        QCOMPARE(input->text(), s("да, Петя: "));
        QCOMPARE(input->cursorPosition(), input->text().size());

        m_form->session().appendLine(s("[12:00:00] Петя: смотри тут"));
        QPlainTextEdit *memo = control<QPlainTextEdit>("Memo1");
        QTRY_VERIFY(memo->toPlainText().contains(s("смотри")));
        QTextCursor at(memo->document());
        at.setPosition(int(memo->toPlainText().indexOf(s("смотри"))) + 2);
        QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, memo->cursorRect(at).center());
        QCOMPARE(input->text(), s("да, Петя: смотри"));
    }

    void clearAsksFirstAndKeepsParticipants()
    {
        openForm();
        joinAs(s("Вася"));
        m_form->session().addParticipant(s("Петя"));
        echo();
        QPlainTextEdit *memo = control<QPlainTextEdit>("Memo1");
        QTRY_VERIFY(!memo->toPlainText().isEmpty());
        for (bool yes : {false, true}) {
            // A line still waiting for its frame goes with the rest.
            m_form->session().appendLine(s("ещё одна"));
            control<QToolButton>("SpeedButton2")->click();
            QMessageBox *box = MessageBoxProbe::find(m_form.get(), s("Очистить содержимое?"));
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), s("Внимание"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QPointer<QMessageBox> guard(box);
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            QTRY_VERIFY(!guard);
            if (yes) {
                QCOMPARE(static_cast<ChatLogView *>(memo)->pendingLines(), 0);
                QVERIFY(memo->toPlainText().isEmpty());
            } else {
                QTRY_VERIFY(memo->toPlainText().endsWith(s("ещё одна")));
            }
        }
        QCOMPARE(m_form->session().participants(), QStringList{s("Петя")});
    }

    void floodedLogKeepsItsLastLines()
    {
        openForm();
        joinAs(s("Вася"));
        for (int i = 0; i < ChatLogView::kMaxLines + 5; ++i)
            m_form->session().appendLine(QString::number(i));
        QPlainTextEdit *memo = control<QPlainTextEdit>("Memo1");
        QTRY_COMPARE(memo->document()->lastBlock().text(), QString::number(ChatLogView::kMaxLines + 4));
        QCOMPARE(memo->document()->blockCount(), ChatLogView::kMaxLines);
        QCOMPARE(memo->document()->firstBlock().text(), QStringLiteral("5"));
    }

    // The lines that arrive within one frame go into the log as one append,
    // in the order they came; nothing is laid out per datagram.
    void linesOfOneFrameGoInAsOneAppend()
    {
        openForm();
        joinAs(s("Вася"));
        auto *memo = static_cast<ChatLogView *>(control<QPlainTextEdit>("Memo1"));
        QSignalSpy changes(memo->document(), &QTextDocument::contentsChange);
        QStringList lines;
        for (int i = 0; i < 500; ++i) {
            lines << s("[12:00:00] Петя: строка ") + QString::number(i);
            m_form->session().appendLine(lines.last());
        }
        QCOMPARE(memo->pendingLines(), 500);
        QVERIFY(memo->document()->isEmpty());
        QVERIFY(changes.isEmpty());
        QTRY_COMPARE(memo->pendingLines(), 0);
        QCOMPARE(memo->toPlainText(), lines.join(u'\n'));
        int appends = 0;
        for (const QList<QVariant> &change : std::as_const(changes))
            appends += change.at(2).toInt() > 0 ? 1 : 0;
        QCOMPARE(appends, 1);
    }

    // Long lines, with few or hundreds of line breaks, as a flooding peer
    // sends them: the log holds what it costs to lay out (characters and
    // lines, not datagrams), keeps the newest lines whole and in order, and
    // what waits for its frame is bounded too.
    void floodOfLongLinesIsBounded_data()
    {
        QTest::addColumn<int>("breaks");
        QTest::newRow("few line breaks") << 10;
        QTest::newRow("hundreds of line breaks") << 500;
    }

    void floodOfLongLinesIsBounded()
    {
        QFETCH(int, breaks);
        openForm();
        joinAs(s("Вася"));
        auto *memo = static_cast<ChatLogView *>(control<QPlainTextEdit>("Memo1"));
        QString body;
        const int piece = 8000 / breaks;
        for (int i = 0; i < breaks; ++i)
            body += QString(piece - 1, u'ж') + u'\n';
        constexpr int kLines = 3000;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < kLines; ++i) {
                m_form->session().appendLine(QString::number(round * kLines + i) + u' ' + body + u'#');
                QVERIFY(memo->pendingLines() <= ChatLogView::kMaxCharacters / 8000 + 1);
            }
            QTRY_COMPARE(memo->pendingLines(), 0);
            QTextDocument *log = memo->document();
            QVERIFY2(log->characterCount() <= ChatLogView::kMaxCharacters, qPrintable(QString::number(log->characterCount())));
            QVERIFY(log->blockCount() <= ChatLogView::kMaxLines);
            // The newest line is there whole, the ones before it in order.
            const QStringList shown = memo->toPlainText().split(u'#', Qt::SkipEmptyParts);
            QVERIFY(shown.size() > 2);
            const int last = (round + 1) * kLines - 1;
            for (int k = 1; k < shown.size(); ++k) {
                const int expected = last - int(shown.size()) + 1 + k;
                QVERIFY2(shown.at(k).startsWith(u'\n' + QString::number(expected) + u' '),
                         qPrintable(shown.at(k).left(20)));
            }
            QCOMPARE(shown.last().size(), 1 + QString::number(last).size() + 1 + body.size());
        }
    }

    // 20,000 nicks in a flood: the list keeps the first it can hold, in the
    // order they came, each placed without measuring every row again.
    // The log counts a line's blocks as the document will make them, or its
    // line bound would cut too many or too few.
    void lineBreaksCountAsTheDocumentSplits_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << s("[12:00:00] Петя: привет");
        QTest::newRow("LF") << s("a\nb\n\nc");
        QTest::newRow("CR LF is one break") << s("a\r\nb\r\n");
        QTest::newRow("lone CR") << s("a\rb\r\rc");
        QTest::newRow("CR CR LF") << s("a\r\r\nb");
        QTest::newRow("paragraph separator") << (u"a"_s + QChar(0x2029) + u"b"_s);
        QTest::newRow("frame marks") << (u"a"_s + QChar(0xfdd0) + u"b"_s + QChar(0xfdd1) + u"c"_s);
        QTest::newRow("line separator stays in the line") << (u"a"_s + QChar(0x2028) + u"b"_s);
        QTest::newRow("ends with CR") << s("a\r");
    }

    void lineBreaksCountAsTheDocumentSplits()
    {
        QFETCH(QString, line);
        openForm();
        joinAs(s("Вася"));
        auto *memo = static_cast<ChatLogView *>(control<QPlainTextEdit>("Memo1"));
        m_form->session().appendLine(line);
        QTRY_COMPARE(memo->pendingLines(), 0);
        QCOMPARE(ChatLogView::blocksIn(line), memo->document()->blockCount());
    }

    // Lines that do not fit one frame's share wait for the next frames, in
    // order; a line longer than the share still goes in, alone; and the log
    // ends scrolled to its newest line.
    void linesBeyondOneFrameGoInOverTheNextFrames()
    {
        openForm();
        joinAs(s("Вася"));
        auto *memo = static_cast<ChatLogView *>(control<QPlainTextEdit>("Memo1"));
        QSignalSpy changes(memo->document(), &QTextDocument::contentsChange);
        QStringList lines;
        const QString body(ChatLogView::kFrameCharacters / 4, u'ж');
        for (int i = 0; i < 10; ++i)
            lines << QString::number(i) + u' ' + body;
        lines << QString(ChatLogView::kFrameCharacters + 100, u'щ');
        for (const QString &line : std::as_const(lines))
            m_form->session().appendLine(line);
        QTRY_COMPARE(memo->pendingLines(), 0);
        QCOMPARE(memo->toPlainText(), lines.join(u'\n'));
        int appends = 0;
        for (const QList<QVariant> &change : std::as_const(changes)) {
            const int added = change.at(2).toInt();
            if (added > 0) {
                ++appends;
                QVERIFY2(added <= ChatLogView::kFrameCharacters + 1 || added == lines.last().size() + 1,
                         qPrintable(QString::number(added)));
            }
        }
        QVERIFY2(appends >= 4, qPrintable(QString::number(appends)));
        QScrollBar *bar = memo->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        const QPoint bottomLeft(2, memo->viewport()->height() - 2);
        QCOMPARE(memo->cursorForPosition(bottomLeft).block(), memo->document()->lastBlock());
    }

    // What a flood costs is laying out: only the lines near the bottom of the
    // view are laid out, not those scrolled past nor those cut from the top.
    void floodLaysOutOnlyWhatIsShown()
    {
        openForm();
        joinAs(s("Вася"));
        auto *memo = static_cast<ChatLogView *>(control<QPlainTextEdit>("Memo1"));
        QTextDocument *log = memo->document();
        const int shown = memo->viewport()->height() / memo->fontMetrics().lineSpacing() + 1;
        auto check = [&] {
            QTRY_COMPARE(memo->pendingLines(), 0);
            int laidOut = 0;
            for (QTextBlock block = log->firstBlock(); block.isValid(); block = block.next())
                laidOut += block.layout()->lineCount() > 0 ? 1 : 0;
            QVERIFY2(laidOut <= 4 * shown, qPrintable(u"%1 laid out, %2 shown"_s.arg(laidOut).arg(shown)));
            // Scrolled to the newest line.
            QCOMPARE(memo->cursorForPosition(QPoint(2, memo->viewport()->height() - 2)).block(), log->lastBlock());
        };
        QString body;
        for (int i = 0; i < 100; ++i)
            body += s("строка потопа\n");
        // A frame's worth of many short lines into the empty log.
        for (int i = 0; i < 15; ++i)
            m_form->session().appendLine(QString::number(i) + u' ' + body + u'#');
        check();
        QVERIFY(log->blockCount() > 1000);
        // Enough for the log to cut its top many times over.
        for (int i = 0; i < 400; ++i) {
            m_form->session().appendLine(QString::number(i) + u' ' + body + u'#');
            if (i % 20 == 19)
                check();
        }
        check();
        QCOMPARE(log->blockCount(), ChatLogView::kMaxLines);
        QVERIFY(log->lastBlock().text().startsWith(u'#'));
    }

    void participantsFloodKeepsArrivalOrder()
    {
        openForm();
        joinAs(s("Вася"));
        m_sent.clear();
        QListView *list = control<QListView>("ListBox1");
        QVERIFY(list->uniformItemSizes());
        for (int i = 0; i < 20000; ++i)
            m_form->session().addParticipant(u"n"_s + QString::number(i));
        QCoreApplication::processEvents();
        const QStringList participants = m_form->session().participants();
        QCOMPARE(participants.size(), ChatSession::kMaxParticipants);
        for (int i = 0; i < participants.size(); ++i)
            QCOMPARE(participants.at(i), u"n"_s + QString::number(i));
        QCOMPARE(list->model()->rowCount(), ChatSession::kMaxParticipants);
        m_form->session().removeParticipant(u"n7"_s);
        QVERIFY(!m_form->session().hasParticipant(u"n7"_s));
        QVERIFY(m_form->session().addParticipant(u"n7"_s));
        QCOMPARE(m_form->session().participants().last(), u"n7"_s);
        QCOMPARE(m_form->session().participants().at(7), u"n8"_s);
    }

    void switchOpensOneWindowAndClosesAfterLeaving()
    {
        QAction item;
        item.setCheckable(true);
        ChatWindowSwitch chat(&item, {iniPath(), [] { return QStringLiteral("PC1"); },
                                      [this](const QString &d) { m_sent << d; },
                                      [this] { return std::make_unique<ManualPause>(m_pauses); }});
        QVERIFY(!chat.port());
        item.trigger();
        QPointer<TChatForm> window = chat.window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(chat.port(), &window->session());
        window->findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(s("Вася"));
        window->findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->click();
        window->move(200, 150);
        window->resize(500, 300);
        const QSize outer = window->frameGeometry().size();

        // Unchecked in the middle of the join: the join ends, then the leave, then the window goes.
        item.trigger();
        QVERIFY(!item.isChecked());
        QVERIFY(!item.isEnabled());
        QVERIFY(window);
        item.trigger(); // disabled: no second window meanwhile
        QCOMPARE(chat.window(), window.data());
        finishSequences();
        QCOMPARE(m_sent, QStringList({s("ZВася"), s("CPC1"), s("&<--- Вася в чате! --->"), s("XВася"), s("VPC1"),
                                      s("&<--- Вася вышел из чата! --->")}));
        QVERIFY(!chat.port());
        QVERIFY(item.isEnabled());
        QVERIFY(!item.isChecked());
        QTRY_VERIFY(!window);

        const IniFile ini(iniPath());
        QCOMPARE(ini.readSection(u"ChatForm"), QStringList({QStringLiteral("Top"), QStringLiteral("Left"),
                                                            QStringLiteral("Width"), QStringLiteral("Height"),
                                                            QStringLiteral("Login")}));
        QCOMPARE(ini.readInteger(u"ChatForm", u"Top", 0), 150);
        QCOMPARE(ini.readInteger(u"ChatForm", u"Left", 0), 200);
        QCOMPARE(ini.readInteger(u"ChatForm", u"Width", 0), outer.width());
        QCOMPARE(ini.readInteger(u"ChatForm", u"Height", 0), outer.height());
        QCOMPARE(ini.readString(u"ChatForm", u"Login"), s("Вася"));

        // The window's own close, not joined: nothing sent, gone at once, item unchecked.
        m_sent.clear();
        item.trigger();
        QVERIFY(item.isChecked());
        window = chat.window();
        QCOMPARE(window->findChild<QLineEdit *>(QStringLiteral("Edit2"))->text(), s("Вася"));
        QCOMPARE(window->pos(), QPoint(200, 150));
        window->close();
        QVERIFY(!chat.port());
        QVERIFY(!item.isChecked());
        QVERIFY(m_sent.isEmpty());
        QTRY_VERIFY(!window);
    }

    void endOfProgramLeavesAtOnceAndWritesTheSection()
    {
        QAction item;
        item.setCheckable(true);
        ChatWindowSwitch chat(&item, {iniPath(), [] { return QStringLiteral("PC1"); },
                                      [this](const QString &d) { m_sent << d; },
                                      [this] { return std::make_unique<ManualPause>(m_pauses); }});
        item.trigger();
        TChatForm *window = chat.window();
        window->findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(s("Петя"));
        window->findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->click();
        QVERIFY(elapse(m_pauses)); // the join notice is still due
        chat.endAtExit();
        QCOMPARE(m_sent, QStringList({s("ZПетя"), s("CPC1"), s("&<--- Петя в чате! --->"), s("XПетя"), s("VPC1"),
                                      s("&<--- Петя вышел из чата! --->")}));
        QVERIFY(!m_pauses.running);
        QVERIFY(!chat.port());
        QCOMPARE(IniFile(iniPath()).readString(u"ChatForm", u"Login"), s("Петя"));
    }
};

QTEST_MAIN(TestChatForm)
#include "tst_chatform.moc"
