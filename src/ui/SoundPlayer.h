#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QProcess;
class QTimer;

// One program run that makes a sound.
class SoundCommand
{
public:
    SoundCommand() = default;
    SoundCommand(const QString &program, const QStringList &arguments);

    QString program() const { return m_program; }
    QStringList arguments() const { return m_arguments; }

    bool operator==(const SoundCommand &other) const = default;

private:
    QString m_program;
    QStringList m_arguments;
};

// Runs one sound command at a time, without waiting for it.
class SoundLauncher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts the command; a command still running is ended first, silently.
    virtual void start(const SoundCommand &command) = 0;
    // Ends the running command, if any, silently.
    virtual void stop() = 0;

Q_SIGNALS:
    // Once per started command that was not ended by start() or stop():
    // played is false when the program could not start or reported failure.
    void finished(bool played);
};

// Runs sound commands as child processes with no input and no output; one
// that is still running after the time limit is ended and counts as played.
class ProcessSoundLauncher : public SoundLauncher
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeLimitMs = 30000;

    explicit ProcessSoundLauncher(QObject *parent = nullptr);
    ~ProcessSoundLauncher() override;

    void setTimeLimit(int milliseconds);

    void start(const SoundCommand &command) override;
    void stop() override;

private:
    void report(bool played);

    QProcess *m_process = nullptr; // child of this; the running command
    QTimer *m_timeLimit = nullptr;
};

// Where sounds and players are looked for.
class SoundSearch
{
public:
    using ProgramFinder = std::function<QString(const QString &name)>;

    // The machine's own: programs on PATH, sound themes in the XDG data
    // folders, a display when DISPLAY or WAYLAND_DISPLAY is set.
    static SoundSearch fromSystem(const QStringList &fileFolders);

    // Folders in which a bare or relative file name is looked up, in order.
    QStringList fileFolders() const { return m_fileFolders; }
    void setFileFolders(const QStringList &folders) { m_fileFolders = folders; }

    // Folders holding sound themes (".../share/sounds").
    QStringList themeFolders() const { return m_themeFolders; }
    void setThemeFolders(const QStringList &folders) { m_themeFolders = folders; }

    // The full path of a program, or an empty string when there is none.
    QString findProgram(const QString &name) const;
    void setProgramFinder(const ProgramFinder &finder) { m_findProgram = finder; }

    // Whether a desktop session is there for the theme player.
    bool hasDisplay() const { return m_hasDisplay; }
    void setHasDisplay(bool hasDisplay) { m_hasDisplay = hasDisplay; }

private:
    QStringList m_fileFolders;
    QStringList m_themeFolders;
    ProgramFinder m_findProgram;
    bool m_hasDisplay = false;
};

namespace SoundFiles {

// The wave file a sound setting names, as an absolute path, or an empty string
// when there is none. An absolute path is taken as it is; a bare or relative
// name (also the last part of a Windows path such as "C:\WINDOWS\Media\x.wav")
// is looked up in the search's file folders, in order, its case ignored when
// there is no exact match. Only RIFF WAVE files count.
QString resolve(const QString &setting, const SoundSearch &search);

// The desktop's message sound from the freedesktop sound theme, or an empty string.
QString themeMessageSound(const SoundSearch &search);

// The commands to try, in order, until one plays: the setting's wave file with
// each player there is, then the desktop's default message sound.
QList<SoundCommand> commandsFor(const QString &setting, const SoundSearch &search);

} // namespace SoundFiles

// Plays a sound file without waiting, as the message sound: a missing or
// unplayable file plays the desktop's message sound instead. A new sound ends
// the one still playing. No player, no sound device or no sound at all is
// not an error: nothing is reported and nothing waits.
class SoundPlayer : public QObject
{
    Q_OBJECT

public:
    // Plays through the machine's own players; a bare file name is looked up
    // beside the executable until setFileFolders() says otherwise.
    explicit SoundPlayer(QObject *parent = nullptr);
    SoundPlayer(const SoundSearch &search, std::unique_ptr<SoundLauncher> launcher,
                QObject *parent = nullptr);
    ~SoundPlayer() override;

    // Where a bare file name is looked up, in order, e.g. the data folder and
    // the executable's folder.
    void setFileFolders(const QStringList &folders);

    void play(const QString &fileName);
    void stop();

private:
    void startNext();
    void onFinished(bool played);

    SoundSearch m_search;
    std::unique_ptr<SoundLauncher> m_launcher;
    QList<SoundCommand> m_pending;
};
