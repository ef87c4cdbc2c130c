#include "Cp1251.h"
#include "HistoryForm.h"
#include "HistoryHighlight.h"
#include "HistoryLog.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;

// The history window as the user works it: newest first, a search that
// follows the typing, filters, copying, the way back to context, and a log
// that grows or holds broken entries while the window is open.
class TestHistoryForm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    const QDateTime m_start{QDate(2026, 10, 1), QTime(8, 0)};

    template<typename T>
    static T *child(THistoryForm &form, const char *name)
    {
        T *found = form.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no %s", name);
        return found;
    }

    // 30 entries, one a day: every third greets in Russian, every fifth is from PETR.
    void writeLog()
    {
        HistoryLog log(m_path);
        for (int i = 0; i < 30; ++i) {
            const QString text = i % 3 == 0 ? u"Привет номер %1"_s.arg(i) : u"Report %1 ready"_s.arg(i);
            const QString peer = i % 5 == 0 ? u"PETR"_s : u"Иван"_s;
            const bool sent = i % 2 == 0;
            QCOMPARE(log.write(text, sent ? u"ME"_s : peer, sent ? peer : u"ME"_s, m_start.addDays(i)),
                     HistoryLog::Result::Written);
        }
    }

    // Key by key, as typed (QTest cannot press Cyrillic keys).
    static void type(QLineEdit *edit, const QString &text)
    {
        for (QChar c : text)
            edit->insert(QString(c));
    }

    static void waitForAnswer(THistoryForm &form)
    {
        QTRY_VERIFY(!form.model().isSearching());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        static int run = 0;
        m_path = m_dir.filePath(u"Log-%1.txt"_s.arg(++run));
    }

    void searchesFiltersAndCopies()
    {
        writeLog();
        THistoryForm form(m_path);
        form.show();
        QCOMPARE(form.windowTitle(), u"История сообщений"_s);
        HistoryModel &model = form.model();
        QTRY_COMPARE(model.rowCount(), 30);
        QCOMPARE(model.record(0).text, u"Report 29 ready"_s);
        QCOMPARE(model.record(29).text, u"Привет номер 0"_s);
        QTRY_COMPARE(child<QLabel>(form, "StatusLabel")->text(), u"Записей: 30"_s);

        // Typed in capitals, found in any case; the newest match on top.
        auto *search = child<QLineEdit>(form, "SearchEdit");
        type(search, u"ПРИВЕТ"_s);
        QTRY_VERIFY(model.isFiltered());
        waitForAnswer(form);
        QCOMPARE(model.rowCount(), 10);
        QCOMPARE(model.record(0).text, u"Привет номер 27"_s);
        QCOMPARE(child<QLabel>(form, "StatusLabel")->text(), u"Найдено: 10"_s);
        QCOMPARE(HistoryHighlight::occurrences(model.record(0).text, search->text()), (QList<std::pair<int, int>>{{0, 6}}));

        // The contact narrows the search; the period narrows it further.
        auto *contact = child<QComboBox>(form, "ContactBox");
        const int petr = contact->findText(u"PETR"_s);
        QVERIFY(petr > 0);
        contact->setCurrentIndex(petr);
        waitForAnswer(form);
        QCOMPARE(model.rowCount(), 2); // 0 and 15
        child<QDateEdit>(form, "FromDate")->setDate(m_start.date().addDays(10));
        child<QDateEdit>(form, "ToDate")->setDate(m_start.date().addDays(20));
        child<QCheckBox>(form, "PeriodCheck")->setChecked(true);
        waitForAnswer(form);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.record(0).text, u"Привет номер 15"_s);

        // Copied as the file holds it.
        auto *list = child<QTreeView>(form, "EntryList");
        list->setCurrentIndex(model.index(0, 0));
        QApplication::clipboard()->clear();
        child<QPushButton>(form, "CopyButton")->click();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.startsWith(u"//"_s + QString(69, u'-') + u"\n["_s), qPrintable(copied));
        QVERIFY(copied.contains(u"] PETR --> ME\nПривет номер 15\n"_s));

        // Back among all entries, on the same one.
        child<QPushButton>(form, "ContextButton")->click();
        QVERIFY(search->text().isEmpty());
        QCOMPARE(contact->currentIndex(), 0);
        QVERIFY(!child<QCheckBox>(form, "PeriodCheck")->isChecked());
        QTRY_COMPARE(model.rowCount(), 30);
        QVERIFY(!model.isFiltered());
        QCOMPARE(list->currentIndex().row(), 14);
        QCOMPARE(model.record(list->currentIndex().row()).text, u"Привет номер 15"_s);
    }

    void showsWhatIsAppendedWhileOpen()
    {
        writeLog();
        THistoryForm form(m_path);
        HistoryModel &model = form.model();
        QTRY_COMPARE(model.rowCount(), 30);

        HistoryLog log(m_path);
        QCOMPARE(log.write(u"Новое сообщение"_s, u"Иван"_s, u"ME"_s), HistoryLog::Result::Written);
        form.index().checkForChanges();
        QTRY_COMPARE(model.rowCount(), 31);
        QCOMPARE(model.record(0).text, u"Новое сообщение"_s);

        // A search that is open takes in matching entries as they come.
        type(child<QLineEdit>(form, "SearchEdit"), u"новое"_s);
        QTRY_VERIFY(model.isFiltered() && !model.isSearching() && model.rowCount() == 1);
        QCOMPARE(log.write(u"Ещё одно НОВОЕ"_s, u"PETR"_s, u"ME"_s), HistoryLog::Result::Written);
        form.index().checkForChanges();
        QTRY_COMPARE(model.rowCount(), 2);
        QCOMPARE(model.record(0).text, u"Ещё одно НОВОЕ"_s);
    }

    // Broken entries are rows of text among the others, never lost or merged away.
    void showsMalformedEntriesAsText()
    {
        const QByteArray rule = "//" + QByteArray(69, '-') + "\r\n";
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("loose line\r\n" + rule + "[01.10.2026 08:00:00] A --> ME\r\nwith \0 nul\r\n"_ba + rule
                   + rule + "[02.10.2026 08:00:00] B --> ME\r\n" + Cp1251::encode(u"Ёлка"_s) + "\r\n");
        file.close();
        THistoryForm form(m_path);
        HistoryModel &model = form.model();
        QTRY_COMPARE(model.rowCount(), 3);
        QCOMPARE(model.record(0).from, u"B"_s);
        QCOMPARE(model.record(1).text, u"with \u2400 nul\n"_s + u"//"_s + QString(69, u'-'));
        QVERIFY(!model.record(2).hasHeader);
        QCOMPARE(model.record(2).text, u"loose line"_s);
        type(child<QLineEdit>(form, "SearchEdit"), u"ЁЛКА"_s);
        QTRY_VERIFY(model.isFiltered() && !model.isSearching());
        QCOMPARE(model.rowCount(), 1);
    }

    // As a screen reader hears it: every control named, the count by what it
    // says, the contact box by its label; buttons only for a selection.
    void everyControlIsNamed()
    {
        writeLog();
        THistoryForm form(m_path);
        form.show();
        for (QWidget *w : form.findChildren<QWidget *>()) {
            if (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"_s))
                continue;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(iface && !iface->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
        }
        auto *status = child<QLabel>(form, "StatusLabel");
        QTRY_COMPARE(status->text(), u"Записей: 30"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name), status->text());
        const auto labels = QAccessible::queryAccessibleInterface(child<QComboBox>(form, "ContactBox"))
                                ->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), u"Контакт:"_s);

        auto *copy = child<QPushButton>(form, "CopyButton");
        auto *tree = child<QTreeView>(form, "EntryList");
        tree->selectionModel()->clearSelection();
        QVERIFY(!copy->isEnabled());
        tree->selectionModel()->select(form.model().index(2, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(copy->isEnabled());
    }
};

QTEST_MAIN(TestHistoryForm)
#include "tst_historyform.moc"
