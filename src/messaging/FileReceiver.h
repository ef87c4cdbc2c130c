#pragma once

#include "StrmChannel.h"
#include "TransferList.h"

#include <QHash>
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
    // The same for a stream named `wireName` ("\\COMPUTER\file"), over TLS
    // with `peerKey` (empty in the open): a key may say more than the address.
    virtual QString senderOf(const QHostAddress &peer, const QString &wireName, const QString &peerKey) const
    {
        Q_UNUSED(wireName);
        Q_UNUSED(peerKey);
        return senderName(peer);
    }
    // A message box with the caption "Внимание" that does not block; closed()
    // runs once the user has dismissed it.
    virtual void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) = 0;
    // The save dialog offering `fileName`, opened without blocking;
    // answered() gets the chosen path, or an empty one when cancelled.
    virtual void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) = 0;
    // Where files wait while the user is asked; empty: the system's temporary folder.
    virtual QString dataFolder() const { return QString(); }
    // Whether files that arrive while an earlier one waits for its answer may
    // wait in the transfers list instead of asking one by one.
    virtual bool listsWaitingFiles() const { return false; }
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
    // A stream being received gets its row as it starts, and follows its bytes.
    void started(const StreamOffer &offer);
    void progressed(int streamId, qint64 received);
    // Waiting files, the one in hand included.
    qsizetype pending() const { return qsizetype(m_queue.size()) + qsizetype(m_listed.size()); }

    // Every received file becomes a row of `list` (optional).
    void setTransferList(TransferList *list) { m_list = list; }
    // Files that wait in the list for the user's answer, by transfer id; the
    // one whose dialog is open is among them.
    QList<int> waitingFiles(const QString &sender = QString()) const;
    // Saves one waiting file at `path` (replaced without a question), or all
    // of `sender` (everyone's when empty) into `folder`, where a name that is
    // taken gets " (2)", " (3)" and so on. False with the reason in *error
    // when a file could not be saved; it stays waiting.
    bool saveWaiting(int id, const QString &path, QString *error = nullptr);
    int saveAllWaiting(const QString &sender, const QString &folder, QStringList *errors = nullptr);
    void rejectWaiting(int id);
    void rejectAllWaiting(const QString &sender);

Q_SIGNALS:
    // A received file waits in the list for the user's answer.
    void waitsForDecision(int id);

private:
    // false when the handling goes on in a dialog and finishes through done()
    bool handle(const ReceivedStream &stream);
    void saveIntoFolder(const ReceivedStream &stream, const QString &name);
    void askWhereToSave(const ReceivedStream &stream, const QString &name);
    void showSaveError(FileReceiveHost::Notice notice, const QString &text);
    void done();
    void handleWaiting();

    struct Listed
    {
        int id = 0;
        ReceivedStream stream;
        QString name;
        QString sender;
    };
    // Lists a file (with a row when there is a list); its transfer id, or 0.
    int list(const ReceivedStream &stream, const QString &name, const QString &sender);
    // The listed file leaves the list: saved at `path` (empty: rejected).
    void unlist(int id, const QString &savedAt);
    bool storeListed(const Listed &listed, const QString &path, QString *error);
    bool isListed(int id) const;
    // The row a stream got as it started, or 0.
    int liveRow(const ReceivedStream &stream) const;
    // Its row, if it has one, reaches its final state.
    void endRow(const ReceivedStream &stream, TransferList::State state, const QString &path = QString(),
                const QString &error = QString());

    FileReceiveHost &m_host;
    const OptionsStore &m_options;
    TransferList *m_list = nullptr;
    std::deque<ReceivedStream> m_queue;
    std::deque<Listed> m_listed;
    QHash<int, int> m_live; // stream id -> its row, until the row reaches its final state
    bool m_handling = false;
};
