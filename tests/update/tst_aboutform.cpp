#include "AboutForm.h"
#include "HttpTestServer.h"
#include "IniFile.h"
#include "MessageBoxProbe.h"
#include "ShowInfoUpdateForm.h"
#include "WebUpdate.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

using namespace Qt::StringLiterals;

// Takes the links the window hands to the desktop, so that nothing is opened.
class DesktopProbe : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

// The about window with its boxes, the information dialog and the check
// against a scripted loopback server; downloads go to a private TMPDIR.
class TestAboutForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<HttpTestServer> m_server;
    QPointer<TAboutForm> m_form;
    DesktopProbe m_desktop;

    QString settingsPath() const { return QDir(m_home->path()).filePath(u"Zavolin.ini"_s); }
    QString downloaded() const { return QDir(m_tmp->path()).filePath(u"zavolin-2.18.tar.gz"_s); }

    void servePages(const QByteArray &version, const QByteArray &installer = QByteArray(4000, 'z'))
    {
        m_server->setPage("/update.htm",
                          updatePage({{"Product", "Zavolin"},
                                      {"Version", version},
                                      {"Download", m_server->url("/zavolin-2.18.tar.gz").toLatin1()},
                                      {"ClientSideName", "zavolin-2.18.tar.gz"},
                                      {"RunParameters", "/S"}}));
        m_server->setPage("/zavolin-2.18.tar.gz", installer);
    }

    void openForm()
    {
        m_form = new TAboutForm(settingsPath());
        m_form->open();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }

    void clickUpdate() { Q_EMIT m_form->updateLink()->linkActivated(u"update:"_s); }

    // Waits for the box saying `text`, checks how it looks, and answers it.
    void answerBox(const QString &text, QMessageBox::Icon icon, const QString &caption,
                   QMessageBox::StandardButtons buttons, QMessageBox::StandardButton answer)
    {
        QTRY_VERIFY2(MessageBoxProbe::find(m_form, text), qPrintable(text));
        QMessageBox *box = MessageBoxProbe::find(m_form, text);
        QCOMPARE(box->icon(), icon);
        QCOMPARE(box->windowTitle(), caption);
        QCOMPARE(box->standardButtons(), buttons);
        QPointer<QMessageBox> guard(box);
        box->button(answer)->click();
        QTRY_VERIFY(!guard);
    }

    void answerOk(const QString &text, QMessageBox::Icon icon = QMessageBox::Information,
                  const QString &caption = u"Внимание"_s)
    {
        answerBox(text, icon, caption, QMessageBox::Ok, QMessageBox::Ok);
    }

    void answerAvailable(QMessageBox::StandardButton answer)
    {
        answerBox(u"Вы пользуетесь версией 2.17, на сайте найдена версия 2.18 \r\nХотите загрузить новую программу?"_s,
                  QMessageBox::Warning, u"Внимание"_s, QMessageBox::Yes | QMessageBox::No, answer);
    }

    void answerReadInfo(QMessageBox::StandardButton answer)
    {
        answerBox(u"Хотите прочитать информацию?"_s, QMessageBox::Question, u"Внимание"_s,
                  QMessageBox::Yes | QMessageBox::No, answer);
    }

    void waitIdle() { QTRY_VERIFY(!m_form->webUpdate()->isBusy()); }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *scheme : {"http", "https", "mailto", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_desktop, "open");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : {"http", "https", "mailto", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_tmp = std::make_unique<QTemporaryDir>();
        qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
        m_server = std::make_unique<HttpTestServer>();
        IniFile ini(settingsPath());
        ini.writeString(u"Update", u"InfoURL", m_server->url("/update.htm", false));
        ini.writeString(u"Update", u"SiteURL", u"https://zavolin.example/"_s);
        ini.writeString(u"Update", u"Email", u"admin@zavolin.example"_s);
        m_desktop.opened.clear();
    }

    void cleanup()
    {
        delete m_form;
        m_server.reset();
        qunsetenv("TMPDIR");
    }

    void showsNameVersionAndLinks()
    {
        openForm();
        QCOMPARE(m_form->windowTitle(), u"О программе..."_s);
        QCOMPARE(m_form->size(), QSize(286, 252));
        QCOMPARE(m_form->findChild<QLabel *>(u"ProductName"_s)->text(), u"Zavolin"_s);
        QCOMPARE(m_form->findChild<QLabel *>(u"Version"_s)->text(), u"Версия: 2.17"_s);
        QVERIFY(m_form->updateLink()->text().contains(u"Загрузить новую версию с сайта программы"_s));
        QCOMPARE(m_form->progressBar()->maximum(), 100);
        QCOMPARE(m_form->progressBar()->value(), 0);
        QCOMPARE(m_form->statusLabel()->text(), QString());
        QCOMPARE(m_form->webUpdate()->objectName(), u"WebUpdate1"_s);
        QCOMPARE(m_form->webUpdate()->tagInfo().ClientFileName, u"ClientSideName"_s);

        auto *site = m_form->findChild<QLabel *>(u"SiteLink"_s);
        auto *email = m_form->findChild<QLabel *>(u"EmailLink"_s);
        QVERIFY(site->text().contains(u"https://zavolin.example/"_s));
        QTest::mouseClick(site, Qt::LeftButton, {}, QPoint(10, site->height() / 2));
        QTest::mouseClick(email, Qt::LeftButton, {}, QPoint(10, email->height() / 2));
        QCOMPARE(m_desktop.opened, (QList<QUrl>{QUrl(u"https://zavolin.example/"_s),
                                                QUrl(u"mailto:admin@zavolin.example"_s)}));

        QPointer<TAboutForm> form = m_form;
        m_form->findChild<QPushButton *>(u"OkButton"_s)->click();
        QTRY_VERIFY(!form);
    }

    void newerVersionIsDownloadedAndShownNotRun()
    {
        servePages("2.18", QByteArray(200000, 'z'));
        openForm();
        clickUpdate();
        answerAvailable(QMessageBox::Yes);
        answerReadInfo(QMessageBox::Yes);

        QTRY_VERIFY(m_form->infoForm() && m_form->infoForm()->isVisible());
        Tfrm_ShowInfoUpdate *info = m_form->infoForm();
        QCOMPARE(info->windowTitle(), u"WebUpdate"_s);
        QCOMPARE(info->size(), QSize(530, 453));
        QCOMPARE(info->okButton()->text(), u"&OK"_s);
        QCOMPARE(info->cancelButton()->text(), u"&Cancel"_s);
        QCOMPARE(info->futureUpdateBox()->text(), u"C&heck for updates in the future"_s);
        QCOMPARE(info->futureUpdateBox()->objectName(), u"chk_FutureUpdate"_s);
        QVERIFY(info->futureUpdateBox()->isChecked());
        QVERIFY(info->browser()->toPlainText().contains(u"Zavolin update"_s));
        const int stripWidth = info->okButton()->parentWidget()->width();
        QCOMPARE(info->okButton()->x(), (stripWidth - 75 - 75 - 6) / 2);
        QCOMPARE(info->cancelButton()->x(), info->okButton()->x() + 75 + 3);
        info->okButton()->click();

        answerOk(u"Файл будет загружен в %1"_s.arg(downloaded()));
        QTRY_VERIFY(MessageBoxProbe::find(m_form, u"Загрузка завершена!"_s));
        QCOMPARE(m_form->progressBar()->value(), 0);
        QCOMPARE(m_form->statusLabel()->text(), QString());
        QCOMPARE(m_form->progressBar()->maximum(), 200000);
        answerOk(u"Загрузка завершена!"_s);

        // Our run step: the folder is shown, the file is not executed.
        QTRY_COMPARE(m_desktop.opened, QList<QUrl>{QUrl::fromLocalFile(m_tmp->path())});
        QTRY_VERIFY(MessageBoxProbe::open(m_form));
        QVERIFY(MessageBoxProbe::open(m_form)->text().contains(downloaded()));
        QVERIFY(!(QFile::permissions(downloaded()) & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)));
        QCOMPARE(QFileInfo(downloaded()).size(), 200000);
        waitIdle();
    }

    void progressAndStatusWhileDownloading()
    {
        servePages("2.18");
        HttpTestServer::Answer file;
        file.body = QByteArray(100000, 'z');
        file.chunkBytes = 40000;
        file.stallAfterFirstChunk = true;
        m_server->setAnswer("/zavolin-2.18.tar.gz", file);
        openForm();
        clickUpdate();
        answerAvailable(QMessageBox::Yes);
        answerReadInfo(QMessageBox::No);
        answerOk(u"Файл будет загружен в %1"_s.arg(downloaded()));
        QTRY_COMPARE(m_form->progressBar()->value(), 40000);
        QCOMPARE(m_form->progressBar()->maximum(), 100000);
        QCOMPARE(m_form->statusLabel()->text(), u"Загрузка файла zavolin-2.18.tar.gz"_s);

        // A second click while the check runs does nothing.
        clickUpdate();
        QCOMPARE(m_server->requestsFor("/update.htm"), 1);

        const QByteArray shot = qgetenv("ZAVOLIN_ABOUT_SCREENSHOT");
        if (!shot.isEmpty()) {
            QTest::qWait(300); // let the window manager and the painting settle for the picture
            QGuiApplication::primaryScreen()->grabWindow(0).save(QFile::decodeName(shot));
        }

        // Closing the window ends the transfer and leaves no part behind.
        QSignalSpy abandoned(m_server.get(), &HttpTestServer::connectionAbandoned);
        QPointer<TAboutForm> form = m_form;
        m_form->close();
        QTRY_VERIFY(!form);
        QVERIFY(abandoned.count() > 0 || abandoned.wait(10000));
        QCOMPARE(QDir(m_tmp->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void failuresAndRefusalsShowTheirMessages()
    {
        openForm();
        // No tags.
        m_server->setPage("/update.htm", "<html>nothing</html>");
        clickUpdate();
        answerOk(u"Не удалось подключиться к серверу!"_s, QMessageBox::Critical, u"Ошибка"_s);
        waitIdle();
        // An HTTP error page.
        m_server->setPage("/update.htm", updatePage({{"Product", "Z"}, {"Version", "9"}}), 404);
        clickUpdate();
        answerOk(u"Не удалось подключиться к серверу!"_s, QMessageBox::Critical, u"Ошибка"_s);
        waitIdle();
        // Same version.
        servePages("2.17");
        clickUpdate();
        answerOk(u"Ваша версия программы не нуждается в обновлении!"_s);
        waitIdle();
        // Refused update: no further box.
        servePages("2.18");
        clickUpdate();
        answerAvailable(QMessageBox::No);
        waitIdle();
        // Cancel in the information dialog ends the check without a message.
        clickUpdate();
        answerAvailable(QMessageBox::Yes);
        answerReadInfo(QMessageBox::Yes);
        QTRY_VERIFY(m_form->infoForm() && m_form->infoForm()->isVisible());
        m_form->infoForm()->cancelButton()->click();
        waitIdle();
        QVERIFY(!MessageBoxProbe::open(m_form));
        QCOMPARE(m_server->requestsFor("/zavolin-2.18.tar.gz"), 0);
        QVERIFY(!QFileInfo::exists(downloaded()));
    }

    // However deeply the page nests its markup, it is shown at once, text and all.
    void deeplyNestedPageIsShown_data()
    {
        QTest::addColumn<int>("depth");
        QTest::newRow("50 tables") << 50;
        QTest::newRow("1000 tables") << 1000;
    }

    void deeplyNestedPageIsShown()
    {
        QFETCH(int, depth);
        servePages("2.18");
        QByteArray page = updatePage({{"Product", "Zavolin"},
                                      {"Version", "2.18"},
                                      {"Download", m_server->url("/zavolin-2.18.tar.gz").toLatin1()},
                                      {"ClientSideName", "zavolin-2.18.tar.gz"}});
        const qsizetype body = page.indexOf("<body>") + 6;
        page.insert(body, QByteArray("<table><tr><td>").repeated(depth) + "New in 2.18"
                              + QByteArray("</td></tr></table>").repeated(depth)
                              + "<ul><li><b>faster</b><ul><li><i>smaller</i></li></ul></li></ul>");
        m_server->setPage("/update.htm", page);
        openForm();
        clickUpdate();
        answerAvailable(QMessageBox::Yes);
        answerReadInfo(QMessageBox::Yes);
        QTRY_VERIFY(m_form->infoForm() && m_form->infoForm()->isVisible());
        const QString shown = m_form->infoForm()->browser()->toPlainText();
        QVERIFY2(shown.contains(u"New in 2.18"_s), qPrintable(shown));
        QVERIFY(shown.contains(u"faster"_s));
        QVERIFY(shown.contains(u"smaller"_s));
        QVERIFY(shown.contains(u"Zavolin update"_s));
        m_form->infoForm()->cancelButton()->click();
        waitIdle();
    }

    // A failed download says so where it said it was downloading, and the bar
    // is back at its start.
    void failedDownloadShowsItInTheStatusLine()
    {
        servePages("2.18");
        HttpTestServer::Answer file;
        file.body = QByteArray(1000, 'z');
        file.announcedLength = 5000;
        m_server->setAnswer("/zavolin-2.18.tar.gz", file);
        openForm();
        clickUpdate();
        answerAvailable(QMessageBox::Yes);
        answerReadInfo(QMessageBox::No);
        answerOk(u"Файл будет загружен в %1"_s.arg(downloaded()));
        answerOk(u"Не удалось подключиться к серверу!"_s, QMessageBox::Critical, u"Ошибка"_s);
        waitIdle();
        QCOMPARE(m_form->statusLabel()->text(), u"Не удалось загрузить файл zavolin-2.18.tar.gz"_s);
        QCOMPARE(m_form->progressBar()->maximum(), 100);
        QCOMPARE(m_form->progressBar()->value(), 0);
        // The next check starts with an empty line.
        m_server->setPage("/update.htm", "<html>nothing</html>");
        clickUpdate();
        QCOMPARE(m_form->statusLabel()->text(), QString());
        answerOk(u"Не удалось подключиться к серверу!"_s, QMessageBox::Critical, u"Ошибка"_s);
        waitIdle();
    }

    // A page without a size leaves a plain bar behind, not a busy animation.
    void pageWithoutSizeKeepsTheBarDeterminate()
    {
        servePages("2.17");
        HttpTestServer::Answer info;
        info.body = updatePage({{"Product", "Zavolin"}, {"Version", "2.17"}});
        info.announceLength = false;
        m_server->setAnswer("/update.htm", info);
        openForm();
        clickUpdate();
        answerOk(u"Ваша версия программы не нуждается в обновлении!"_s);
        waitIdle();
        QCOMPARE(m_form->progressBar()->minimum(), 0);
        QCOMPARE(m_form->progressBar()->maximum(), 100);
        QCOMPARE(m_form->progressBar()->value(), 0);
    }

    void existingFileAsksBeforeReplacing()
    {
        QFile old(downloaded());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        servePages("2.18");
        openForm();
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            clickUpdate();
            answerAvailable(QMessageBox::Yes);
            answerReadInfo(QMessageBox::No);
            answerOk(u"Файл будет загружен в %1"_s.arg(downloaded()));
            answerBox(u"Файл %1 уже существует. Перезаписать его?"_s.arg(downloaded()), QMessageBox::Question,
                      u"Внимание"_s, QMessageBox::Yes | QMessageBox::No, answer);
            if (answer == QMessageBox::No) {
                answerOk(u"Не удалось подключиться к серверу!"_s, QMessageBox::Critical, u"Ошибка"_s);
                waitIdle();
                QCOMPARE(m_server->requestsFor("/zavolin-2.18.tar.gz"), 0);
                QCOMPARE(QFileInfo(downloaded()).size(), 3);
            } else {
                answerOk(u"Загрузка завершена!"_s);
                QTRY_COMPARE(QFileInfo(downloaded()).size(), 4000);
            }
        }
    }

    void missingAddressIsNamed()
    {
        IniFile(settingsPath()).deleteKey(u"Update", u"InfoURL");
        openForm();
        clickUpdate();
        QTRY_VERIFY(MessageBoxProbe::open(m_form));
        QVERIFY(MessageBoxProbe::open(m_form)->text().contains(u"InfoURL"_s));
        QVERIFY(m_server->requests().isEmpty());
    }
};

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
