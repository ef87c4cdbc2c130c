#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// A question may pin a key or send in the open: only Yes says yes, once.
class TestMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyYesIsYes_data()
    {
        QTest::addColumn<int>("ending");
        const char *rows[] = {"Yes", "No", "Escape", "close button", "reject()", "window destroyed at the end"};
        for (int i = 0; i < 6; ++i)
            QTest::newRow(rows[i]) << i;
    }
    void onlyYesIsYes()
    {
        QFETCH(int, ending);
        auto window = std::make_unique<QWidget>();
        QList<bool> answers;
        // Yes is the default: only the way the box ends can make it yes.
        MessageBoxes::question(window.get(), u"Внимание"_s, u"Принять?"_s, true, [&](bool yes) { answers.append(yes); });
        auto *box = window->findChild<QMessageBox *>();
        QVERIFY(box);
        const std::function<void()> endings[] = {
            [box] { box->button(QMessageBox::Yes)->click(); }, [box] { box->button(QMessageBox::No)->click(); },
            [box] { QTest::keyClick(box, Qt::Key_Escape); },   [box] { box->close(); },
            [box] { box->reject(); },                          [&window] { window.reset(); },
        };
        endings[ending]();
        QTRY_COMPARE(answers, QList<bool>{ending == 0});
        window.reset();
        QCOMPARE(answers.size(), 1);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
