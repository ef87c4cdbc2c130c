// Every window the main window opens, shown with a pseudo-translation (each
// text 40 % longer, in accented letters) on a 1024 x 700 screen: no label,
// button, check box or group title shows less than its whole text.
#include "LoopbackEnvironment.h"
#include "NetForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {

// How much of its text a control cannot show, in pixels; 0 when it shows all.
int shortfall(const QWidget *w)
{
    if (!w->isVisibleTo(w->window()))
        return 0;
    if (const auto *label = qobject_cast<const QLabel *>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return 0;
        return std::max(0, label->minimumSizeHint().width() - label->width());
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
        if (button->text().isEmpty())
            return 0;
        return std::max(0, button->sizeHint().width() - button->width());
    }
    if (const auto *box = qobject_cast<const QGroupBox *>(w))
        return box->title().isEmpty() ? 0 : std::max(0, box->minimumSizeHint().width() - box->width());
    return 0;
}

QString textOf(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    return qobject_cast<const QGroupBox *>(w)->title();
}

} // namespace

class TestPseudoLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noTextIsCutInAnyWindow()
    {
        QTranslator pseudo;
        QVERIFY2(pseudo.load(QStringLiteral(PSEUDO_QM)), PSEUDO_QM);
        QCoreApplication::installTranslator(&pseudo);
        QVERIFY(QCoreApplication::translate("MessageBoxes", "Внимание").startsWith(u'['));

        QTemporaryDir dir;
        QFile settings(dir.filePath(u"Zavolin.ini"_s));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Form]\r\nCh18=0\r\n");
        settings.close();
        TNetForm form(loopbackEnvironment(dir.path(), u"pc-test"_s));
        form.startUp();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const char *item : {"TransfersAction", "HistoryAction", "OutboxAction", "SmsAction", "SettingsAction"}) {
            if (auto *action = form.findChild<QAction *>(QLatin1StringView(item)))
                action->trigger();
        }
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                QVERIFY(QTest::qWaitForWindowExposed(window));
        }

        QStringList cut;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->isVisible() || qobject_cast<QMessageBox *>(window))
                continue;
            for (QWidget *w : window->findChildren<QWidget *>()) {
                if (const int missing = shortfall(w))
                    cut << u"%1: %2 \"%3\" lacks %4 px"_s.arg(window->objectName(), w->objectName(), textOf(w))
                               .arg(missing);
            }
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
        QCoreApplication::removeTranslator(&pseudo);
    }
};

QTEST_MAIN(TestPseudoLayout)
#include "tst_pseudolayout.moc"
