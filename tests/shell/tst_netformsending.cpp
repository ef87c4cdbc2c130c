#include "Cp1251.h"
#include "MessageBoxProbe.h"
#include "MsgChannel.h"
#include "LoopbackEnvironment.h"
#include "NetForm.h"
#include "SendController.h"
#include "OutboxForm.h"

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QToolButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

#include <memory>

using namespace Qt::StringLiterals;
using NetAction = NetFormWidgets::NetAction;

// Sending from the main window to peers on loopback: who gets what, in which
// order, what the history says, and what happens to the editor and the window.
class TestNetFormSending : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TMsgServer> m_peer;
    std::unique_ptr<QSignalSpy> m_received;
    std::unique_ptr<TNetForm> m_form;

    void startForm(const QByteArray &ini)
    {
        QFile file(m_dir->filePath(u"Zavolin.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), u"pc-me"_s));
        m_form->startUp();
        m_form->show();
        m_form->messenger().setPeerMessagePort(m_peer->serverPort());
    }

    // Contacts in list order; an address where nobody listens stands for a computer that is off.
    void addContacts(const QList<std::pair<QString, QString>> &contacts)
    {
        for (const auto &[name, address] : contacts)
            m_form->contacts().add(name, address);
    }

    QListView *list() const { return m_form->widgets().listBox1(); }

    void select(const QList<int> &rows, int current)
    {
        QItemSelectionModel *selection = list()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(m_form->contacts().index(row), QItemSelectionModel::Select);
        selection->setCurrentIndex(m_form->contacts().index(current), QItemSelectionModel::NoUpdate);
    }

    void type(const QString &text) { m_form->widgets().memo1()->setPlainText(text); }
    QString editor() const { return m_form->widgets().memo1()->toPlainText(); }

    QByteArray history() const
    {
        QFile file(m_dir->filePath(u"Log.txt"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The history entries' "from --> to" lines and texts, without the time stamps.
    QStringList historyHeads() const
    {
        QStringList heads;
        const QList<QByteArray> lines = history().split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines[i].startsWith('[')) {
                const QByteArray head = lines[i].mid(lines[i].indexOf("] ") + 2).chopped(1);
                heads << Cp1251::decode(head) + u" | "_s + Cp1251::decode(lines.value(i + 1).chopped(1));
            }
        }
        return heads;
    }

    QStringList receivedTexts() const
    {
        QStringList texts;
        for (const QList<QVariant> &args : *m_received)
            texts << args.at(0).toString() + u": "_s + args.at(1).toString();
        return texts;
    }

    // Waits until the form's sending has ended.
    bool sendingEnds() { return QTest::qWaitFor([&] { return !m_form->messenger().isSending(); }, 30000); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_peer = std::make_unique<TMsgServer>();
        m_peer->setPort(0);
        QVERIFY(m_peer->listen(QHostAddress(QHostAddress::LocalHost)));
        m_received = std::make_unique<QSignalSpy>(m_peer.get(), &TMsgServer::messageReceived);
    }

    void cleanup()
    {
        m_form.reset();
        m_received.reset();
        m_peer.reset();
        m_dir.reset();
    }

    void singleSendGoesToTheCurrentItemThenHidesWritesHistoryAndEmpties()
    {
        startForm("[Form]\r\nCh2=1\r\nCh4=1\r\nCh15=1\r\nCh9=1\r\n");
        addContacts({{u"PC1"_s, u"127.0.0.1"_s}, {u"Шеф"_s, u"127.0.0.1"_s}});
        select({0}, 1); // one selected, the current item elsewhere: the current item counts
        type(u"Привет\nвсем"_s);
        QVERIFY(m_form->isVisible());
        m_form->sending().send();
        QVERIFY(sendingEnds());
        QCOMPARE(receivedTexts(), QStringList{u"PC-ME: Привет\r\nвсем"_s});
        QVERIFY(!m_form->isVisible());
        QCOMPARE(historyHeads(), QStringList{u"PC-ME --> Шеф | Привет"_s});
        QCOMPARE(editor(), QString());
        QVERIFY(MessageBoxProbe::take(m_form.get()).isEmpty());
    }

    void singleSendRefusalsAndFailureKeepTheText()
    {
        startForm("[Form]\r\nCh2=1\r\nCh4=1\r\nCh15=1\r\n");
        m_form->sending().send();
        QCOMPARE(MessageBoxProbe::take(m_form.get()).value(0).text, u"Не выбран компьютер!"_s);

        addContacts({{u"OFF"_s, u"127.0.0.2"_s}});
        select({}, 0);
        m_form->sending().send();
        const QList<SeenBox> empty = MessageBoxProbe::take(m_form.get());
        QCOMPARE(empty.size(), 1);
        QCOMPARE(empty[0].text, u"Введите текст для отправки сообщения!"_s);
        QCOMPARE(empty[0].caption, u"Внимание"_s);

        type(u"kept"_s);
        m_form->sending().send();
        QVERIFY(sendingEnds());
        const QList<SeenBox> failed = MessageBoxProbe::take(m_form.get());
        QCOMPARE(failed.size(), 1);
        // The standard words, then to whom and why.
        QCOMPARE(failed[0].text, u"Ошибка отправки сообщения!\n\nКому: OFF\nПричина: компьютер отказал в соединении "
                                 u"(программа на нём не запущена или порт закрыт)."_s);
        QCOMPARE(failed[0].caption, u"Ошибка"_s);
        QCOMPARE(editor(), u"kept"_s);
        QVERIFY(m_form->isVisible()); // a failed send does not hide the window
        QCOMPARE(history(), QByteArray());
    }

    // A peer slow to answer: the editor shows a busy cursor and the Send
    // button's hint says to whom the message is going, until the send ends.
    void aSlowPeerShowsTheSendInProgress()
    {
        startForm("[Form]\r\nCh15=0\r\n");
        QTcpServer slow;
        QVERIFY(slow.listen(QHostAddress(QHostAddress::LocalHost)));
        m_form->messenger().setPeerMessagePort(slow.serverPort());
        addContacts({{u"SLOW"_s, u"127.0.0.1"_s}});
        select({0}, 0);
        type(u"hi"_s);
        QWidget *editorArea = m_form->widgets().memo1()->viewport();
        QWidget *sendButton = m_form->widgets().speedButton25();
        m_form->sending().send();
        QTRY_VERIFY(slow.hasPendingConnections());
        QTcpSocket *peer = slow.nextPendingConnection();
        QCOMPARE(editorArea->cursor().shape(), Qt::BusyCursor);
        QVERIFY2(sendButton->toolTip().contains(u"SLOW"_s), qPrintable(sendButton->toolTip()));
        peer->abort();
        QVERIFY(sendingEnds());
        QTRY_COMPARE(editorArea->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(sendButton->toolTip(), u"Отправить сообщение"_s);
        MessageBoxProbe::take(m_form.get());
    }

    // A failed single send may wait in the outbox; the contact shows the count,
    // the Message menu the window that lists, edits and cancels them.
    void failedSendCanWaitInTheOutbox()
    {
        startForm("[Form]\r\nCh2=1\r\nCh15=1\r\n");
        addContacts({{u"OFF"_s, u"127.0.0.2"_s}});
        select({}, 0);
        type(u"later"_s);
        m_form->sending().send();
        QVERIFY(sendingEnds());
        QPushButton *later = nullptr;
        QTRY_VERIFY((later = m_form->findChild<QPushButton *>(u"DeliverLaterButton"_s)));
        later->click();
        MessageBoxProbe::take(m_form.get());
        const Outbox &outbox = m_form->messenger().outbox();
        QCOMPARE(outbox.messages().size(), 1);
        QCOMPARE(outbox.messages().at(0).text, u"later"_s);
        QCOMPARE(outbox.messages().at(0).recipient.host, u"127.0.0.2"_s);
        QCOMPARE(editor(), QString()); // Ch2: gone from the editor once queued
        QCOMPARE(history(), QByteArray()); // written when delivered

        QAction *open = m_form->findChild<QAction *>(u"OutboxAction"_s);
        QVERIFY(open);
        QCOMPARE(open->text(), u"Ожидают отправки (1)..."_s);
        open->trigger();
        TOutboxForm *form = nullptr;
        QTRY_VERIFY((form = m_form->findChild<TOutboxForm *>()) && form->isVisible());
        auto *text = form->findChild<QPlainTextEdit *>(u"OutboxText"_s);
        QCOMPARE(text->toPlainText(), u"later"_s);
        text->setPlainText(u"later\nedited"_s);
        form->findChild<QPushButton *>(u"SaveButton"_s)->click();
        QCOMPARE(outbox.messages().at(0).text, u"later\r\nedited"_s);
        form->findChild<QPushButton *>(u"CancelButton"_s)->click();
        QVERIFY(outbox.messages().isEmpty());
        QCOMPARE(open->text(), u"Ожидают отправки..."_s);
        form->close();
    }

    // Choosing another waiting message keeps what was typed into the last;
    // once none waits, the window says so instead of a blank list.
    void outboxKeepsEditsAndSaysWhenNothingWaits()
    {
        startForm("[Form]\r\n");
        Recipient off;
        off.host = u"127.0.0.2"_s;
        off.displayName = u"OFF"_s;
        const Outbox &outbox = m_form->messenger().outbox();
        m_form->messenger().queueForLater(off, u"first"_s);
        m_form->messenger().queueForLater(off, u"second"_s);
        m_form->findChild<QAction *>(u"OutboxAction"_s)->trigger();
        TOutboxForm *form = m_form->findChild<TOutboxForm *>();
        QVERIFY(form && form->isVisible());
        auto *list = form->findChild<QTreeWidget *>();
        auto *text = form->findChild<QPlainTextEdit *>(u"OutboxText"_s);
        QCOMPARE(text->toPlainText(), u"first"_s);
        text->moveCursor(QTextCursor::Start);
        text->insertPlainText(u"edited "_s);
        list->setCurrentItem(list->topLevelItem(1));
        QCOMPARE(text->toPlainText(), u"second"_s);
        QTRY_COMPARE(outbox.messages().at(0).text, u"edited first"_s);

        auto *cancel = form->findChild<QPushButton *>(u"CancelButton"_s);
        cancel->click();
        cancel->click();
        QVERIFY(outbox.messages().isEmpty());
        QVERIFY(!list->isVisible());
        const auto labels = form->findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel *label) {
            return label->isVisible() && label->text() == u"Нет сообщений, ожидающих отправки."_s;
        }));
        form->close();
    }

    void autoAnswerOnNotesTheSendAfterDelivery()
    {
        startForm("[Form]\r\nCh6=1\r\n");
        addContacts({{u"PC1"_s, u"127.0.0.1"_s}});
        select({0}, 0);
        type(u"x"_s);
        m_form->sending().send();
        QVERIFY(sendingEnds());
        QCOMPARE(m_received->size(), 1);
        const QList<SeenBox> boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, u"У Вас включен автоответчик! Сообщение отправлено!"_s);
        QCOMPARE(boxes[0].icon, QMessageBox::Information);
    }

    void severalRecipientsInListOrderSkippingTheUnreachable()
    {
        startForm("[Form]\r\nCh2=1\r\nCh15=1\r\n");
        addContacts({{u"A"_s, u"127.0.0.1"_s}, {u"OFF"_s, u"127.0.0.2"_s}, {u"C"_s, u"127.0.0.1"_s}});
        select({2, 1, 0}, 1);
        type(QString()); // an empty text goes out as it is
        m_form->sending().send();
        QVERIFY(sendingEnds());
        QCOMPARE(receivedTexts(), QStringList({u"PC-ME: "_s, u"PC-ME: "_s}));
        QCOMPARE(historyHeads(), QStringList({u"PC-ME --> A | "_s, u"PC-ME --> C | "_s}));
        QVERIFY(MessageBoxProbe::take(m_form.get()).isEmpty()); // the failure is silent
    }

    void aTextTooLongForTheFrameIsRefusedBeforeSending()
    {
        startForm("[Form]\r\nCh2=1\r\nCh8=0\r\n");
        addContacts({{u"A"_s, u"127.0.0.1"_s}, {u"B"_s, u"127.0.0.1"_s}});
        const QString longText(10000, u'ж');
        select({0, 1}, 0);
        type(longText);
        m_form->sending().send();
        QList<SeenBox> boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.contains(u"9999"_s), qPrintable(boxes[0].text));
        QCOMPARE(editor(), longText);

        // To all, the prefix counts: 9,990 characters fit alone but not behind it.
        type(QString(9990, u'ж'));
        m_form->sending().sendToAll();
        boxes = MessageBoxProbe::take(m_form.get());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(editor(), QString(9990, u'ж'));
        QVERIFY(!m_form->messenger().isSending());
        QCOMPARE(m_received->size(), 0);
    }

    void sendToAllAsksThenSendsThePrefixedText()
    {
        startForm("[Form]\r\nCh2=1\r\nCh15=1\r\n"); // Ch8, the question, is on by default
        addContacts({{u"A"_s, u"127.0.0.1"_s}, {u"OFF"_s, u"127.0.0.2"_s}});
        type(u"hi"_s);

        const QString question = u"Данное сообщение будет отправлено всем абонентам!\nПродолжить?"_s;
        m_form->sending().sendToAll();
        QMessageBox *box = MessageBoxProbe::find(m_form.get(), question);
        QVERIFY(box);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        box->button(QMessageBox::No)->click();
        QVERIFY(!m_form->messenger().isSending());
        QCOMPARE(editor(), u"hi"_s);

        m_form->sending().sendToAll();
        box = MessageBoxProbe::find(m_form.get(), question);
        QVERIFY(box);
        box->button(QMessageBox::Yes)->click();
        QVERIFY(sendingEnds());
        QCOMPARE(receivedTexts(), QStringList{u"PC-ME: ОТПРАВЛЕНО ВСЕМ: \r\nhi"_s});
        QCOMPARE(historyHeads(), QStringList{u"PC-ME --> A | ОТПРАВЛЕНО ВСЕМ: hi"_s});
        QCOMPARE(editor(), QString());
    }

    void sendToAllWithNoContactsStillAppliesTheAfterSendOptions()
    {
        startForm("[Form]\r\nCh2=1\r\nCh4=1\r\nCh8=0\r\nCh9=1\r\n");
        m_form->sending().sendToAll();
        QCOMPARE(MessageBoxProbe::take(m_form.get()).value(0).text, u"Введите текст сообщения!"_s);
        type(u"nobody"_s);
        m_form->sending().sendToAll();
        QTRY_COMPARE(editor(), QString());
        QTRY_VERIFY(!m_form->isVisible());
        QCOMPARE(m_received->size(), 0);
    }
};

QTEST_MAIN(TestNetFormSending)
#include "tst_netformsending.moc"
