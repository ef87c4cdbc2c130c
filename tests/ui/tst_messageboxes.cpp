#include "MessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;

// A question decides things such as pinning a key or sending in the open:
// only Yes itself says yes, and the answer comes once.
class TestMessageBoxes : public QObject
{
    Q_OBJECT

public:
    enum class Ending { Yes, No, Escape, CloseButton, Reject, WindowGone };
    Q_ENUM(Ending)

private Q_SLOTS:
    void onlyYesIsYes_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << Ending::Yes << true;
        QTest::newRow("No") << Ending::No << false;
        QTest::newRow("Escape") << Ending::Escape << false;
        QTest::newRow("the window's close button") << Ending::CloseButton << false;
        QTest::newRow("rejected without a button") << Ending::Reject << false;
        QTest::newRow("its window destroyed, as at the program's end") << Ending::WindowGone << false;
    }
    void onlyYesIsYes()
    {
        QFETCH(Ending, ending);
        QFETCH(bool, yes);
        auto window = std::make_unique<QWidget>();
        window->show();
        QList<bool> answers;
        // Yes is the default, so nothing but the way it ends can make it yes.
        MessageBoxes::question(window.get(), u"Внимание"_s, u"Принять новый ключ?"_s, true,
                               [&answers](bool answer) { answers.append(answer); });
        auto *box = window->findChild<QMessageBox *>();
        QVERIFY(box);
        switch (ending) {
        case Ending::Yes:
            box->button(QMessageBox::Yes)->click();
            break;
        case Ending::No:
            box->button(QMessageBox::No)->click();
            break;
        case Ending::Escape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case Ending::CloseButton:
            box->close();
            break;
        case Ending::Reject:
            box->reject();
            break;
        case Ending::WindowGone:
            window.reset();
            break;
        }
        QTRY_COMPARE(answers, QList<bool>{yes});
        window.reset();
        QCOMPARE(answers.size(), 1);
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
