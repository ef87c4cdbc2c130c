#include "AutoAnswerTexts.h"
#include "MessageBoxProbe.h"
#include "AutoForm.h"
#include "Cp1251.h"
#include "IniFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

// The prepared auto-answer texts in the settings file and the window that
// edits them.
class TestAutoAnswer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString iniPath() const { return m_dir->filePath(u"Zavolin.ini"_s); }
    QString unwritable() const { return m_dir->filePath(u"missing/Zavolin.ini"_s); }

    // The settings file is code page 1251, like everything we store.
    void writeIni(const QString &content)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Cp1251::encode(content));
    }

    // The numbered keys of the section, in numeric order.
    QStringList numberedKeys() const
    {
        QStringList keys = IniFile(iniPath()).readSection(u"AutoAnswer");
        keys.removeIf([](const QString &key) { return key == u"Text"_s; });
        std::sort(keys.begin(), keys.end(),
                  [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        return keys;
    }

    QString value(const QString &key) const { return IniFile(iniPath()).readString(u"AutoAnswer", key); }

    static QStringList comboItems(const QComboBox *combo)
    {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }

    static QPushButton *button(const QWidget *form, const QString &name)
    {
        return form->findChild<QPushButton *>(name);
    }

    TAutoForm *openForm(const QString &settingsPath)
    {
        auto *form = new TAutoForm(settingsPath);
        form->open();
        return form;
    }

    // The edit field as the user types into it.
    static void typeText(TAutoForm *form, const QString &text)
    {
        QLineEdit *edit = form->comboBox1()->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        // Key events with text: QTest's key helpers know ASCII only.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
        QApplication::sendEvent(edit, &press);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->close();
        QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
        m_dir.reset();
    }

    // --- The texts in the settings file ---

    void listSkipsGapsAndStopsAtFifty()
    {
        writeIni(u"[AutoAnswer]\r\n0=Ушел на обед\r\n1=В отпуске\r\n2=\r\n3=Скоро буду\r\n"_s
                 u"50=Последний\r\n51=Не виден\r\n007=Тоже не виден\r\nText=В отпуске\r\n"_s);
        const AutoAnswerTexts texts(iniPath());
        QCOMPARE(texts.list(),
                 QStringList({u"Ушел на обед"_s, u"В отпуске"_s, u"Скоро буду"_s, u"Последний"_s}));
    }

    void theAnswerDefaultsOnlyWhenTheKeyIsMissing()
    {
        const AutoAnswerTexts texts(iniPath());
        QCOMPARE(texts.answer(), u"Абонент временно отсутствует!"_s);
        QCOMPARE(texts.editorText(), QString());
        QCOMPARE(AutoAnswerTexts::reply(texts.answer()), u"Автоответчик: Абонент временно отсутствует!"_s);

        writeIni(u"[AutoAnswer]\r\nText=\r\n"_s);
        QCOMPARE(texts.answer(), QString());
        QCOMPARE(AutoAnswerTexts::reply(texts.answer()), u"Автоответчик: "_s);
    }

    void rewritingRenumbersWithoutGapsAndKeepsText()
    {
        writeIni(u"[AutoAnswer]\r\n0=a\r\n1=b\r\n3=c\r\n51=old\r\n007=older\r\nText=b\r\n[Form]\r\nCh6=1\r\n"_s);
        AutoAnswerTexts texts(iniPath());
        texts.writeList({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
        QCOMPARE(numberedKeys(), QStringList({u"0"_s, u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(texts.list(), QStringList({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QCOMPARE(value(u"Text"_s), u"b"_s);
        QCOMPARE(IniFile(iniPath()).readString(u"Form", u"Ch6"), u"1"_s);

        texts.writeList({u"d"_s});
        QCOMPARE(numberedKeys(), QStringList({u"0"_s}));
        QCOMPARE(value(u"0"_s), u"d"_s);
        texts.writeList({});
        QVERIFY(numberedKeys().isEmpty());
        QCOMPARE(value(u"Text"_s), u"b"_s);
    }

    void refusedWritesThrow()
    {
        AutoAnswerTexts texts(unwritable());
        QVERIFY_THROWS_EXCEPTION(IniWriteError, texts.writeList({u"a"_s}));
        QVERIFY_THROWS_EXCEPTION(IniWriteError, texts.writeAnswer(u"a"_s));
    }

    // --- The window ---

    void windowShowsTheListAndTheAnswerInUse()
    {
        writeIni(u"[AutoAnswer]\r\n0=Ушел на обед\r\n1=В отпуске\r\n3=Скоро буду\r\nText=Занят\r\n"_s);
        TAutoForm *form = openForm(iniPath());
        QCOMPARE(form->windowTitle(), u"Автоответчик - Zavolin"_s);
        QVERIFY(form->isModal());
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));
        QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(form->findChild<QGroupBox *>(u"GroupBox1"_s)->title(), u" Текст "_s);
        QCOMPARE(button(form, u"Button1"_s)->text(), u"Добавить"_s);
        QCOMPARE(button(form, u"Button2"_s)->text(), u"Удалить"_s);
        // Cyrillic О and К.
        QCOMPARE(button(form, u"Button3"_s)->text(), u"\u041E\u041A"_s);
        QVERIFY(form->comboBox1()->isEditable());
        QCOMPARE(comboItems(form->comboBox1()),
                 QStringList({u"Ушел на обед"_s, u"В отпуске"_s, u"Скоро буду"_s}));
        QCOMPARE(form->comboBox1()->currentText(), u"Занят"_s);
        QCOMPARE(form->selectedItem(), -1);
    }

    void addingAFourthRenumbersTheKeys()
    {
        writeIni(u"[AutoAnswer]\r\n0=a\r\n1=b\r\n3=c\r\n"_s);
        TAutoForm *form = openForm(iniPath());
        QCOMPARE(form->comboBox1()->count(), 3);
        typeText(form, u"d"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QCOMPARE(numberedKeys(), QStringList({u"0"_s, u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(AutoAnswerTexts(iniPath()).list(), QStringList({u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QCOMPARE(form->comboBox1()->currentText(), u"d"_s);
        QCOMPARE(form->selectedItem(), -1);
        // The answer in use is written by "ОК" only.
        QVERIFY(!IniFile(iniPath()).valueExists(u"AutoAnswer", u"Text"));
    }

    void addingIsCaseSensitiveAndSkipsEqualItems()
    {
        writeIni(u"[AutoAnswer]\r\n0=Обед\r\n"_s);
        TAutoForm *form = openForm(iniPath());
        typeText(form, u"Обед"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"Обед"_s}));
        typeText(form, u"обед"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"Обед"_s, u"обед"_s}));
        QCOMPARE(AutoAnswerTexts(iniPath()).list(), QStringList({u"Обед"_s, u"обед"_s}));
    }

    void addingIntoAnEmptyListChoosesNothing()
    {
        TAutoForm *form = openForm(iniPath());
        typeText(form, u"Первый"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QCOMPARE(form->selectedItem(), -1);
        QTest::mouseClick(button(form, u"Button2"_s), Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"Первый"_s}));
    }

    void addingEmptyTextWarns()
    {
        writeIni(u"[AutoAnswer]\r\n0=a\r\n"_s);
        TAutoForm *form = openForm(iniPath());
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Внимание"_s);
        QCOMPARE(box->text(), u"Введите текст для добавления в список!"_s);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"a"_s}));
    }

    void enterDoesNotInsert()
    {
        TAutoForm *form = openForm(iniPath());
        typeText(form, u"Набрано"_s);
        QTest::keyClick(form->comboBox1()->lineEdit(), Qt::Key_Return);
        QCOMPARE(form->comboBox1()->count(), 0);
        QVERIFY(!QFile::exists(iniPath()));
    }

    void removingTakesTheChosenItemOnly()
    {
        writeIni(u"[AutoAnswer]\r\n0=a\r\n1=b\r\n2=c\r\nText=x\r\n"_s);
        TAutoForm *form = openForm(iniPath());
        auto *remove = button(form, u"Button2"_s);

        // Nothing chosen: nothing goes.
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(form->comboBox1()->count(), 3);

        form->comboBox1()->setCurrentIndex(1);
        QCOMPARE(form->selectedItem(), 1);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"a"_s, u"c"_s}));
        QCOMPARE(numberedKeys(), QStringList({u"0"_s, u"1"_s}));
        QCOMPARE(value(u"1"_s), u"c"_s);
        // The edit field keeps the text, and no other item is chosen.
        QCOMPARE(form->comboBox1()->currentText(), u"b"_s);
        QCOMPARE(form->selectedItem(), -1);
        QCOMPARE(value(u"Text"_s), u"x"_s);

        // Typing over a chosen item un-chooses it.
        form->comboBox1()->setCurrentIndex(0);
        typeText(form, u"a2"_s);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"a"_s, u"c"_s}));
    }

    void okWritesTheAnswerAndOtherClosingDoesNot()
    {
        writeIni(u"[AutoAnswer]\r\n0=a\r\nText=old\r\n"_s);
        QPointer<TAutoForm> form = openForm(iniPath());
        typeText(form, u"new"_s);
        form->reject();
        QTRY_VERIFY(!form);
        QCOMPARE(value(u"Text"_s), u"old"_s);

        form = openForm(iniPath());
        QCOMPARE(form->comboBox1()->currentText(), u"old"_s);
        typeText(form, u"Вернусь в 15:00"_s);
        QTest::mouseClick(button(form, u"Button3"_s), Qt::LeftButton);
        QTRY_VERIFY(!form);
        QCOMPARE(value(u"Text"_s), u"Вернусь в 15:00"_s);
    }

    void okWithAnEmptyFieldMakesAnEmptyReply()
    {
        QPointer<TAutoForm> form = openForm(iniPath());
        QCOMPARE(form->comboBox1()->currentText(), QString());
        QTest::mouseClick(button(form, u"Button3"_s), Qt::LeftButton);
        QTRY_VERIFY(!form);
        QVERIFY(IniFile(iniPath()).valueExists(u"AutoAnswer", u"Text"));
        QCOMPARE(AutoAnswerTexts::reply(AutoAnswerTexts(iniPath()).answer()), u"Автоответчик: "_s);
    }

    void onlyFiftyOneItemsComeBack()
    {
        QString ini = u"[AutoAnswer]\r\n"_s;
        for (int n = 0; n <= 50; ++n)
            ini += u"%1=t%1\r\n"_s.arg(n);
        writeIni(ini);
        QPointer<TAutoForm> form = openForm(iniPath());
        QCOMPARE(form->comboBox1()->count(), 51);
        typeText(form, u"t51"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QCOMPARE(form->comboBox1()->count(), 52);
        QCOMPARE(value(u"51"_s), u"t51"_s);
        form->reject();
        QTRY_VERIFY(!form);

        form = openForm(iniPath());
        QCOMPARE(form->comboBox1()->count(), 51);
        QVERIFY(!comboItems(form->comboBox1()).contains(u"t51"_s));
    }

    void refusedWritesAreReportedAndTheWindowStays()
    {
        TAutoForm *form = openForm(unwritable());
        typeText(form, u"Текст"_s);
        QTest::mouseClick(button(form, u"Button1"_s), Qt::LeftButton);
        QMessageBox *box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Ошибка"_s);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QVERIFY2(box->text().contains(u"Unable to write to "_s + unwritable()), qPrintable(box->text()));
        MessageBoxProbe::closeAndWait(box);
        QCOMPARE(comboItems(form->comboBox1()), QStringList({u"Текст"_s}));

        QTest::mouseClick(button(form, u"Button3"_s), Qt::LeftButton);
        box = MessageBoxProbe::open(form);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Ошибка"_s);
        MessageBoxProbe::closeAndWait(box);
        QVERIFY(form->isVisible());
        QCOMPARE(form->comboBox1()->currentText(), u"Текст"_s);
    }
};

QTEST_MAIN(TestAutoAnswer)
#include "tst_autoanswer.moc"
