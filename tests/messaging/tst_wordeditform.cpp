#include "MessageBoxProbe.h"
#include "PhraseFile.h"
#include "WordEditForm.h"

#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QPushButton *button(TWordEditForm *form, const QString &text)
{
    for (QPushButton *b : form->findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

// "Добавить", then the input box answered with `text` (or cancelled).
void add(TWordEditForm *form, const QString &text, bool confirm = true)
{
    QTest::mouseClick(button(form, u"Добавить"_s), Qt::LeftButton);
    QInputDialog *box = form->inputBox();
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QPointer<QInputDialog> guard(box);
    box->setTextValue(text);
    confirm ? box->accept() : box->reject();
    QTRY_VERIFY(!guard);
}

} // namespace

class TestWordEditForm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(PhraseFile::fileName()); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(path());
    }

    void windowAndInputBox()
    {
        auto *form = new TWordEditForm(path(), {u"b"_s, u"a"_s});
        form->open();
        QCOMPARE(form->windowTitle(), u"Редактирование фраз - Zavolin"_s);
        QCOMPARE(form->size(), QSize(327, 167));
        QVERIFY(form->isModal());
        QCOMPARE(form->phrases(), (QStringList{u"a"_s, u"b"_s}));
        for (const QString &text : {u"Добавить"_s, u"Удалить"_s, u"Ok"_s})
            QVERIFY2(button(form, text), qPrintable(text));

        QTest::mouseClick(button(form, u"Добавить"_s), Qt::LeftButton);
        QInputDialog *box = form->inputBox();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Zavolin"_s);
        QCOMPARE(box->labelText(), u"Введите текст новой фразы:"_s);
        auto *edit = box->findChild<QLineEdit *>();
        QVERIFY(edit);
        QCOMPARE(edit->maxLength(), 255);
        // The box does not hold up the event loop: this test goes on while it is open.
        QVERIFY(box->isVisible());
        box->reject();
        QPointer<TWordEditForm> guard(form);
        form->reject();
        QTRY_VERIFY(!guard);
    }

    void okWritesTheWholeSortedList()
    {
        auto *form = new TWordEditForm(path(), {u"Шеф"_s});
        form->open();
        add(form, u"zeta"_s);
        add(form, QString()); // an empty phrase is a phrase: an empty line
        add(form, u"нет"_s, false);
        add(form, u"Альфа"_s);
        QCOMPARE(form->phrases(), (QStringList{QString(), u"Альфа"_s, u"Шеф"_s, u"zeta"_s}));

        form->listBox1()->setCurrentRow(3);
        QTest::mouseClick(button(form, u"Удалить"_s), Qt::LeftButton);
        QCOMPARE(form->phrases(), (QStringList{QString(), u"Альфа"_s, u"Шеф"_s}));
        // With nothing selected, "Удалить" does nothing.
        form->listBox1()->clearSelection();
        QTest::mouseClick(button(form, u"Удалить"_s), Qt::LeftButton);
        QCOMPARE(form->phrases().size(), 3);

        QSignalSpy accepted(form, &QDialog::accepted);
        QTest::mouseClick(button(form, u"Ok"_s), Qt::LeftButton);
        QCOMPARE(accepted.size(), 1);
        QCOMPARE(readBytes(path()), QByteArray("\r\n\xC0\xEB\xFC\xF4\xE0\r\n\xD8\xE5\xF4\r\n"));
    }

    void closingOtherwiseKeepsTheFile()
    {
        {
            auto *form = new TWordEditForm(path(), {});
            form->open();
            add(form, u"one"_s);
            QPointer<TWordEditForm> guard(form);
            form->close();
            QTRY_VERIFY(!guard);
        }
        QCOMPARE(readBytes(path()), QByteArray("<missing>"));

        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept\n");
        file.close();
        auto *form = new TWordEditForm(path(), {u"kept"_s});
        form->open();
        form->listBox1()->setCurrentRow(0);
        QTest::mouseClick(button(form, u"Удалить"_s), Qt::LeftButton);
        add(form, u"added"_s);
        QPointer<TWordEditForm> guard(form);
        QTest::keyClick(form, Qt::Key_Escape);
        QTRY_VERIFY(!guard);
        QCOMPARE(readBytes(path()), QByteArray("kept\n"));
    }

    void okThatCannotWriteKeepsTheWindowOpen()
    {
        // A folder stands where the file should go.
        QVERIFY(QDir(m_dir.path()).mkdir(PhraseFile::fileName()));
        auto *form = new TWordEditForm(path(), {u"x"_s});
        form->open();
        QTest::mouseClick(button(form, u"Ok"_s), Qt::LeftButton);
        QTRY_VERIFY(MessageBoxProbe::shows(form, PhraseFile::cannotCreate(path())));
        const QList<SeenBox> boxes = MessageBoxProbe::take(form);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().caption, u"Zavolin"_s);
        QCOMPARE(boxes.first().icon, QMessageBox::Critical);
        QVERIFY(form->isVisible());
        QCOMPARE(form->phrases(), QStringList{u"x"_s});
        QPointer<TWordEditForm> guard(form);
        form->close();
        QTRY_VERIFY(!guard);
        QVERIFY(QDir(m_dir.path()).rmdir(PhraseFile::fileName()));
    }
};

QTEST_MAIN(TestWordEditForm)
#include "tst_wordeditform.moc"
