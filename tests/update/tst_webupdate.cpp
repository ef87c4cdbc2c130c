#include "HttpTestServer.h"
#include "WebUpdate.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(VersionFormat)

namespace {

// What a check said, in order, with the answers the test gives.
struct Recorder
{
    QStringList events;
    QList<QPair<qint64, qint64>> progress;
    bool canUpdate = true;
    bool showInfo = false;
    bool overwrite = false;
    InfoRequest shownInfo;

    WebUpdateEvents events_()
    {
        WebUpdateEvents e;
        e.downloadError = [this] { events << u"error"_s; };
        e.noUpdateFound = [this] { events << u"no update"_s; };
        e.updateAvailable = [this](const QString &actual, const QString &newer, Answer<bool> answer) {
            events << u"available %1 %2"_s.arg(actual, newer);
            answer(canUpdate);
        };
        e.beforeShowInfo = [this](Answer<bool, bool> answer) {
            events << u"show info?"_s;
            answer(showInfo, true);
        };
        e.showInfo = [this](const InfoRequest &request, Answer<bool, bool> answer) {
            events << u"info"_s;
            shownInfo = request;
            answer(true, request.checkForUpdate);
        };
        e.clientFileExists = [this](const QString &fileName, bool initial, Answer<QString, bool> answer) {
            events << u"exists %1 %2"_s.arg(QFileInfo(fileName).fileName()).arg(initial);
            answer(fileName, overwrite);
        };
        e.beforeDownload = [this](const QString &fileName) { events << u"download "_s + QFileInfo(fileName).fileName(); };
        e.download = [this](qint64 total, qint64 received) { progress.append({total, received}); };
        e.afterDownload = [this](const QString &, Answer<> done) {
            events << u"done"_s;
            done();
        };
        e.runUpdate = [this](const QString &fileName, const QString &parameters) {
            events << u"run %1 %2"_s.arg(QFileInfo(fileName).fileName(), parameters);
        };
        return e;
    }
};

QByteArray installer(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 26);
    return bytes;
}

} // namespace

// The check against a scripted server on loopback: pages, versions,
// redirections, downloads whole and broken, and what is left on disk.
class TestWebUpdate : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<HttpTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TWebUpdate> m_update;
    Recorder m_rec;

    QByteArray page(const QByteArray &version, const QByteArray &clientName = "zavolin-new.tar.gz")
    {
        return updatePage({{"wuProduct", "Zavolin"},
                           {"wuVersion", version},
                           {"wuDownload", m_server->url("/files/new.tgz", false).toLatin1()},
                           {"wuClientSideName", clientName},
                           {"wuRunParameters", "--quiet"}});
    }

    // Runs a check from `path` and waits for its end; returns whether a file arrived.
    bool check(const QByteArray &path = "/update.htm")
    {
        QSignalSpy finished(m_update.get(), &TWebUpdate::finished);
        m_update->setProductUrl(m_server->url(path, false));
        if (!m_update->CheckUpdate())
            return false;
        if (!finished.wait(20000))
            return false;
        return finished.first().first().toBool();
    }

    QStringList folderEntries() const
    {
        return QDir(m_folder->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<HttpTestServer>();
        m_folder = std::make_unique<QTemporaryDir>();
        m_update = std::make_unique<TWebUpdate>();
        m_update->setProductVersion(u"2.17"_s);
        m_update->setDownloadFolder(m_folder->path());
        m_rec = Recorder();
        m_update->setEvents(m_rec.events_());
    }

    void cleanup()
    {
        m_update.reset();
        m_server.reset();
        m_folder.reset();
    }

    void versionsDecideWhetherToOffer_data()
    {
        QTest::addColumn<VersionFormat>("format");
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("offered");
        for (auto [format, label, older] : {std::tuple{VersionFormat::vfStandard, "standard", "2.9"},
                                            std::tuple{VersionFormat::vfString, "string", "2.1"},
                                            std::tuple{VersionFormat::vfNumber, "number", "2.017"}}) {
            QTest::addRow("%s same", label) << format << QByteArray("2.17") << false;
            QTest::addRow("%s older", label) << format << QByteArray(older) << false;
            QTest::addRow("%s newer", label) << format << QByteArray("2.18") << true;
        }
    }

    void versionsDecideWhetherToOffer()
    {
        QFETCH(VersionFormat, format);
        QFETCH(QByteArray, version);
        QFETCH(bool, offered);
        m_server->setPage("/update.htm", page(version));
        m_update->setVersionFormat(format);
        m_rec.canUpdate = false;
        QVERIFY(!check());
        const QString expected = offered ? u"available 2.17 "_s + QString::fromLatin1(version) : u"no update"_s;
        QCOMPARE(m_rec.events, QStringList{expected});
        QCOMPARE(m_server->requestsFor("/files/new.tgz"), 0);
        QVERIFY(!m_update->isBusy());
    }

    void requestIsFromTheServerWithOurAgent()
    {
        m_server->setPage("/update.htm", page("2.17"));
        check();
        QCOMPARE(m_server->requests().size(), 1);
        const auto &headers = m_server->requests().first().headers;
        QCOMPARE(headers.value("user-agent"), QByteArray("TWebUpdate"));
        QCOMPARE(headers.value("cache-control"), QByteArray("no-cache"));
        QCOMPARE(headers.value("accept"), QByteArray("*/*"));
        QCOMPARE(headers.value("accept-encoding"), QByteArray("identity"));
        QVERIFY(!m_rec.progress.isEmpty());
    }

    void pagesThatFailSayItOnce_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no tags") << 200 << QByteArray("<html><body>Nothing here</body></html>");
        QTest::newRow("product without version")
            << 200 << updatePage({{"wuProduct", "Zavolin"}, {"wuversion", "9.0"}});
        QTest::newRow("empty page") << 200 << QByteArray();
        // An error page must not count, even when it happens to carry the tags.
        QTest::newRow("error page with tags") << 404 << updatePage({{"wuProduct", "Z"}, {"wuVersion", "9.0"}});
        QTest::newRow("server error") << 500 << QByteArray("<html>oops</html>");
    }

    void pagesThatFailSayItOnce()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        m_server->setPage("/update.htm", body, status);
        QVERIFY(!check());
        QCOMPARE(m_rec.events, QStringList{u"error"_s});
    }

    void unreachableServerSaysItOnce()
    {
        const QString address = m_server->url("/update.htm", false);
        m_server.reset(); // nobody listens on that port any more
        QSignalSpy finished(m_update.get(), &TWebUpdate::finished);
        m_update->setProductUrl(address);
        QVERIFY(m_update->CheckUpdate());
        QVERIFY(finished.wait(20000));
        QCOMPARE(m_rec.events, QStringList{u"error"_s});
    }

    void httpRedirectionsAreFollowedUpToABound()
    {
        m_server->setRedirect("/update.htm", m_server->url("/moved.htm").toLatin1());
        m_server->setPage("/moved.htm", page("2.17"));
        check();
        QCOMPARE(m_rec.events, QStringList{u"no update"_s});

        m_rec.events.clear();
        m_server->setRedirect("/a.htm", m_server->url("/b.htm").toLatin1());
        m_server->setRedirect("/b.htm", m_server->url("/a.htm").toLatin1());
        QVERIFY(!check("/a.htm"));
        QCOMPARE(m_rec.events, QStringList{u"error"_s});
        // Five redirections; the network layer may resend a request once on a closed connection.
        QVERIFY(m_server->requestsFor("/a.htm") + m_server->requestsFor("/b.htm") <= 2 * 6);
    }

    void pageRedirectionTakesEveryValueFromTheNextPage()
    {
        m_server->setPage("/update.htm",
                          updatePage({{"wuProduct", "Old"}, {"wuVersion", "9.0"},
                                      {"wuRedirection", m_server->url("/next.htm", false).toLatin1()}}));
        m_server->setPage("/next.htm", page("2.18", "next.tgz"));
        m_rec.canUpdate = true;
        m_rec.showInfo = true;
        m_server->setPage("/files/new.tgz", installer(100));
        QVERIFY(check());
        QCOMPARE(m_update->pageValues().productName, u"Zavolin"_s);
        QCOMPARE(m_rec.events.first(), u"available 2.17 2.18"_s);
        // The information shown is the page the values came from.
        QCOMPARE(m_rec.shownInfo.address, m_server->url("/next.htm"));
        QVERIFY(m_rec.shownInfo.pageText.contains(u"next.tgz"_s));
        QCOMPARE(m_rec.shownInfo.okCaption, u"&OK"_s);
    }

    void pageRedirectionLoopsEnd()
    {
        m_server->setPage("/a.htm", updatePage({{"wuRedirection", m_server->url("/b.htm", false).toLatin1()}}));
        m_server->setPage("/b.htm", updatePage({{"wuRedirection", m_server->url("/a.htm", false).toLatin1()}}));
        QVERIFY(!check("/a.htm"));
        QCOMPARE(m_rec.events, QStringList{u"error"_s});
        QCOMPARE(m_server->requests().size(), 2);

        // A chain without repeats ends at its bound.
        m_rec.events.clear();
        for (int i = 0; i < 10; ++i) {
            const QByteArray next = m_server->url("/p" + QByteArray::number(i + 1), false).toLatin1();
            m_server->setPage("/p" + QByteArray::number(i), updatePage({{"wuRedirection", next}}));
        }
        QVERIFY(!check("/p0"));
        QCOMPARE(m_rec.events, QStringList{u"error"_s});
        QCOMPARE(m_server->requestsFor("/p" + QByteArray::number(TWebUpdate::kMaxPages)), 0);
    }

    void newerVersionIsDownloadedWhole()
    {
        const QByteArray bytes = installer(300000);
        HttpTestServer::Answer file;
        file.body = bytes;
        file.chunkBytes = 50000;
        m_server->setAnswer("/files/new.tgz", file);
        m_server->setPage("/update.htm", page("2.18"));
        QVERIFY(check());
        QCOMPARE(m_rec.events, (QStringList{u"available 2.17 2.18"_s, u"show info?"_s,
                                            u"download zavolin-new.tar.gz"_s, u"done"_s,
                                            u"run zavolin-new.tar.gz --quiet"_s}));
        QFile saved(QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), bytes);
        QCOMPARE(folderEntries(), QStringList{u"zavolin-new.tar.gz"_s});
        // Progress per arrival, growing to the whole size.
        QVERIFY(m_rec.progress.size() > 2);
        QCOMPARE(m_rec.progress.last(), (QPair<qint64, qint64>(bytes.size(), bytes.size())));
        QCOMPARE(m_update->clientFileName(), saved.fileName());
    }

    void brokenDownloadsLeaveNothing_data()
    {
        QTest::addColumn<bool>("announce");
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<int>("status");
        QTest::newRow("no content length") << false << qint64(-1) << 200;
        QTest::newRow("short download") << true << qint64(5000) << 200;
        QTest::newRow("above the size limit") << true << qint64(-1) << 200;
        QTest::newRow("error page instead of the file") << true << qint64(-1) << 404;
    }

    void brokenDownloadsLeaveNothing()
    {
        QFETCH(bool, announce);
        QFETCH(qint64, announced);
        QFETCH(int, status);
        HttpTestServer::Answer file;
        file.status = status;
        file.body = installer(3000);
        file.announceLength = announce;
        file.announcedLength = announced;
        file.chunkBytes = 1000;
        m_server->setAnswer("/files/new.tgz", file);
        m_server->setPage("/update.htm", page("2.18"));
        HttpFetch::Limits limits;
        limits.fileBytes = QByteArray(QTest::currentDataTag()) == "above the size limit" ? 2999 : limits.fileBytes;
        m_update->setLimits(limits);
        QVERIFY(!check());
        QCOMPARE(m_rec.events.last(), u"error"_s);
        QVERIFY(!m_rec.events.contains(u"done"_s));
        QCOMPARE(m_server->requestsFor("/files/new.tgz"), 1);
        QCOMPARE(folderEntries(), QStringList());
    }

    // A server that compresses what the client accepts compressed: asked for
    // the bytes as they are, it sends them with their size.
    void compressingServerSendsTheBytesAsTheyAre()
    {
        const QByteArray bytes = installer(50000);
        HttpTestServer::Answer info;
        info.body = page("2.18");
        info.compression = HttpTestServer::Compression::WhenAsked;
        m_server->setAnswer("/update.htm", info);
        HttpTestServer::Answer file;
        file.body = bytes;
        file.compression = HttpTestServer::Compression::WhenAsked;
        m_server->setAnswer("/files/new.tgz", file);
        QVERIFY(check());
        QFile saved(QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), bytes);

        // One that compresses whatever it is asked: refused, nothing kept.
        saved.close();
        QVERIFY(saved.remove());
        m_rec.events.clear();
        file.compression = HttpTestServer::Compression::Always;
        m_server->setAnswer("/files/new.tgz", file);
        QVERIFY(!check());
        QCOMPARE(m_rec.events.last(), u"error"_s);
        QVERIFY(!m_rec.events.contains(u"done"_s));
        QCOMPARE(folderEntries(), QStringList());
    }

    // A server that keeps a transfer alive with a byte now and then still
    // meets the check's end.
    void drippingServerMeetsTheDeadline_data()
    {
        QTest::addColumn<bool>("file");
        QTest::newRow("page") << false;
        QTest::newRow("download") << true;
    }

    void drippingServerMeetsTheDeadline()
    {
        QFETCH(bool, file);
        HttpTestServer::Answer drip;
        drip.chunkBytes = 1;
        drip.chunkIntervalMs = 100;
        if (file) {
            m_server->setPage("/update.htm", page("2.18"));
            drip.body = installer(100000);
            m_server->setAnswer("/files/new.tgz", drip);
        } else {
            drip.body = page("2.18");
            m_server->setAnswer("/update.htm", drip);
        }
        m_update->setDeadlines({file ? 60000 : 500, file ? 500 : 60000});
        QSignalSpy abandoned(m_server.get(), &HttpTestServer::connectionAbandoned);
        QVERIFY(!check());
        QCOMPARE(m_rec.events.count(u"error"_s), 1);
        QCOMPARE(m_rec.events.last(), u"error"_s);
        QVERIFY(!m_rec.events.contains(u"done"_s));
        QVERIFY(!m_update->isBusy());
        QVERIFY(abandoned.count() > 0 || abandoned.wait(10000));
        QCOMPARE(folderEntries(), QStringList());
    }

    void existingFileIsKeptOrReplacedAsAnswered()
    {
        m_server->setPage("/update.htm", page("2.18"));
        m_server->setPage("/files/new.tgz", installer(1000));
        const QString target = QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s);
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();

        m_rec.overwrite = false;
        QVERIFY(!check());
        QCOMPARE(m_rec.events.mid(2), (QStringList{u"exists zavolin-new.tar.gz 0"_s, u"error"_s}));
        QCOMPARE(m_server->requestsFor("/files/new.tgz"), 0);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
        old.close();

        m_rec.events.clear();
        m_rec.overwrite = true;
        QVERIFY(check());
        QVERIFY(m_rec.events.contains(u"exists zavolin-new.tar.gz 0"_s));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), installer(1000));
        QCOMPARE(folderEntries(), QStringList{u"zavolin-new.tar.gz"_s});
    }

    void failedReplacementKeepsTheExistingFile()
    {
        m_server->setPage("/update.htm", page("2.18"));
        HttpTestServer::Answer file;
        file.body = installer(1000);
        file.announcedLength = 2000;
        m_server->setAnswer("/files/new.tgz", file);
        const QString target = QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s);
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();
        m_rec.overwrite = true;
        QVERIFY(!check());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
        QCOMPARE(folderEntries(), QStringList{u"zavolin-new.tar.gz"_s});
    }

    void hostileClientSideNameStaysInTheFolder()
    {
        QTemporaryDir outside;
        const QByteArray hostile = "../" + QFileInfo(outside.path()).fileName().toLatin1() + "/.bashrc\x01";
        m_server->setPage("/update.htm", page("2.18", hostile));
        m_server->setPage("/files/new.tgz", installer(10));
        QVERIFY(check());
        QCOMPARE(folderEntries(), QStringList{u"bashrc"_s});
        QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());

        m_rec.events.clear();
        m_server->setPage("/update.htm", page("2.18", "../.."));
        QVERIFY(!check());
        QCOMPARE(m_rec.events.last(), u"error"_s);
        QCOMPARE(m_server->requestsFor("/files/new.tgz"), 1);
    }

    void plantedLinkIsReplacedNotFollowed()
    {
        QTemporaryDir elsewhere;
        const QString victim = QDir(elsewhere.path()).filePath(u"victim"_s);
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("precious");
        file.close();
        const QString link = QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s);
        QVERIFY(QFile::link(victim, link));
        m_server->setPage("/update.htm", page("2.18"));
        m_server->setPage("/files/new.tgz", installer(10));
        m_rec.overwrite = true;
        QVERIFY(check());
        QVERIFY(m_rec.events.contains(u"exists zavolin-new.tar.gz 0"_s));
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious"));
    }

    void oneCheckAtATimeAndDestructionCancels()
    {
        HttpTestServer::Answer file;
        file.body = installer(100000);
        file.chunkBytes = 1000;
        file.stallAfterFirstChunk = true;
        m_server->setAnswer("/files/new.tgz", file);
        m_server->setPage("/update.htm", page("2.18"));
        m_update->setProductUrl(m_server->url("/update.htm"));
        QSignalSpy finished(m_update.get(), &TWebUpdate::finished);
        QVERIFY(m_update->CheckUpdate());
        QVERIFY(!m_update->CheckUpdate());
        QTRY_VERIFY(!m_rec.progress.isEmpty() && m_rec.progress.last().first == 100000);
        QVERIFY(!m_update->CheckUpdate());
        // The part received so far never stands under the final name.
        QVERIFY(!QFileInfo::exists(QDir(m_folder->path()).filePath(u"zavolin-new.tar.gz"_s)));

        QSignalSpy abandoned(m_server.get(), &HttpTestServer::connectionAbandoned);
        const QStringList before = m_rec.events;
        m_update.reset();
        QVERIFY(abandoned.wait(10000));
        QCOMPARE(m_rec.events, before);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(folderEntries(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestWebUpdate)
#include "tst_webupdate.moc"
