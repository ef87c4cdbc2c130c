#include "FloatForm.h"
#include "IniFile.h"
#include "LoopbackEnvironment.h"
#include "MenuDrawing.h"
#include "MenuItemStyle.h"
#include "NetForm.h"
#include "NotifyController.h"
#include "SettingsForm.h"
#include "SlidePopUp.h"
#include "SlidePopUpForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

// The main window's reactions around the desktop notification: the popup's
// click, and the settings dialog's floating window and menu look, headless.
class TestNetFormNotify : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TNetForm> m_form;

    QString iniPath() const { return m_dir->filePath(QStringLiteral("Zavolin.ini")); }

    QCheckBox *box(Option option) const { return m_form->settingsForm()->option(option); }

    // The look every menu of the window is painted with now.
    QList<MenuLook> menuLooks() const
    {
        QList<QMenu *> menus{m_form->widgets().trayMenu()};
        for (QAction *entry : m_form->menuBar()->actions()) {
            if (entry->menu())
                menus.append(entry->menu());
        }
        QList<MenuLook> looks;
        for (QMenu *menu : std::as_const(menus)) {
            const auto *style = qobject_cast<const MenuItemStyle *>(menu->style());
            looks.append(style ? style->look() : MenuLook(-1));
        }
        return looks;
    }

    static QList<MenuLook> all(MenuLook look, qsizetype count) { return QList<MenuLook>(count, look); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_form = std::make_unique<TNetForm>(loopbackEnvironment(m_dir->path(), QStringLiteral("pc-test")));
        m_form->startUp();
        m_form->show();
        // A screen with a panel at the bottom, so the popups have a known edge and room for two.
        m_form->notify().slidePopUp()->setScreenSource(
            [] { return TSlidePopUp::ScreenArea{QRect(0, 0, 800, 600), QRect(0, 0, 800, 570)}; });
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void popupClickOpensIncomingClosesAllPopupsAndSilencesTheFloatingWindow()
    {
        QVERIFY(m_form->notify().floatForm()); // on by default
        m_form->notify().ring();
        QVERIFY(m_form->notify().floatForm()->isRinging());
        m_form->widgets().speedButton13()->click(); // the outgoing view in front

        m_form->notify().showPopup(QStringLiteral("Получено сообщение от: ВАСЯ"));
        m_form->notify().showPopup(QStringLiteral("Получено сообщение от: ПЕТЯ"));
        QCOMPARE(m_form->notify().slidePopUp()->openCount(), 2);
        const QList<TfrmSlidePopUp *> popups = m_form->notify().slidePopUp()->popups();
        QCOMPARE(popups.size(), 2);
        QPointer<TfrmSlidePopUp> clicked = popups.last();
        QPointer<TfrmSlidePopUp> other = popups.first();
        QTRY_VERIFY(clicked->isVisible());

        // A click anywhere on the popup, not only on its text.
        QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(3, 3));

        QVERIFY(m_form->widgets().speedButton14()->isChecked());
        QCOMPARE(m_form->widgets().views()->currentWidget(), m_form->widgets().panel2());
        QVERIFY(!m_form->notify().floatForm()->isRinging());
        QTRY_COMPARE(m_form->notify().slidePopUp()->openCount(), 0);
        QTRY_VERIFY(!clicked || !clicked->isVisible());
        QTRY_VERIFY(!other || !other->isVisible());

        // Room again for a new popup afterwards.
        m_form->notify().showPopup(QStringLiteral("Получено сообщение от: ВАСЯ"));
        QCOMPARE(m_form->notify().slidePopUp()->openCount(), 1);
    }

    void floatingWindowFollowsItsOptionAndKeepsItsPlace()
    {
        // On by default: there from the start.
        QVERIFY(box(Option::FloatingWindow)->isChecked());
        QVERIFY(m_form->notify().floatForm());
        QVERIFY(m_form->notify().floatForm()->isVisible());
        m_form->notify().floatForm()->move(123, 45);

        box(Option::FloatingWindow)->click();
        QVERIFY(!box(Option::FloatingWindow)->isChecked());
        QVERIFY(!m_form->notify().floatForm());
        const IniFile ini(iniPath());
        QCOMPARE(ini.readInteger(QStringLiteral("FloatForm"), QStringLiteral("Left"), -1), 123);
        QCOMPARE(ini.readInteger(QStringLiteral("FloatForm"), QStringLiteral("Top"), -1), 45);

        // Back where it was left, and a second "on" makes no second window.
        box(Option::FloatingWindow)->click();
        QVERIFY(m_form->notify().floatForm());
        QCOMPARE(m_form->notify().floatForm()->pos(), QPoint(123, 45));
        TFloatForm *first = m_form->notify().floatForm();
        m_form->settingsForm()->floatingWindowToggled(true);
        QCOMPARE(m_form->notify().floatForm(), first);
    }

    void menuEffectsAndStyleApplyAtOnce()
    {
        QComboBox *styles = m_form->settingsForm()->findChild<QComboBox *>(QStringLiteral("StyleBox"));
        QVERIFY(styles);
        const qsizetype menus = menuLooks().size();
        QVERIFY(menus >= 2);

        box(Option::MenuEffects)->setChecked(true);
        QCOMPARE(menuLooks(), all(MenuLook::Gradient, menus));
        // The style is remembered while the painter is on and shows when it goes.
        styles->setCurrentIndex(1);
        QCOMPARE(menuLooks(), all(MenuLook::Gradient, menus));

        box(Option::MenuEffects)->click();
        QVERIFY(!box(Option::MenuEffects)->isChecked());
        QCOMPARE(menuLooks(), all(MenuLook::Standard, menus));
        styles->setCurrentIndex(2);
        QCOMPARE(menuLooks(), all(MenuLook::WindowsXP, menus));
        styles->setCurrentIndex(0); // "Auto"
        QCOMPARE(menuLooks(), all(MenuLook::WindowsXP, menus));
        styles->setCurrentIndex(1);
        QCOMPARE(menuLooks(), all(MenuLook::Standard, menus));

        box(Option::MenuEffects)->click();
        QCOMPARE(menuLooks(), all(MenuLook::Gradient, menus));
        // Submenus follow their menu.
        for (QAction *entry : m_form->menuBar()->actions()) {
            if (!entry->menu())
                continue;
            for (QMenu *sub : entry->menu()->findChildren<QMenu *>()) {
                const auto *style = qobject_cast<const MenuItemStyle *>(sub->style());
                QVERIFY(style);
                QCOMPARE(style->look(), MenuLook::Gradient);
            }
        }
    }
};

QTEST_MAIN(TestNetFormNotify)
#include "tst_netformnotify.moc"
