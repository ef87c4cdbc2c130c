#include "IniFile.h"
#include "OptionsStore.h"
#include "SettingsForm.h"
#include "SettingsFormFontDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The dialog can only report bold for a family that has a bold face; which
// families a machine has is up to its fonts, so the test looks for one.
QString familyWithBoldStyle()
{
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        if (QFontDatabase::isPrivateFamily(family) || !QFontDatabase::isSmoothlyScalable(family))
            continue;
        const QStringList styles = QFontDatabase::styles(family);
        for (const QString &style : styles) {
            if (QFontDatabase::bold(family, style) && !QFontDatabase::italic(family, style))
                return family;
        }
    }
    return {};
}

} // namespace

class TestSettingsForm : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_iniPath;
    std::unique_ptr<OptionsStore> m_options;
    std::unique_ptr<TSettingsForm> m_form;

    template<typename T>
    T *child(const QString &name) const
    {
        T *found = m_form->findChild<T *>(name);
        if (!found)
            qWarning("no child %s", qPrintable(name));
        return found;
    }

    void click(const QString &buttonName) const
    {
        QPushButton *button = child<QPushButton>(buttonName);
        QVERIFY(button);
        button->click();
    }

    QString music() const
    {
        return IniFile(m_iniPath).readString(u"Form", u"Music", u"<none>"_s);
    }

    // Types into the seconds field as a user would, replacing what it shows.
    void typeSeconds(const QString &text) const
    {
        auto *edit = child<QWidget>(u"SecondsEdit"_s)->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_iniPath = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".ini"_s);
        m_options = std::make_unique<OptionsStore>();
        m_form = std::make_unique<TSettingsForm>(*m_options, m_iniPath);
    }

    void cleanup()
    {
        m_form.reset();
        m_options.reset();
    }

    void startsAsAHiddenToolWindowOnTheFirstPage()
    {
        QCOMPARE(m_form->windowTitle(), u"Параметры - Zavolin"_s);
        QCOMPARE(m_form->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(!m_form->isModal());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_form->currentPage(), 0);
        QCOMPARE(m_form->pageHeader(), u"Общие"_s);
        auto *list = child<QListWidget>(u"PageList"_s);
        QCOMPARE(list->count(), 7);
        QCOMPARE(list->currentRow(), -1);
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(list->item(6)->text(), QString());
        QCOMPARE(m_form->popupSeconds(), 10);
        QCOMPARE(m_form->menuStyle(), 2);
        QCOMPARE(child<QComboBox>(u"StyleBox"_s)->currentText(), u"WindowsXP Style"_s);
        QCOMPARE(m_form->saveFolder(), u"*"_s);
        for (Option option : Options::all())
            QVERIFY2(!m_form->isOptionOn(option), qPrintable(Options::key(option)));
    }

    void everyOptionSitsOnItsPageWithItsCaption_data()
    {
        QTest::addColumn<Option>("option");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("caption");
        const QString general = u"GeneralPage"_s, notice = u"NoticePage"_s,
                      message = u"MessagePage"_s, look = u"LookPage"_s, sound = u"SoundPage"_s,
                      files = u"FilesPage"_s;
        auto row = [](Option option, const QString &page, const QString &caption) {
            QTest::addRow("%s", qPrintable(Options::key(option))) << option << page << caption;
        };
        row(Option::TrayInsteadOfWindow, notice, QString());
        row(Option::ClearAfterSend, message, u"Удалять сообщения после отправки"_s);
        row(Option::ClearIncomingOnNew, message, u"Удалять приходящие сообщения при получении новых"_s);
        row(Option::HideAfterSend, message, u"Скрывать после отправки сообщения"_s);
        row(Option::TimeInHeader, message, u"Указавать время прихода сообщений"_s);
        row(Option::StatusNotices, notice, u"Предупреждать о смене статуса абонентов (online/offline)"_s);
        row(Option::WarnBeforeSendToAll, message, u"Предупреждать об отправки сообщения 'всем'"_s);
        row(Option::HideOnClose, general, u"Скрывать по нажатии системной кнопки 'Закрыть'"_s);
        row(Option::Sound, sound, u"Воспроизводить звук при получении сообщения"_s);
        row(Option::Popup, notice, u"Всплывающее окно при получении сообщения"_s);
        row(Option::HotKeys, general, u"Включить глобальные 'горячие клавиши'"_s);
        row(Option::Autostart, general, u"Поместить программу в группу автозапуска"_s);
        row(Option::Smileys, message, u"Преобразовывать смайлы"_s);
        row(Option::History, general, u"Вести историю сообщений"_s);
        row(Option::ScrollToEnd, message, u"Прокручивать входящие сообщения в конец"_s);
        row(Option::FloatingWindow, general, u"Показывать плавающее окно"_s);
        row(Option::HideAtStart, general, u"Скрывать при запуске"_s);
        row(Option::SaveIntoFolder, files, u"Сохранять полученные файлы в указанном каталоге"_s);
        row(Option::MenuEffects, look, u"Использовать эффекты в меню"_s);
    }

    void everyOptionSitsOnItsPageWithItsCaption()
    {
        QFETCH(Option, option);
        QFETCH(QString, page);
        QFETCH(QString, caption);
        QCheckBox *box = m_form->option(option);
        QVERIFY(box);
        QCOMPARE(box->objectName(), u"Ch"_s + QString::number(Options::number(option)));
        QCOMPARE(box->text(), caption);
        QCOMPARE(box->parentWidget()->objectName(), page);
        QVERIFY(!box->isChecked());
        QCOMPARE(m_form->findChildren<QCheckBox *>(box->objectName()).size(), 1);
    }

    void optionOneIsExplainedByTheTextBesideIt()
    {
        auto *text = child<QLabel>(u"Ch1Label"_s);
        QVERIFY(text);
        QCOMPARE(text->text(),
                 u"Не показывать форму при получении сообщения (\"звонить\" в systemtray)"_s);
        QVERIFY(text->wordWrap());
        QCOMPARE(text->parentWidget(), m_form->option(Option::TrayInsteadOfWindow)->parentWidget());
    }

    void theMenuOptionsAreNotInTheDialog()
    {
        // Values outside the "Ch" numbers as well as the two menu items.
        for (Option option : {Option(0), Option::AutoAnswer, Option::ReceiveWhileAnswering,
                              Option(Options::kCount + 1), Option(-1)}) {
            QVERIFY(!m_form->option(option));
            QVERIFY(!m_form->isOptionOn(option));
            m_form->setOption(option, true); // must be harmless
            QVERIFY(!m_form->isOptionOn(option));
        }
        QVERIFY(!m_form->findChild<QObject *>(u"Ch6"_s));
        QVERIFY(!m_form->findChild<QObject *>(u"Ch19"_s));
        QCOMPARE(m_form->findChildren<QCheckBox *>().size(), 19);
    }

    void onlyFourOptionsReactAndOnlyOnChange_data()
    {
        QTest::addColumn<Option>("option");
        QTest::addColumn<int>("reaction"); // index into the spies below, -1 for none
        for (Option option : Options::all()) {
            if (Options::isMenuItem(option))
                continue;
            const int reaction = option == Option::HotKeys          ? 0
                                 : option == Option::Autostart      ? 1
                                 : option == Option::FloatingWindow ? 2
                                 : option == Option::MenuEffects    ? 3
                                                                    : -1;
            QTest::addRow("%s", qPrintable(Options::key(option))) << option << reaction;
        }
    }

    void onlyFourOptionsReactAndOnlyOnChange()
    {
        QFETCH(Option, option);
        QFETCH(int, reaction);
        QSignalSpy hotKeys(m_form.get(), &TSettingsForm::hotKeysToggled);
        QSignalSpy autostart(m_form.get(), &TSettingsForm::autostartToggled);
        QSignalSpy floating(m_form.get(), &TSettingsForm::floatingWindowToggled);
        QSignalSpy effects(m_form.get(), &TSettingsForm::menuEffectsToggled);
        QSignalSpy any(m_form.get(), &TSettingsForm::optionToggled);
        QSignalSpy *spies[] = {&hotKeys, &autostart, &floating, &effects};

        const auto calls = [&] {
            QList<int> sizes;
            for (const QSignalSpy *spy : spies)
                sizes.append(spy->size());
            return sizes;
        };
        const auto expected = [&](int count) {
            QList<int> sizes(4, 0);
            if (reaction >= 0)
                sizes[reaction] = count;
            return sizes;
        };

        m_form->setOption(option, false); // already off: nothing
        QCOMPARE(calls(), expected(0));
        QCOMPARE(any.size(), 0);

        m_form->setOption(option, true);
        QVERIFY(m_form->isOptionOn(option));
        QCOMPARE(calls(), expected(1));
        QCOMPARE(any.size(), 1);
        QCOMPARE(any.last().at(0).value<Option>(), option);
        QCOMPARE(any.last().at(1).toBool(), true);
        if (reaction >= 0)
            QCOMPARE(spies[reaction]->last().first().toBool(), true);

        m_form->setOption(option, true); // no change: no reaction
        QCOMPARE(calls(), expected(1));

        m_form->option(option)->click(); // the user unticks it
        QVERIFY(!m_form->isOptionOn(option));
        QCOMPARE(calls(), expected(2));
        if (reaction >= 0)
            QCOMPARE(spies[reaction]->last().first().toBool(), false);
        QCOMPARE(any.size(), 2);
    }

    void typedSecondsAreTakenAsTheyStand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("seconds");
        QTest::newRow("within range") << u"45"_s << 45;
        QTest::newRow("above the arrows' range") << u"500"_s << 500;
        QTest::newRow("letters") << u"abc"_s << 1;
        QTest::newRow("digits then letters") << u"12abc"_s << 1;
        QTest::newRow("nothing") << QString() << 1;
        QTest::newRow("zero") << u"0"_s << 1;
        QTest::newRow("negative") << u"-5"_s << 1;
        QTest::newRow("overflowing int") << u"99999999999"_s << 1;
        QTest::newRow("more than a timer holds") << u"3000000"_s << 2147483;
    }

    void typedSecondsAreTakenAsTheyStand()
    {
        QFETCH(QString, typed);
        QFETCH(int, seconds);
        QSignalSpy changed(m_form.get(), &TSettingsForm::popupSecondsChanged);
        typeSeconds(typed);
        QCOMPARE(m_form->popupSeconds(), seconds);
        QCOMPARE(m_options->popupSeconds(), seconds); // what the popup reads
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().first().toInt(), seconds);
    }

    void arrowsKeepToOneToThreeHundred()
    {
        auto *field = child<QAbstractSpinBox>(u"SecondsEdit"_s);
        QSignalSpy changed(m_form.get(), &TSettingsForm::popupSecondsChanged);
        m_form->setPopupSeconds(299);
        QCOMPARE(changed.size(), 1);
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(m_form->popupSeconds(), 300);
        QTest::keyClick(field, Qt::Key_Up);
        QCOMPARE(m_form->popupSeconds(), 300);
        QCOMPARE(changed.size(), 2); // the second press changed nothing

        m_form->setPopupSeconds(500);
        field->stepBy(-1);
        QCOMPARE(m_form->popupSeconds(), 300);

        m_form->setPopupSeconds(2);
        QTest::keyClick(field, Qt::Key_Down);
        QTest::keyClick(field, Qt::Key_Down);
        QCOMPARE(m_form->popupSeconds(), 1);
        QCOMPARE(field->findChild<QLineEdit *>()->text(), u"1"_s);
    }

    void pageListBringsPagesToTheFront_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("header");
        const QStringList names = {u"Общие"_s, u"Оповещения"_s, u"Сообщения"_s,
                                   u"Оформление"_s, u"Звук"_s, u"Файлы"_s};
        for (int row = 0; row < names.size(); ++row)
            QTest::addRow("%d", row) << row << names.at(row);
    }

    void pageListBringsPagesToTheFront()
    {
        QFETCH(int, row);
        QFETCH(QString, header);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        auto *list = child<QListWidget>(u"PageList"_s);
        // Start away from the target so that the click must change something.
        const int other = row == 5 ? 4 : 5;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(other)).center());
        QCOMPARE(m_form->currentPage(), other);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
        QCOMPARE(m_form->currentPage(), row);
        QCOMPARE(m_form->pageHeader(), header);
        auto *pages = child<QStackedWidget>(u"Pages"_s);
        QVERIFY(pages->currentWidget()->isVisible());
    }

    void theEmptyEntryOnlyEmptiesTheHeader()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        auto *list = child<QListWidget>(u"PageList"_s);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(4)).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(6)).center());
        QCOMPARE(m_form->currentPage(), 4);
        QCOMPARE(m_form->pageHeader(), QString());
        // Back to a real page, also by keyboard.
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(m_form->currentPage(), 5);
        QCOMPARE(m_form->pageHeader(), u"Файлы"_s);
    }

    void okHidesAndSavesNothing()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->setOption(Option::HideOnClose, true);
        m_form->setPopupSeconds(42);
        click(u"OkButton"_s);
        QVERIFY(!m_form->isVisible());
        QVERIFY(!QFile::exists(m_iniPath));
        // Hidden, not destroyed: the options stay live.
        QVERIFY(m_form->isOptionOn(Option::HideOnClose));
        QCOMPARE(m_form->popupSeconds(), 42);
    }

    void menuStyleReactsOnChange()
    {
        QSignalSpy changed(m_form.get(), &TSettingsForm::menuStyleChanged);
        m_form->setMenuStyle(2);
        QCOMPARE(changed.size(), 0);
        m_form->setMenuStyle(0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().first().toInt(), 0);
        QCOMPARE(m_form->menuStyle(), 0);
        child<QComboBox>(u"StyleBox"_s)->setCurrentIndex(1); // the user's choice
        QCOMPARE(changed.last().first().toInt(), 1);
        QCOMPARE(m_options->menuStyle(), 1); // what the menus read
        m_form->setMenuStyle(7); // from a damaged file
        QCOMPARE(m_form->menuStyle(), 2);
        m_form->setMenuStyle(-1);
        QCOMPARE(m_form->menuStyle(), 2);
        QCOMPARE(changed.size(), 3);
    }

    void theChosenLanguageIsSavedWithTheSettings()
    {
        auto *box = child<QComboBox>(u"LanguageBox"_s);
        IniFile ini(m_iniPath);
        m_options->write(ini);
        QVERIFY(!ini.valueExists(u"Form", u"Language")); // an existing user's file gains nothing
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), u"English"_s);
        QVERIFY(!ini.valueExists(u"Form", u"Language")); // not before the save
        m_options->write(ini);
        QCOMPARE(ini.readString(u"Form", u"Language"), u"en"_s);
        m_options->setLanguage(u"system"_s); // read from the file at start-up
        QCOMPARE(box->currentIndex(), 2);
    }

    void saveFolderIsTheLabelText()
    {
        m_form->setSaveFolder(u"/home/user/Приём"_s);
        QCOMPARE(m_form->saveFolder(), u"/home/user/Приём"_s);
        QCOMPARE(child<QLabel>(u"FolderLabel"_s)->text(), u"/home/user/Приём"_s);
    }

    void soundDefaultDeletesMusicAtOnce()
    {
        IniFile ini(m_iniPath);
        ini.writeString(u"Form", u"Music", u"/snd/ring.wav"_s);
        ini.writeInteger(u"Form", u"Top", 5);
        click(u"SoundDefaultsButton"_s);
        QVERIFY(!ini.valueExists(u"Form", u"Music"));
        QCOMPARE(ini.readInteger(u"Form", u"Top", 0), 5);
    }

    void choosingASoundWritesMusicAtOnce()
    {
        const QString wav = m_dir.filePath(u"звонок.wav"_s);
        QFile file(wav);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        click(u"SoundButton"_s);
        auto *dialog = child<QFileDialog>(u"SoundDialog"_s);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->nameFilters(), QStringList{u"Файлы *.wav (*.wav)"_s});
        QCOMPARE(dialog->selectedFiles().size(), 1);
        QVERIFY(dialog->selectedFiles().first().endsWith(u"/Utopia Default.wav"_s));
        dialog->selectFile(wav);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept is protected
        QCOMPARE(music(), wav);
        QTRY_VERIFY(!m_form->findChild<QFileDialog *>(u"SoundDialog"_s));

        // The next dialog starts with the stored choice; cancelling keeps it.
        click(u"SoundButton"_s);
        dialog = child<QFileDialog>(u"SoundDialog"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->selectedFiles(), QStringList{wav});
        dialog->reject();
        QCOMPARE(music(), wav);
    }

    void aRefusedSoundWriteIsShown()
    {
        m_form = std::make_unique<TSettingsForm>(*m_options, m_dir.filePath(u"missing/Zavolin.ini"_s));
        const QString wav = m_dir.filePath(u"a.wav"_s);
        QFile file(wav);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        click(u"SoundButton"_s);
        auto *dialog = child<QFileDialog>(u"SoundDialog"_s);
        QVERIFY(dialog);
        dialog->selectFile(wav);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept is protected
        auto *box = child<QMessageBox>(u"ErrorBox"_s);
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), u"Ошибка"_s);
        QCOMPARE(box->text(), u"Unable to write to "_s + m_dir.filePath(u"missing/Zavolin.ini"_s));
        box->accept();
    }

    void choosingAFolderSetsTheLabel()
    {
        const QString folder = m_dir.filePath(u"Полученные"_s);
        QVERIFY(QDir().mkpath(folder));
        click(u"FolderButton"_s);
        auto *dialog = child<QFileDialog>(u"FolderDialog"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(),
                 u"Укажите каталог, в котором будут сохраняться полученные файлы"_s);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        dialog->reject();
        QCOMPARE(m_form->saveFolder(), u"*"_s);
        QTRY_VERIFY(!m_form->findChild<QFileDialog *>(u"FolderDialog"_s));

        click(u"FolderButton"_s);
        dialog = child<QFileDialog>(u"FolderDialog"_s);
        dialog->selectFile(folder);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept is protected
        QCOMPARE(m_form->saveFolder(), folder);
        QVERIFY(!QFile::exists(m_iniPath)); // kept live, saved by Save settings only
    }

    void colourDialogStartsWithItsPreviousChoice()
    {
        QSignalSpy chosen(m_form.get(), &TSettingsForm::backgroundColorChosen);
        click(u"ColorButton"_s);
        auto *dialog = m_form->findChild<QColorDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->currentColor(), QColor(Qt::black));
        dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
        dialog->accept();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.last().first().value<QColor>(), QColor(0x12, 0x34, 0x56));
        QTRY_VERIFY(!m_form->findChild<QColorDialog *>());

        click(u"ColorButton"_s);
        dialog = m_form->findChild<QColorDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->currentColor(), QColor(0x12, 0x34, 0x56));
        dialog->setCurrentColor(Qt::red);
        dialog->reject();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(m_form->lastBackgroundColor(), QColor(0x12, 0x34, 0x56));
    }

    void fontDialogChoosesFontAndColour()
    {
        QCOMPARE(m_form->lastTextFont().family(), u"MS Sans Serif"_s);
        QCOMPARE(m_form->lastTextFont().pointSize(), 8);
        QSignalSpy chosen(m_form.get(), &TSettingsForm::textFontChosen);
        click(u"FontButton"_s);
        auto *dialog = m_form->findChild<FontColorDialog *>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->currentColor(), QColor(Qt::black));
        QCOMPARE(dialog->currentFont().pointSize(), 8);

        const QString family = familyWithBoldStyle();
        if (family.isEmpty())
            QSKIP("no installed font family has a bold style");
        QFont font(family, 14);
        font.setBold(true);
        dialog->setCurrentFont(font);
        dialog->setCurrentColor(QColor(0x80, 0x00, 0x00));
        dialog->accept();
        QCOMPARE(chosen.size(), 1);
        const auto chosenFont = chosen.last().at(0).value<QFont>();
        QCOMPARE(chosenFont.family(), family);
        QCOMPARE(chosenFont.pointSize(), 14);
        QVERIFY(chosenFont.bold());
        QCOMPARE(chosen.last().at(1).value<QColor>(), QColor(0x80, 0x00, 0x00));
        QTRY_VERIFY(!m_form->findChild<FontColorDialog *>());

        // Reopened with that choice; Esc inside the font lists cancels the whole dialog.
        click(u"FontButton"_s);
        dialog = m_form->findChild<FontColorDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->currentColor(), QColor(0x80, 0x00, 0x00));
        QCOMPARE(dialog->currentFont().pointSize(), 14);
        auto *picker = dialog->findChild<QFontDialog *>();
        QVERIFY(picker);
        QTest::keyClick(picker, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(chosen.size(), 1);
    }

    void fontDialogOffersTheSixteenBasicColours()
    {
        const QList<QColor> basic = FontColorDialog::basicColors();
        QCOMPARE(basic.size(), 16);
        FontColorDialog dialog(QFont(), QColor(0x01, 0x02, 0x03));
        QCOMPARE(dialog.currentColor(), QColor(0x01, 0x02, 0x03)); // kept, though not basic
        for (const QColor &color : basic) {
            dialog.setCurrentColor(color);
            QCOMPARE(dialog.currentColor(), color);
        }
    }

    void lookDefaultsAskTheMainWindow()
    {
        QSignalSpy requested(m_form.get(), &TSettingsForm::lookDefaultsRequested);
        click(u"LookDefaultsButton"_s);
        QCOMPARE(requested.size(), 1);
        QVERIFY(!QFile::exists(m_iniPath)); // the main window saves, not the dialog
    }

    void aSecondClickRaisesTheOpenDialog()
    {
        click(u"SoundButton"_s);
        click(u"SoundButton"_s);
        QCOMPARE(m_form->findChildren<QFileDialog *>(u"SoundDialog"_s).size(), 1);
        click(u"ColorButton"_s);
        click(u"ColorButton"_s);
        QCOMPARE(m_form->findChildren<QColorDialog *>().size(), 1);
    }
};

QTEST_MAIN(TestSettingsForm)
#include "tst_settingsform.moc"
