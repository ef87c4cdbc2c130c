#include "SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Players that read a file and exit when it has been played, in the order
// they are tried: PulseAudio (also served by PipeWire), PipeWire, ALSA.
const QString kPaplay = u"paplay"_s;
const QString kPwPlay = u"pw-play"_s;
const QString kAplay = u"aplay"_s;
// Plays a sound of the user's chosen theme by its name.
const QString kThemePlayer = u"canberra-gtk-play"_s;
const QString kMessageSoundName = u"message-new-instant"_s;

bool isWaveFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(12);
    return header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
}

QString existingFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.absoluteFilePath() : QString();
}

// Windows finds "utopia default.wav" when the file is "Utopia Default.wav".
QString fileInFolder(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QString exact = existingFile(dir.filePath(name));
    if (!exact.isEmpty() || name.contains(u'/'))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return existingFile(dir.filePath(entry));
    }
    return {};
}

QList<SoundCommand> playersFor(const QString &file, const SoundSearch &search)
{
    QList<SoundCommand> commands;
    const QString paplay = search.findProgram(kPaplay);
    if (!paplay.isEmpty())
        commands.append({paplay, {u"--property=media.role=event"_s, file}});
    const QString pwPlay = search.findProgram(kPwPlay);
    if (!pwPlay.isEmpty())
        commands.append({pwPlay, {file}});
    // aplay reads wave files only, not the Ogg files of sound themes.
    const QString aplay = search.findProgram(kAplay);
    if (!aplay.isEmpty() && isWaveFile(file))
        commands.append({aplay, {u"-q"_s, file}});
    return commands;
}

} // namespace

SoundCommand::SoundCommand(const QString &program, const QStringList &arguments)
    : m_program(program), m_arguments(arguments)
{
}

ProcessSoundLauncher::ProcessSoundLauncher(QObject *parent)
    : SoundLauncher(parent), m_timeLimit(new QTimer(this))
{
    m_timeLimit->setSingleShot(true);
    m_timeLimit->setInterval(kDefaultTimeLimitMs);
    connect(m_timeLimit, &QTimer::timeout, this, [this] { report(true); });
}

ProcessSoundLauncher::~ProcessSoundLauncher()
{
    stop();
}

void ProcessSoundLauncher::setTimeLimit(int milliseconds)
{
    m_timeLimit->setInterval(milliseconds);
}

void ProcessSoundLauncher::start(const SoundCommand &command)
{
    stop();
    m_process = new QProcess(this);
    m_process->setProgram(command.program());
    m_process->setArguments(command.arguments());
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    QProcess *process = m_process;
    connect(process, &QProcess::finished, this, [this, process](int exitCode, QProcess::ExitStatus status) {
        if (process == m_process)
            report(status == QProcess::NormalExit && exitCode == 0);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (process == m_process && error == QProcess::FailedToStart)
            report(false);
    });
    m_timeLimit->start();
    m_process->start();
}

void ProcessSoundLauncher::stop()
{
    m_timeLimit->stop();
    if (!m_process)
        return;
    QProcess *process = m_process;
    m_process = nullptr;
    disconnect(process, nullptr, this, nullptr);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // Reaped once it has died; until then it stays a child of this launcher.
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->kill();
}

void ProcessSoundLauncher::report(bool played)
{
    stop();
    Q_EMIT finished(played);
}

SoundSearch SoundSearch::fromSystem(const QStringList &fileFolders)
{
    SoundSearch search;
    search.setFileFolders(fileFolders);
    search.setThemeFolders(QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, u"sounds"_s,
                                                     QStandardPaths::LocateDirectory));
    search.setProgramFinder([](const QString &name) { return QStandardPaths::findExecutable(name); });
    search.setHasDisplay(!qEnvironmentVariableIsEmpty("DISPLAY")
                         || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
    return search;
}

QString SoundSearch::findProgram(const QString &name) const
{
    return m_findProgram ? m_findProgram(name) : QString();
}

namespace SoundFiles {

QString resolve(const QString &setting, const SoundSearch &search)
{
    QString name = setting.trimmed();
    if (name.contains(u'\\'))
        name = name.mid(name.lastIndexOf(u'\\') + 1);
    if (name.isEmpty())
        return {};
    QString found;
    if (QDir::isAbsolutePath(name)) {
        found = existingFile(name);
    } else {
        const QStringList folders = search.fileFolders();
        for (const QString &folder : folders) {
            found = fileInFolder(folder, name);
            if (!found.isEmpty())
                break;
        }
    }
    return !found.isEmpty() && isWaveFile(found) ? found : QString();
}

QString themeMessageSound(const SoundSearch &search)
{
    // Every theme inherits from "freedesktop", which holds these names.
    const QStringList names = {kMessageSoundName, u"message"_s, u"bell"_s, u"complete"_s};
    const QStringList extensions = {u".oga"_s, u".ogg"_s, u".wav"_s};
    const QStringList folders = search.themeFolders();
    for (const QString &name : names) {
        for (const QString &folder : folders) {
            for (const QString &extension : extensions) {
                const QString file = existingFile(folder + u"/freedesktop/stereo/"_s + name + extension);
                if (!file.isEmpty())
                    return file;
            }
        }
    }
    return {};
}

QList<SoundCommand> commandsFor(const QString &setting, const SoundSearch &search)
{
    QList<SoundCommand> commands;
    const QString file = resolve(setting, search);
    if (!file.isEmpty())
        commands += playersFor(file, search);
    const QString themePlayer = search.findProgram(kThemePlayer);
    if (search.hasDisplay() && !themePlayer.isEmpty())
        commands.append({themePlayer, {u"-i"_s, kMessageSoundName, u"-d"_s, u"Zavolin"_s}});
    const QString fallback = themeMessageSound(search);
    if (!fallback.isEmpty())
        commands += playersFor(fallback, search);
    return commands;
}

} // namespace SoundFiles

SoundPlayer::SoundPlayer(QObject *parent)
    : SoundPlayer(SoundSearch::fromSystem({QCoreApplication::applicationDirPath()}),
                  std::make_unique<ProcessSoundLauncher>(), parent)
{
}

SoundPlayer::SoundPlayer(const SoundSearch &search, std::unique_ptr<SoundLauncher> launcher, QObject *parent)
    : QObject(parent), m_search(search), m_launcher(std::move(launcher))
{
    connect(m_launcher.get(), &SoundLauncher::finished, this, &SoundPlayer::onFinished);
}

SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::setFileFolders(const QStringList &folders)
{
    m_search.setFileFolders(folders);
}

void SoundPlayer::play(const QString &fileName)
{
    m_pending = SoundFiles::commandsFor(fileName, m_search);
    if (m_pending.isEmpty())
        m_launcher->stop();
    else
        startNext();
}

void SoundPlayer::stop()
{
    m_pending.clear();
    m_launcher->stop();
}

void SoundPlayer::startNext()
{
    m_launcher->start(m_pending.takeFirst());
}

void SoundPlayer::onFinished(bool played)
{
    if (played || m_pending.isEmpty()) {
        m_pending.clear();
        return;
    }
    startNext();
}
