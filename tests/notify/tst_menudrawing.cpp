#include "MenuDrawing.h"
#include "MenuItemStyle.h"
#include "MenuLook.h"
#include "SideBarMenu.h"

#include <QAction>
#include <QMenu>
#include <QTest>

// Which painter the menus get, and the side bar that stays in every look.
class TestMenuDrawing : public QObject
{
    Q_OBJECT

    static MenuLook lookOf(QMenu *menu)
    {
        auto *style = qobject_cast<MenuItemStyle *>(menu->style());
        return style ? style->look() : MenuLook(-1);
    }

private Q_SLOTS:
    void choiceOfPainter_data()
    {
        QTest::addColumn<bool>("effects");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("look");
        QTest::newRow("effects win over every style") << true << 1 << int(MenuLook::Gradient);
        QTest::newRow("Auto is the XP look") << false << 0 << int(MenuLook::WindowsXP);
        QTest::newRow("Standart") << false << 1 << int(MenuLook::Standard);
        QTest::newRow("WindowsXP Style") << false << 2 << int(MenuLook::WindowsXP);
        QTest::newRow("out of range: the default") << false << 7 << int(MenuLook::WindowsXP);
    }

    void choiceOfPainter()
    {
        QFETCH(bool, effects);
        QFETCH(int, style);
        QFETCH(int, look);
        QCOMPARE(int(menuLook(effects, style)), look);
    }

    void changesReachMenusAndSubmenusAtOnce()
    {
        QMenu tray;
        tray.addAction(QStringLiteral("Исходящие сообщения"));
        QMenu *open = tray.addMenu(QStringLiteral("Открыть"));
        open->addAction(QStringLiteral("Чат"));
        {
            MenuDrawing drawing;
            drawing.addMenu(&tray);
            QCOMPARE(lookOf(&tray), MenuLook::Gradient);
            QCOMPARE(lookOf(open), MenuLook::Gradient);
            drawing.setEffects(false);
            drawing.setStyleIndex(1);
            QCOMPARE(lookOf(&tray), MenuLook::Standard);
            QCOMPARE(lookOf(open), MenuLook::Standard);
            drawing.setStyleIndex(0);
            QCOMPARE(lookOf(open), MenuLook::WindowsXP);
            drawing.setEffects(true);
            QCOMPARE(lookOf(&tray), MenuLook::Gradient);
        }
        // The menus outlive the painter and go back to the desktop style.
        QVERIFY(!qobject_cast<MenuItemStyle *>(tray.style()));
        tray.grab();
    }

    void gradientItemsAreTallerAndWider()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Параметры"));
        menu.addSeparator();
        MenuDrawing drawing;
        drawing.addMenu(&menu);
        drawing.setEffects(false);
        drawing.setStyleIndex(1);
        const QSize standard = menu.sizeHint();
        drawing.setEffects(true);
        const QSize gradient = menu.sizeHint();
        QVERIFY(gradient.width() >= standard.width() + 32 - 8);
        QCOMPARE(menu.actionGeometry(menu.actions().at(0)).height(), 22);
    }

    // An item's key stands beside it, at the right, in every look.
    void shortcutsShowInEveryLook_data()
    {
        sideBarInEveryLook_data();
    }

    void shortcutsShowInEveryLook()
    {
        QFETCH(bool, effects);
        QFETCH(int, style);
        QMenu menu;
        QAction *exit = menu.addAction(QStringLiteral("Выход"));
        exit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F10")));
        MenuDrawing drawing;
        drawing.addMenu(&menu);
        drawing.setEffects(effects);
        drawing.setStyleIndex(style);
        menu.adjustSize();
        const QImage shot = menu.grab().toImage();
        const QRect item = menu.actionGeometry(exit);
        int dark = 0; // text pixels in the right third, where the caption never reaches
        for (int y = item.top(); y <= item.bottom(); ++y) {
            for (int x = item.right() - item.width() / 3; x < item.right(); ++x)
                dark += shot.pixelColor(x, y).lightness() < 100 ? 1 : 0;
        }
        QVERIFY2(dark > 10, qPrintable(QString::number(dark)));
    }

    // The bar: blue at the top to black at the bottom, its white caption
    // ending 6 pixels above the bottom and reading upwards.
    void sideBarInEveryLook_data()
    {
        QTest::addColumn<bool>("effects");
        QTest::addColumn<int>("style");
        QTest::newRow("effects") << true << 2;
        QTest::newRow("Standart") << false << 1;
        QTest::newRow("WindowsXP Style") << false << 2;
    }

    void sideBarInEveryLook()
    {
        QFETCH(bool, effects);
        QFETCH(int, style);
        QMenu menu;
        for (const char *text : {"Исходящие сообщения", "Входящие сообщения", "Открыть", "Автоответчик", "Параметры",
                                 "Выход", "Чат", "SMS"})
            menu.addAction(QString::fromUtf8(text));
        auto *bar = new SideBarMenu(&menu, QStringLiteral("Zavolin"));
        QVERIFY(menu.contentsMargins().left() >= SideBarMenu::kWidth + SideBarMenu::kSpace);
        MenuDrawing drawing;
        drawing.addMenu(&menu);
        drawing.setEffects(effects);
        drawing.setStyleIndex(style);
        menu.adjustSize();
        const QImage shot = menu.grab().toImage();
        const int h = shot.height();
        QVERIFY(h > 60);
        QCOMPARE(bar->captionOrigin(h).y(), h - SideBarMenu::kCaptionOffset);

        const QColor top = shot.pixelColor(1, 1);
        QVERIFY2(top.blue() > 200 && top.red() < 30 && top.green() < 30, qPrintable(top.name()));
        const QColor bottom = shot.pixelColor(1, h - 1);
        QVERIFY2(bottom.blue() < 30, qPrintable(bottom.name()));
        auto whiteRows = [&shot](int from, int to) {
            int rows = 0;
            for (int y = from; y < to; ++y) {
                for (int x = 0; x < SideBarMenu::kWidth; ++x) {
                    if (qGray(shot.pixel(x, y)) > 200) {
                        ++rows;
                        break;
                    }
                }
            }
            return rows;
        };
        QCOMPARE(whiteRows(h - SideBarMenu::kCaptionOffset + 1, h), 0); // below where the caption starts
        QVERIFY(whiteRows(h - SideBarMenu::kCaptionOffset - 30, h - SideBarMenu::kCaptionOffset) > 20);
        QCOMPARE(whiteRows(0, 5), 0);
        // The items begin beside the bar, not under it.
        QVERIFY(menu.actionGeometry(menu.actions().at(0)).left() >= SideBarMenu::kWidth);
    }
};

QTEST_MAIN(TestMenuDrawing)
#include "tst_menudrawing.moc"
