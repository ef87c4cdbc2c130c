#include "AppPaths.h"
#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Where the program finds the data it ships with: the installed share folder
// or the source tree, never its own folder.
class TestAppPaths : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makeFolder(const QString &relative)
    {
        const QString path = m_dir.filePath(relative);
        if (!QDir().mkpath(path))
            qFatal("cannot create %s", qPrintable(path));
        return QDir(path).canonicalPath();
    }

    static void touch(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_dir.path()));
        AppPaths::setHome({});
    }

    void cleanup()
    {
        AppPaths::setHome({});
    }

    void installedProgramFindsItsShareFolder()
    {
        const QString bin = makeFolder(u"usr/bin"_s);
        const QString share = makeFolder(u"usr/share/zavolin"_s);
        QCOMPARE(AppPaths::shareFolderFor(bin, m_dir.filePath(u"elsewhere/build"_s),
                                          m_dir.filePath(u"elsewhere/data"_s)),
                 share);
        // The executable's folder reached through a link still leads to its prefix.
        QVERIFY(QFile::link(m_dir.filePath(u"usr"_s), m_dir.filePath(u"link"_s)));
        QCOMPARE(AppPaths::shareFolderFor(m_dir.filePath(u"link/bin"_s), {}, {}), share);
    }

    void nothingBesideTheExecutable()
    {
        // Data in bin/ or a share folder under it is not where an installation keeps it.
        const QString bin = makeFolder(u"opt/bin"_s);
        makeFolder(u"opt/bin/share/zavolin"_s);
        touch(bin + u"/oss.lst"_s);
        QCOMPARE(AppPaths::shareFolderFor(bin, {}, {}), QString());
        // A file of that name is not a folder.
        makeFolder(u"opt/share"_s);
        touch(m_dir.filePath(u"opt/share/zavolin"_s));
        QCOMPARE(AppPaths::shareFolderFor(bin, {}, {}), QString());
        QCOMPARE(AppPaths::shareFolderFor(m_dir.filePath(u"missing/bin"_s), {}, {}), QString());
        QCOMPARE(AppPaths::shareFolderFor(QString(), {}, {}), QString());
    }

    void buildFolderReadsTheSourceTree()
    {
        const QString build = makeFolder(u"tree/build"_s);
        const QString data = makeFolder(u"tree/src/data"_s);
        // A share folder beside the build folder does not hide the source data.
        makeFolder(u"tree/share/zavolin"_s);
        QCOMPARE(AppPaths::shareFolderFor(build, build, data), data);
        // Named through a link, the build folder is still recognised.
        QVERIFY(QFile::link(build, m_dir.filePath(u"build-link"_s)));
        QCOMPARE(AppPaths::shareFolderFor(build, m_dir.filePath(u"build-link"_s), data), data);
        // Without the source data, a build runs without shipped data rather
        // than with whatever lies beside it.
        QCOMPARE(AppPaths::shareFolderFor(build, build, m_dir.filePath(u"tree/src/gone"_s)), QString());
        // Another folder than the build folder is judged as an installation.
        const QString bin = makeFolder(u"tree/bin"_s);
        QCOMPARE(AppPaths::shareFolderFor(bin, build, data), QDir(m_dir.filePath(u"tree/share/zavolin"_s)).canonicalPath());
    }

    void ownOperatorListWins()
    {
        const QString home = makeFolder(u"home"_s);
        AppPaths::setHome(home);
        // Neither an own nor a shipped list: the own path, so a message can name it.
        QCOMPARE(AppPaths::operatorDataFile(u"oss.lst"_s), home + u"/oss.lst"_s);
        touch(home + u"/oss.lst"_s);
        QCOMPARE(AppPaths::operatorDataFile(u"oss.lst"_s), home + u"/oss.lst"_s);
    }

    // Folders we make are the owner's only; one the user has (--home) keeps its mode.
    void foldersWeMakeAreTheOwnersOnly()
    {
        const QString given = makeFolder(u"given"_s);
        const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        const auto mode = [](const QString &path) { return QFile::permissions(path) & ~QFile::Permissions(0x0700); };
        QVERIFY(QFile::setPermissions(given, owner | QFile::ReadOther | QFile::ExeOther));
        QVERIFY(PrivateFiles::makeFolder(given + u"/zavolin/data"_s));
        QCOMPARE(mode(given), owner | QFile::ReadOther | QFile::ExeOther);
        QCOMPARE(mode(given + u"/zavolin"_s), owner);
        QCOMPARE(mode(given + u"/zavolin/data"_s), owner);
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_apppaths.moc"
