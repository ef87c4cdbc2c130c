#include "SoundPlayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records what it is asked to start; the test says how each command ends.
class FakeLauncher : public SoundLauncher
{
public:
    void start(const SoundCommand &command) override
    {
        m_started.append(command);
        m_running = true;
    }
    void stop() override
    {
        m_running = false;
        ++m_stops;
    }
    void end(bool played)
    {
        QVERIFY(m_running);
        m_running = false;
        Q_EMIT finished(played);
    }

    QList<SoundCommand> started() const { return m_started; }
    bool running() const { return m_running; }
    int stops() const { return m_stops; }

private:
    QList<SoundCommand> m_started;
    bool m_running = false;
    int m_stops = 0;
};

QByteArray waveBytes()
{
    // 44-byte header of an empty 8 kHz mono 8-bit PCM file.
    QByteArray wave("RIFF");
    wave += QByteArray::fromHex("24000000") + "WAVEfmt " + QByteArray::fromHex("1000000001000100401f0000401f000001000800")
            + "data" + QByteArray::fromHex("00000000");
    return wave;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class Machine
{
public:
    Machine()
    {
        m_data = m_root.filePath(u"data"_s);
        m_exe = m_root.filePath(u"bin"_s);
        m_themes = m_root.filePath(u"share/sounds"_s);
        QDir().mkpath(m_data);
        QDir().mkpath(m_exe);
        QDir().mkpath(m_themes);
    }

    QString data(const QString &name) const { return m_data + u'/' + name; }
    QString exe(const QString &name) const { return m_exe + u'/' + name; }
    QString theme(const QString &name) const { return m_themes + u"/freedesktop/stereo/"_s + name; }
    QString path(const QString &name) const { return m_root.filePath(name); }

    // programs: the players this machine has, installed under /usr/bin.
    SoundSearch search(const QStringList &programs, bool display = true) const
    {
        SoundSearch search;
        search.setFileFolders({m_data, m_exe});
        search.setThemeFolders({m_root.filePath(u"nowhere"_s), m_themes});
        search.setProgramFinder([programs](const QString &name) {
            return programs.contains(name) ? u"/usr/bin/"_s + name : QString();
        });
        search.setHasDisplay(display);
        return search;
    }

private:
    QTemporaryDir m_root;
    QString m_data;
    QString m_exe;
    QString m_themes;
};

const QStringList kAllPlayers = {u"paplay"_s, u"pw-play"_s, u"aplay"_s, u"canberra-gtk-play"_s};

QList<SoundCommand> filePlayers(const QString &file, bool wave = true)
{
    QList<SoundCommand> commands = {{u"/usr/bin/paplay"_s, {u"--property=media.role=event"_s, file}},
                                    {u"/usr/bin/pw-play"_s, {file}}};
    if (wave)
        commands.append({u"/usr/bin/aplay"_s, {u"-q"_s, file}});
    return commands;
}

const SoundCommand kThemeCommand(u"/usr/bin/canberra-gtk-play"_s,
                                 {u"-i"_s, u"message-new-instant"_s, u"-d"_s, u"Zavolin"_s});

QString shellScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

// The pid a script wrote; empty until the shell has written it whole.
bool pidWritten(const QString &pidFile)
{
    QFile file(pidFile);
    return file.open(QIODevice::ReadOnly) && file.readAll().endsWith('\n');
}

bool processAlive(const QString &pidFile)
{
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly))
        return true; // not started yet
    const QByteArray pid = file.readAll().trimmed();
    return QFileInfo::exists(u"/proc/"_s + QString::fromLatin1(pid));
}

} // namespace

class TestSoundPlayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bareNameIsFoundInTheFoldersInOrder()
    {
        Machine machine;
        writeFile(machine.exe(u"Utopia Default.wav"_s), waveBytes());
        const SoundSearch search = machine.search(kAllPlayers);
        QCOMPARE(SoundFiles::resolve(u"Utopia Default.wav"_s, search), machine.exe(u"Utopia Default.wav"_s));
        // A copy in the data folder wins over the one beside the executable.
        writeFile(machine.data(u"Utopia Default.wav"_s), waveBytes());
        QCOMPARE(SoundFiles::resolve(u"Utopia Default.wav"_s, search), machine.data(u"Utopia Default.wav"_s));
    }

    void settingsFindTheirFile_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected"); // relative to the machine's root, empty for none
        QTest::newRow("bare name") << u"ding.wav"_s << u"data/ding.wav"_s;
        QTest::newRow("case ignored as on Windows") << u"DING.WAV"_s << u"data/ding.wav"_s;
        QTest::newRow("Windows path") << u"C:\\WINDOWS\\Media\\ding.wav"_s << u"data/ding.wav"_s;
        QTest::newRow("relative path") << u"sub/chime.wav"_s << u"bin/sub/chime.wav"_s;
        QTest::newRow("blanks around") << u"  ding.wav "_s << u"data/ding.wav"_s;
        QTest::newRow("missing") << u"gone.wav"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("Windows folder only") << u"C:\\Media\\"_s << QString();
        QTest::newRow("not a wave file") << u"notes.wav"_s << QString();
        QTest::newRow("a folder") << u"folder.wav"_s << QString();
    }

    void settingsFindTheirFile()
    {
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        Machine machine;
        writeFile(machine.data(u"ding.wav"_s), waveBytes());
        writeFile(machine.exe(u"sub/chime.wav"_s), waveBytes());
        writeFile(machine.data(u"notes.wav"_s), "ID3\x03 not a wave at all");
        QDir().mkpath(machine.data(u"folder.wav"_s));
        const QString found = SoundFiles::resolve(setting, machine.search(kAllPlayers));
        QCOMPARE(found, expected.isEmpty() ? QString() : machine.path(expected));
    }

    void absolutePathIsTakenAsItIs()
    {
        Machine machine;
        const QString file = machine.path(u"elsewhere/My Sound.wav"_s);
        writeFile(file, waveBytes());
        QCOMPARE(SoundFiles::resolve(file, machine.search(kAllPlayers)), file);
        QCOMPARE(SoundFiles::resolve(machine.path(u"elsewhere/none.wav"_s), machine.search(kAllPlayers)),
                 QString());
    }

    void fileThenDesktopSoundWithEveryPlayer()
    {
        Machine machine;
        writeFile(machine.data(u"ding.wav"_s), waveBytes());
        writeFile(machine.theme(u"message-new-instant.oga"_s), "OggS");
        const QString theme = machine.theme(u"message-new-instant.oga"_s);
        const QList<SoundCommand> expected = filePlayers(machine.data(u"ding.wav"_s)) + QList{kThemeCommand}
                                             + filePlayers(theme, false);
        QCOMPARE(SoundFiles::commandsFor(u"ding.wav"_s, machine.search(kAllPlayers)), expected);
    }

    void missingFilePlaysTheDesktopSound()
    {
        Machine machine;
        writeFile(machine.theme(u"message-new-instant.oga"_s), "OggS");
        const QString theme = machine.theme(u"message-new-instant.oga"_s);
        QCOMPARE(SoundFiles::commandsFor(u"Utopia Default.wav"_s, machine.search(kAllPlayers)),
                 QList{kThemeCommand} + filePlayers(theme, false));
        // Without a desktop session the theme player is left out.
        QCOMPARE(SoundFiles::commandsFor(u"Utopia Default.wav"_s, machine.search(kAllPlayers, false)),
                 filePlayers(theme, false));
    }

    void themeSoundsAreTriedByName()
    {
        Machine machine;
        writeFile(machine.theme(u"bell.oga"_s), "OggS");
        QCOMPARE(SoundFiles::themeMessageSound(machine.search({})), machine.theme(u"bell.oga"_s));
        writeFile(machine.theme(u"message.wav"_s), waveBytes());
        QCOMPARE(SoundFiles::themeMessageSound(machine.search({})), machine.theme(u"message.wav"_s));
        writeFile(machine.theme(u"message-new-instant.ogg"_s), "OggS");
        QCOMPARE(SoundFiles::themeMessageSound(machine.search({})), machine.theme(u"message-new-instant.ogg"_s));
    }

    void onlyTheWavePlayerForWaveFiles()
    {
        Machine machine;
        writeFile(machine.data(u"ding.wav"_s), waveBytes());
        writeFile(machine.theme(u"message-new-instant.oga"_s), "OggS");
        const QList<SoundCommand> expected = {{u"/usr/bin/aplay"_s, {u"-q"_s, machine.data(u"ding.wav"_s)}}};
        QCOMPARE(SoundFiles::commandsFor(u"ding.wav"_s, machine.search({u"aplay"_s})), expected);
    }

    void nothingToPlayIsNoCommand()
    {
        Machine machine;
        writeFile(machine.data(u"ding.wav"_s), waveBytes());
        QVERIFY(SoundFiles::commandsFor(u"ding.wav"_s, machine.search({})).isEmpty());
        QVERIFY(SoundFiles::commandsFor(u"gone.wav"_s, machine.search(kAllPlayers, false)).isEmpty());

        auto launcher = std::make_unique<FakeLauncher>();
        FakeLauncher *fake = launcher.get();
        SoundPlayer player(machine.search({}), std::move(launcher));
        player.play(u"ding.wav"_s);
        QVERIFY(fake->started().isEmpty());
        QVERIFY(!fake->running());
    }

    void failedCommandsFallBackInOrder()
    {
        Machine machine;
        writeFile(machine.data(u"ding.wav"_s), waveBytes());
        writeFile(machine.theme(u"message-new-instant.oga"_s), "OggS");
        const QList<SoundCommand> chain = SoundFiles::commandsFor(u"ding.wav"_s, machine.search(kAllPlayers));
        QCOMPARE(chain.size(), 6);

        auto launcher = std::make_unique<FakeLauncher>();
        FakeLauncher *fake = launcher.get();
        SoundPlayer player(machine.search(kAllPlayers), std::move(launcher));
        player.play(u"ding.wav"_s);
        QCOMPARE(fake->started(), chain.mid(0, 1));
        fake->end(false);
        fake->end(false);
        QCOMPARE(fake->started(), chain.mid(0, 3));
        fake->end(true); // aplay played: the desktop sound is not tried
        QCOMPARE(fake->started().size(), 3);
        QVERIFY(!fake->running());

        // Every command failing ends the chain quietly.
        player.play(u"ding.wav"_s);
        for (int i = 0; i < chain.size(); ++i)
            fake->end(false);
        QCOMPARE(fake->started().size(), 3 + chain.size());
        QCOMPARE(fake->started().mid(3), chain);
        QVERIFY(!fake->running());
    }

    void newSoundReplacesTheOneStillTrying()
    {
        Machine machine;
        writeFile(machine.data(u"one.wav"_s), waveBytes());
        writeFile(machine.data(u"two.wav"_s), waveBytes());
        auto launcher = std::make_unique<FakeLauncher>();
        FakeLauncher *fake = launcher.get();
        SoundPlayer player(machine.search({u"pw-play"_s, u"aplay"_s}), std::move(launcher));
        player.play(u"one.wav"_s);
        player.play(u"two.wav"_s);
        fake->end(false);
        const QList<SoundCommand> expected = {{u"/usr/bin/pw-play"_s, {machine.data(u"one.wav"_s)}},
                                              {u"/usr/bin/pw-play"_s, {machine.data(u"two.wav"_s)}},
                                              {u"/usr/bin/aplay"_s, {u"-q"_s, machine.data(u"two.wav"_s)}}};
        QCOMPARE(fake->started(), expected);

        player.stop();
        QVERIFY(!fake->running());
        QVERIFY(fake->stops() > 0);
    }

    void processLauncherReportsHowTheProgramEnded()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"log"_s);
        const QString ok = shellScript(dir.filePath(u"ok"_s), "echo \"$@\" >> '" + log.toUtf8() + "'; echo noise; echo more >&2");
        const QString fail = shellScript(dir.filePath(u"fail"_s), "exit 3");

        ProcessSoundLauncher launcher;
        QSignalSpy spy(&launcher, &SoundLauncher::finished);
        launcher.start({ok, {u"-q"_s, u"/a b.wav"_s}});
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.takeFirst().at(0).toBool(), true);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("-q /a b.wav\n"));

        launcher.start({fail, {}});
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.takeFirst().at(0).toBool(), false);

        launcher.start({dir.filePath(u"no-such-player"_s), {}});
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.takeFirst().at(0).toBool(), false);
    }

    void processLauncherEndsLongSounds()
    {
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(u"pid"_s);
        const QString endless = shellScript(dir.filePath(u"endless"_s),
                                            "echo $$ > '" + pidFile.toUtf8() + "'; exec sleep 600");
        ProcessSoundLauncher launcher;
        launcher.setTimeLimit(300);
        QSignalSpy spy(&launcher, &SoundLauncher::finished);
        launcher.start({endless, {}});
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.takeFirst().at(0).toBool(), true); // it played until the limit
        QTRY_VERIFY(!processAlive(pidFile));
    }

    void processLauncherStopsSilently()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(u"first"_s);
        const QString second = dir.filePath(u"second"_s);
        const QString endless1 = shellScript(dir.filePath(u"e1"_s), "echo $$ > '" + first.toUtf8() + "'; exec sleep 600");
        const QString endless2 = shellScript(dir.filePath(u"e2"_s), "echo $$ > '" + second.toUtf8() + "'; exec sleep 600");
        auto launcher = std::make_unique<ProcessSoundLauncher>();
        QSignalSpy spy(launcher.get(), &SoundLauncher::finished);
        launcher->start({endless1, {}});
        QTRY_VERIFY(pidWritten(first)); // killed before it is written, it could never be found gone
        launcher->start({endless2, {}});
        QTRY_VERIFY(!processAlive(first));
        QTRY_VERIFY(pidWritten(second));
        launcher->stop();
        QTRY_VERIFY(!processAlive(second));
        QCOMPARE(spy.size(), 0);

        // Going away while a sound plays ends it too.
        QFile::remove(first); // before the start: the script may write it at once
        launcher->start({endless1, {}});
        QTRY_VERIFY(pidWritten(first));
        QTRY_VERIFY(processAlive(first));
        // Qt kills and reaps a process whose owner goes away, and says so.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"QProcess: Destroyed while process"_s));
        launcher.reset();
        QTRY_VERIFY(!processAlive(first));
        QCOMPARE(spy.size(), 0);
    }

    void playerFallsBackThroughRealPrograms()
    {
        Machine machine;
        QTemporaryDir dir;
        const QString log = dir.filePath(u"log"_s);
        const QByteArray append = "echo \"$0 $*\" >> '" + log.toUtf8() + "'";
        const QString broken = shellScript(dir.filePath(u"paplay"_s), append + "; exit 1");
        const QString working = shellScript(dir.filePath(u"pw-play"_s), append);
        writeFile(machine.exe(u"Utopia Default.wav"_s), waveBytes());
        writeFile(machine.data(u"Utopia Default.wav"_s), waveBytes()); // not searched below

        SoundSearch search = machine.search({});
        search.setProgramFinder([&](const QString &name) {
            return name == u"paplay"_s ? broken : name == u"pw-play"_s ? working : QString();
        });
        auto launcher = std::make_unique<ProcessSoundLauncher>();
        QSignalSpy spy(launcher.get(), &SoundLauncher::finished);
        SoundPlayer player(search, std::move(launcher));
        player.setFileFolders({machine.path(u"nowhere"_s), machine.exe(QString())});
        player.play(u"Utopia Default.wav"_s);
        QTRY_COMPARE(spy.size(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        QCOMPARE(spy.at(1).at(0).toBool(), true);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString wave = machine.exe(u"Utopia Default.wav"_s);
        QCOMPARE(QString::fromUtf8(file.readAll()),
                 broken + u" --property=media.role=event "_s + wave + u'\n' + working + u' ' + wave + u'\n');
    }

    void systemSearchLooksAtThisMachine()
    {
        // Only looks: a test must not make a sound on a developer's desktop.
        const SoundSearch search = SoundSearch::fromSystem({QDir::tempPath()});
        QCOMPARE(search.fileFolders(), QStringList{QDir::tempPath()});
        QVERIFY(!search.findProgram(u"sh"_s).isEmpty());
        QVERIFY(search.findProgram(u"no-such-player-here"_s).isEmpty());
        for (const QString &folder : search.themeFolders())
            QVERIFY(folder.endsWith(u"/sounds"_s));
    }
};

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
