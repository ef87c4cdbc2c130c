#pragma once

#include "StrmChannel.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class OptionsStore;
class QHostAddress;

// What receiving a file needs from the main window and the desktop.
class FileReceiveHost
{
public:
    enum class Notice { Information, Warning, Error };

    virtual ~FileReceiveHost() = default;

    // Who sent it, as the user knows that computer.
    virtual QString senderName(const QHostAddress &peer) const = 0;
    // A message box with the caption "Внимание" that does not block; closed()
    // runs once the user has dismissed it.
    virtual void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) = 0;
    // The save dialog offering `fileName`, opened without blocking;
    // answered() gets the chosen path, or an empty one when cancelled.
    virtual void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) = 0;
    // Where files wait while the user is asked; empty: the system's temporary folder.
    virtual QString dataFolder() const { return QString(); }
};

// Tells the user about each received file and saves it into the preset folder
// or where the user chooses. Files are handled one at a time in arrival
// order: the next waits until the dialogs of the one before are done.
class FileReceiver : public QObject
{
    Q_OBJECT

public:
    FileReceiver(FileReceiveHost &host, const OptionsStore &options, QObject *parent = nullptr);

    // Decides on a stream as its header arrives, before any of it is stored:
    // names that cannot be saved are refused, and with a preset folder the
    // bytes are spooled there and nowhere else.
    StreamAdmission admit(const StreamOffer &offer) const;
    void receive(const ReceivedStream &stream);
    // Waiting files, the one in hand included.
    qsizetype pending() const { return qsizetype(m_queue.size()); }

private:
    // false when the handling goes on in a dialog and finishes through done()
    bool handle(const ReceivedStream &stream);
    void saveIntoFolder(const ReceivedStream &stream, const QString &name);
    void askWhereToSave(const ReceivedStream &stream, const QString &name);
    void showSaveError(FileReceiveHost::Notice notice, const QString &text);
    void done();
    void handleWaiting();

    FileReceiveHost &m_host;
    const OptionsStore &m_options;
    std::deque<ReceivedStream> m_queue;
    bool m_handling = false;
};
