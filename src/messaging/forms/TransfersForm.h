#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class FileReceiver;
class QPushButton;
class QTableView;
class TransferList;
class TransferQueue;

// "Передача файлов": every transfer of this run, going out and coming in,
// with its progress; cancels a transfer under way, opens a finished file or
// its folder, and answers for received files that wait in the list. A view
// only: the list, the queue and the receiver belong to the messenger.
class TTransfersForm : public QWidget
{
    Q_OBJECT

public:
    // The queue may go before the window (at shutdown); nothing is cancelled then.
    TTransfersForm(TransferList &list, TransferQueue *queue, FileReceiver &receiver, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    // How a file or folder is opened; the desktop's way unless a test says otherwise.
    void setOpener(std::function<void(const QUrl &url)> opener) { m_opener = std::move(opener); }
    // Shows the row of transfer `id` as current.
    void selectTransfer(int id);
    int currentId() const;

    // What the buttons do, for the current row.
    void cancelCurrent();
    // A failed send goes again as a new transfer, which becomes current.
    void retryCurrent();
    void openCurrent();
    void openCurrentFolder();
    void saveCurrent();  // asks where
    void saveAll();      // asks which folder
    void rejectCurrent();
    void rejectAll();
    // The answers of the two dialogs.
    void saveCurrentTo(const QString &path);
    void saveAllInto(const QString &folder);

private:
    void updateButtons();
    QString currentContact() const;

    TransferList &m_list;
    QPointer<TransferQueue> m_queue;
    FileReceiver &m_receiver;
    QTableView *m_view;
    QPushButton *m_cancel;
    QPushButton *m_retry;
    QPushButton *m_open;
    QPushButton *m_openFolder;
    QPushButton *m_save;
    QPushButton *m_saveAll;
    QPushButton *m_reject;
    QPushButton *m_rejectAll;
    std::function<void(const QUrl &url)> m_opener;
};
