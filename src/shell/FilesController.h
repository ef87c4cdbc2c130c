#pragma once

#include "ShellParts.h"
#include "UserPrompts.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>

class FileDropTarget;
class QMessageBox;
class TTransfersForm;
struct Recipient;

// Files and folders in the main window. Every way out (the file dialog, the
// folder dialog, a drop, the secure channel's "send openly") goes through the
// transfer queue, whose progress the transfers window shows; a single file
// from the dialog is also told of by a box when it ends. Received files ask
// the user through the notices and the save dialog here.
class FilesController : public QObject, public UserPrompts
{
    Q_OBJECT

public:
    // Boxes that only tell of a received file (saved, or not) open at once;
    // more are left to the transfers window, which lists every file.
    static constexpr int kMaxOpenFileNotices = 5;

    struct Setup : ShellParts
    {
        std::function<bool()> hasShutDown;
    };

    explicit FilesController(const Setup &setup);
    ~FilesController() override;

    // "Отправить файл": to the one selected contact.
    void sendFile();
    // "Отправить папку": to the selected contacts, as one ZIP archive.
    void sendFolder();
    // Files and folders (each folder as one ZIP archive) to the contacts
    // given, or to the selected ones; the transfers window shows them.
    // Returns their transfer ids.
    QList<int> sendPaths(const QList<Recipient> &recipients, const QStringList &paths);
    void sendToSelected(const QStringList &paths);
    // "Передача файлов", made when first needed.
    TTransfersForm *transfersForm();
    void openTransfers();
    bool isSendingFile() const;

    // UserPrompts
    void showFileNotice(Notice notice, const QString &text, std::function<void()> closed) override;
    void askSavePath(const QString &fileName, std::function<void(const QString &path)> answered) override;

private:
    void wireDrop();
    void wireSecureFailures();
    // The stream format's limits and an unreadable file, told before anything is queued.
    bool refusedUpFront(const QString &path);
    void tellEnd(int id, bool sent, const QString &error);
    void showWithoutFocus(int id);

    Setup m_setup;
    QPointer<TTransfersForm> m_transfersForm;
    FileDropTarget *m_drop = nullptr;
    QSet<int> m_toldByBox;          // single files from the dialog
    QSet<int> m_secureFailures;     // asked their own question: no second box when they end
    QList<QPointer<QMessageBox>> m_notices; // that only tell
};
