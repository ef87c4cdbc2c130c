#include "Cp1251.h"
#include "IniFile.h"
#include "MessageBoxProbe.h"
#include "NoteBookForm.h"
#include "SmsForm.h"
#include "SmtpClient.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Cp1251::encode(text));
}

template<typename T>
T *child(QWidget *window, const QString &name)
{
    T *widget = window->findChild<T *>(name);
    if (!widget)
        qWarning() << "no" << name;
    return widget;
}

} // namespace

class TestSmsForms : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    SmsFormFiles files(bool withOperators = true) const
    {
        const QString names = m_dir.filePath(withOperators ? u"oss.lst"_s : u"missing.lst"_s);
        return {m_dir.filePath(u"Zavolin.ini"_s), OperatorBook(names, m_dir.filePath(u"dataoss.lst"_s)),
                m_dir.filePath(u"NoteBook.lst"_s)};
    }

    void click(QWidget *window, const QString &button)
    {
        QAbstractButton *b = child<QAbstractButton>(window, button);
        QVERIFY(b);
        b->click();
    }

private Q_SLOTS:
    void initTestCase()
    {
        writeFile(m_dir.filePath(u"oss.lst"_s), u"Zeta\r\nАльфа\r\nMailOnly\r\nbeta\r\n"_s);
        writeFile(m_dir.filePath(u"dataoss.lst"_s),
                  u"[MailOnly]\r\nMail='%s@sms.example.org'\r\n[Альфа]\r\nMail='%s@a.example.net'\r\n"_s);
    }

    void init()
    {
        QFile::remove(m_dir.filePath(u"Zavolin.ini"_s));
        QFile::remove(m_dir.filePath(u"NoteBook.lst"_s));
    }

    void windowHasItsControlsAndHeights()
    {
        QPointer<TsmsForm> form = TsmsForm::open(files());
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->windowTitle(), u"SMS - Zavolin"_s);
        for (const QString &name : {u"ComboBox1"_s, u"Edit1"_s, u"Memo1"_s, u"WebBrowser1"_s, u"SpeedButton1"_s,
                                    u"SpeedButton2"_s, u"SpeedButton3"_s, u"SpeedButton4"_s, u"SpeedButton5"_s,
                                    u"SpeedButton6"_s, u"Edit2"_s, u"Edit3"_s, u"Edit4"_s, u"MaskEdit1"_s})
            QVERIFY2(form->findChild<QWidget *>(name), qPrintable(name));
        QVERIFY(form->findChild<TSmtpClient *>(u"SmtpClient1"_s));
        QCOMPARE(form->width(), TsmsForm::kWidth);
        QCOMPARE(child<QWidget>(form, u"WebBrowser1"_s)->size(), QSize(33, 39));
        QCOMPARE(child<QToolButton>(form, u"SpeedButton1"_s)->toolTip(), u"Отправить SMS - сообщение"_s);
        QCOMPARE(child<QLineEdit>(form, u"MaskEdit1"_s)->echoMode(), QLineEdit::Password);
        child<QLineEdit>(form, u"MaskEdit1"_s)->setText(u"pw1"_s);
        QCOMPARE(child<QLineEdit>(form, u"MaskEdit1"_s)->displayText(), u"***"_s);
        // Sorted without regard to case, none chosen; the phone book button is there.
        QComboBox *operators = form->comboBox1();
        QCOMPARE(operators->count(), 4);
        QCOMPARE(operators->itemText(0), u"beta"_s);
        QCOMPARE(operators->itemText(1), u"MailOnly"_s);
        QCOMPARE(operators->itemText(3), u"Альфа"_s);
        QCOMPARE(operators->currentText(), QString());
        QVERIFY(child<QWidget>(form, u"SpeedButton5"_s)->isVisible());
        QVERIFY(MessageBoxProbe::take(form).isEmpty());

        const int collapsed = form->height();
        const int top = form->y();
        click(form, u"SpeedButton3"_s);
        QVERIFY(form->isExpanded());
        QCOMPARE(form->height() - collapsed, TsmsForm::kExpandedHeight - TsmsForm::kCollapsedHeight);
        QWidget *collapseButton = child<QWidget>(form, u"SpeedButton4"_s);
        QVERIFY(collapseButton->isVisible());
        QVERIFY(collapseButton->mapTo(form, QPoint(0, collapseButton->height())).y() <= form->height());
        QCOMPARE(form->y(), top);
        click(form, u"SpeedButton4"_s);
        QCOMPARE(form->height(), collapsed);
        QVERIFY(!child<QWidget>(form, u"Edit2"_s)->isVisible()); // settings out of sight

        form->memo1()->setPlainText(u"text"_s);
        click(form, u"SpeedButton6"_s);
        QVERIFY(form->memo1()->toPlainText().isEmpty());

        // A new window every time.
        QPointer<TsmsForm> second = TsmsForm::open(files());
        QVERIFY(second != form);
        click(form, u"SpeedButton2"_s);
        QTRY_VERIFY(!form);
        second->close();
        QTRY_VERIFY(!second);
        // The file was made holding the password: it is the owner's alone.
        QCOMPARE(QFile::permissions(m_dir.filePath(u"Zavolin.ini"_s))
                     & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void refusedSettingsFileIsShownOnClose()
    {
        SmsFormFiles unwritable = files();
        unwritable.settingsPath = m_dir.filePath(u"missing/Zavolin.ini"_s);
        QPointer<TsmsForm> form = TsmsForm::open(unwritable);
        form->close();
        QTRY_VERIFY(!form);
        QMessageBox *box = nullptr;
        QTRY_VERIFY([&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
                    box = b;
            }
            return box != nullptr;
        }());
        QCOMPARE(box->text(), u"Unable to write to "_s + unwritable.settingsPath);
        QCOMPARE(box->windowTitle(), u"Zavolin"_s);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->done(QMessageBox::Ok);
    }

    void missingOperatorsAreSaidOnce()
    {
        QPointer<TsmsForm> form = TsmsForm::open(files(false));
        QTRY_VERIFY(MessageBoxProbe::open(form));
        const QList<SeenBox> boxes = MessageBoxProbe::take(form);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].caption, u"Внимание"_s);
        QCOMPARE(boxes[0].text,
                 u"Не установлены справочники операторов сотовой связи!\nЗагрузите справочники ОСС с сайта программы!"_s);
        QVERIFY(child<QWidget>(form, u"SpeedButton5"_s)->isHidden());
        delete form;
    }

    void sendRefusesWhatIsMissing()
    {
        QPointer<TsmsForm> form = TsmsForm::open(files());
        auto expectBox = [&](const QString &text, QMessageBox::Icon icon) {
            click(form, u"SpeedButton1"_s);
            QTRY_VERIFY(MessageBoxProbe::open(form));
            const QList<SeenBox> boxes = MessageBoxProbe::take(form);
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, text);
            QCOMPARE(boxes[0].icon, icon);
        };
        expectBox(u"Не выбран оператор!"_s, QMessageBox::Warning);
        form->comboBox1()->setCurrentText(u"MailOnly"_s);
        expectBox(u"Не введен номер телефона!"_s, QMessageBox::Warning);
        form->edit1()->setText(u"79001234567"_s);
        expectBox(u"Введите текст сообщения!"_s, QMessageBox::Warning);

        // Mail wanted and no server: say so and show the settings.
        form->memo1()->setPlainText(u"Hi"_s);
        QSignalSpy finished(form.data(), &TsmsForm::sendFinished);
        expectBox(u"Для отправки сообщения этому абоненту необходимо настроить соединение с почтовым сервером!"_s,
                  QMessageBox::Critical);
        QVERIFY(form->isExpanded());
        QTRY_COMPARE(finished.count(), 1);

        // A server that is not there: the connection message, the settings shown.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        form->collapse();
        child<QLineEdit>(form, u"Edit2"_s)->setText(u"127.0.0.1"_s);
        child<QLineEdit>(form, u"Edit3"_s)->setText(QString::number(port));
        click(form, u"SpeedButton1"_s);
        QTRY_COMPARE(finished.count(), 2);
        QList<SeenBox> boxes = MessageBoxProbe::take(form);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, u"Ошибка соединения с сервером! Проверьте правильность настройки!"_s);
        QCOMPARE(boxes[0].caption, u"Внимание"_s);
        QCOMPARE(boxes[0].icon, QMessageBox::Critical);
        QVERIFY(form->isExpanded());
        QCOMPARE(form->memo1()->toPlainText(), u"Hi"_s); // nothing of the text is lost

        // A port that is no number: nothing sent, the conversion error shown.
        child<QLineEdit>(form, u"Edit3"_s)->setText(u"2x5"_s);
        click(form, u"SpeedButton1"_s);
        QTRY_COMPARE(finished.count(), 3);
        boxes = MessageBoxProbe::take(form);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].text.contains(u"'2x5'"_s));
        delete form;
    }

    void serverSettingsReadOnOpenWrittenOnClose()
    {
        IniFile ini(m_dir.filePath(u"Zavolin.ini"_s));
        ini.writeString(u"smtp", u"server", u"mail.example.org"_s);
        ini.writeString(u"smtp", u"security", u"starttls"_s);
        QPointer<TsmsForm> form = TsmsForm::open(files());
        QCOMPARE(child<QLineEdit>(form, u"Edit2"_s)->text(), u"mail.example.org"_s);
        QCOMPARE(child<QLineEdit>(form, u"Edit3"_s)->text(), u"25"_s);
        child<QLineEdit>(form, u"Edit3"_s)->setText(u"587"_s);
        child<QLineEdit>(form, u"Edit4"_s)->setText(u"me@example.org"_s);
        child<QLineEdit>(form, u"MaskEdit1"_s)->setText(u"pw"_s);
        // No session bus here: the password goes to the settings file.
        QTRY_COMPARE(form->keyring(), TsmsForm::Keyring::Absent);
        form->close();
        QTRY_VERIFY(!form);
        QCOMPARE(ini.readString(u"smtp", u"port"), u"587"_s);
        QCOMPARE(ini.readString(u"smtp", u"login"), u"me@example.org"_s);
        QCOMPARE(ini.readString(u"smtp", u"pass"), u"pw"_s);
        QCOMPARE(ini.readString(u"smtp", u"security"), u"starttls"_s); // ours stay as set
    }

    void passwordStaysInTheFileWithoutAKeyringEvenWhenClosedAtOnce()
    {
        IniFile ini(m_dir.filePath(u"Zavolin.ini"_s));
        ini.writeString(u"smtp", u"server", u"mail.example.org"_s);
        ini.writeString(u"smtp", u"pass", u"old"_s);
        // Closed before the keyring has answered: the password must not be
        // lost on the way to a keyring that is not there.
        QPointer<TsmsForm> first = TsmsForm::open(files());
        QCOMPARE(child<QLineEdit>(first, u"MaskEdit1"_s)->text(), u"old"_s);
        child<QLineEdit>(first, u"MaskEdit1"_s)->setText(u"new"_s);
        first->close();
        // In the file at once, before any keyring has answered: a program
        // ended now keeps it.
        QCOMPARE(ini.readString(u"smtp", u"pass"), u"new"_s);
        QTRY_VERIFY(!first);
        QTRY_COMPARE(ini.readString(u"smtp", u"pass"), u"new"_s);

        QPointer<TsmsForm> second = TsmsForm::open(files());
        QTRY_COMPARE(second->keyring(), TsmsForm::Keyring::Absent);
        QCOMPARE(child<QLineEdit>(second, u"MaskEdit1"_s)->text(), u"new"_s);
        second->close();
        QTRY_VERIFY(!second);
        QCOMPARE(ini.readString(u"smtp", u"pass"), u"new"_s);
    }

    void phoneBookKeepsSubscribersAndFillsTheSmsWindow()
    {
        QPointer<TsmsForm> sms = TsmsForm::open(files());
        click(sms, u"SpeedButton5"_s);
        QPointer<TNoteBookForm> book;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *b = qobject_cast<TNoteBookForm *>(w))
                book = b;
        }
        QVERIFY(book);
        QCOMPARE(book->windowTitle(), u"Записная книжка - Zavolin"_s);
        QCOMPARE(book->size(), QSize(TNoteBookForm::kWidth, TNoteBookForm::kHeight));
        auto *name = child<QLineEdit>(book, u"Edit1"_s);
        auto *phone = child<QLineEdit>(book, u"Edit2"_s);
        auto *operators = child<QComboBox>(book, u"ComboBox1"_s);
        QCOMPARE(operators->itemText(0), u"Zeta"_s); // file order
        QCOMPARE(operators->itemText(3), u"beta"_s);

        auto expectBox = [&](const QString &button, const QString &text) {
            click(book, button);
            QTRY_VERIFY(MessageBoxProbe::open(book));
            const QList<SeenBox> boxes = MessageBoxProbe::take(book);
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, text);
            QCOMPARE(boxes[0].caption, u"Внимание"_s);
        };
        expectBox(u"Button1"_s, u"Введите название абонента!"_s);
        name->setText(u"Вася"_s);
        expectBox(u"Button1"_s, u"Введите номер телефона абонента!"_s);
        phone->setText(u"+7 900"_s);
        operators->setEditText(u"Typed"_s);
        expectBox(u"Button1"_s, u"Выберите оператора сотовой связи абонента!"_s);
        QVERIFY(!QFile::exists(m_dir.filePath(u"NoteBook.lst"_s)));
        operators->setCurrentIndex(1);
        click(book, u"Button1"_s);
        QVERIFY(name->text().isEmpty() && phone->text().isEmpty());
        QCOMPARE(operators->currentIndex(), -1);
        const IniFile file(m_dir.filePath(u"NoteBook.lst"_s));
        QCOMPARE(file.readString(u"Вася", u"oss"), u"Альфа"_s);
        QCOMPARE(file.readString(u"Вася", u"phone"), u"+7 900"_s);

        // The same name again: stored once, listed twice.
        name->setText(u"Вася"_s);
        phone->setText(u"111"_s);
        operators->setCurrentIndex(0);
        click(book, u"Button1"_s);
        QCOMPARE(book->listBox1()->count(), 2);
        QCOMPARE(file.readSections(), QStringList{u"Вася"_s});
        QCOMPARE(file.readString(u"Вася", u"phone"), u"111"_s);

        expectBox(u"Button3"_s, u"Не выбран абонент!"_s);
        book->listBox1()->setCurrentRow(0);
        QCOMPARE(book->listBox1()->toolTip(), u"ОСС: Zeta Тел: 111"_s);
        click(book, u"Button2"_s);
        QCOMPARE(book->listBox1()->count(), 1);
        QVERIFY(file.readSections().isEmpty());

        name->setText(u"Петя"_s);
        phone->setText(u"222"_s);
        operators->setCurrentIndex(2);
        click(book, u"Button1"_s);
        const int row = book->listBox1()->row(book->listBox1()->findItems(u"Петя"_s, Qt::MatchExactly).first());
        book->listBox1()->setCurrentRow(row);
        click(book, u"Button3"_s);
        QTRY_VERIFY(!book);
        QCOMPARE(sms->comboBox1()->currentText(), u"MailOnly"_s);
        QCOMPARE(sms->edit1()->text(), u"222"_s);

        // Ok after the SMS window has gone: the phone book just closes.
        click(sms, u"SpeedButton5"_s);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *b = qobject_cast<TNoteBookForm *>(w))
                book = b;
        }
        QVERIFY(book);
        QCOMPARE(book->listBox1()->count(), 1);
        delete sms;
        book->listBox1()->setCurrentRow(0);
        click(book, u"Button3"_s);
        QTRY_VERIFY(!book);
    }

    void subscribersAreSortedWithoutRegardToCase()
    {
        writeFile(m_dir.filePath(u"NoteBook.lst"_s),
                  u"[Zed]\r\noss=Zeta\r\nphone=1\r\n[вера]\r\noss=Zeta\r\nphone=2\r\n[anna]\r\noss=Zeta\r\nphone=3\r\n"
                  "[Борис]\r\noss=Zeta\r\nphone=4\r\n"_s);
        QPointer<TsmsForm> sms = TsmsForm::open(files());
        auto *book = new TNoteBookForm(OperatorBook(m_dir.filePath(u"oss.lst"_s), m_dir.filePath(u"dataoss.lst"_s)),
                                       m_dir.filePath(u"NoteBook.lst"_s));
        auto listed = [book] {
            QStringList names;
            for (int i = 0; i < book->listBox1()->count(); ++i)
                names.append(book->listBox1()->item(i)->text());
            return names;
        };
        QCOMPARE(listed(), (QStringList{u"anna"_s, u"Zed"_s, u"Борис"_s, u"вера"_s}));
        child<QLineEdit>(book, u"Edit1"_s)->setText(u"boris"_s);
        child<QLineEdit>(book, u"Edit2"_s)->setText(u"5"_s);
        child<QComboBox>(book, u"ComboBox1"_s)->setCurrentIndex(0);
        click(book, u"Button1"_s);
        child<QLineEdit>(book, u"Edit1"_s)->setText(u"алла"_s);
        child<QLineEdit>(book, u"Edit2"_s)->setText(u"6"_s);
        child<QComboBox>(book, u"ComboBox1"_s)->setCurrentIndex(0);
        click(book, u"Button1"_s);
        QCOMPARE(listed(), (QStringList{u"anna"_s, u"boris"_s, u"Zed"_s, u"алла"_s, u"Борис"_s, u"вера"_s}));
        delete book;
        delete sms;
    }
};

QTEST_MAIN(TestSmsForms)
#include "tst_smsforms.moc"
