#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QString>

#include <deque>

// Every file going out or coming in while the program runs, as the transfers
// window shows it: one row per file, newest last. Finished rows beyond the
// last hundred are dropped, oldest first; rows still under way always stay.
class TransferList : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Direction { Outgoing, Incoming };
    enum class State {
        Waiting,  // queued behind other files to the same contact, or for a free lane
        Packing,  // a folder being archived
        Sending,
        Sent,     // acknowledged by the receiver
        Deciding, // received, waiting for the user to save or reject it
        Saved,
        Rejected,
        Failed,
        Cancelled,
    };
    enum Column { Name, Contact, Size, Progress, Rate, TimeLeft, Status, ColumnCount };

    struct Transfer
    {
        int id = 0;
        Direction direction = Direction::Outgoing;
        QString name;    // the file's name as the user knows it
        QString contact; // display name
        QString path;    // where it lies here: the source, or where it was saved
        qint64 size = 0;
        qint64 done = 0;
        State state = State::Waiting;
        QString error;
        QElapsedTimer clock; // runs from the first byte on
    };

    static constexpr int kKeptFinished = 100;

    explicit TransferList(QObject *parent = nullptr);

    int add(Direction direction, const QString &name, const QString &contact, const QString &path, qint64 size,
            State state = State::Waiting);
    void setState(int id, State state, const QString &error = QString());
    void setProgress(int id, qint64 done);
    void setSize(int id, qint64 size);
    void setPath(int id, const QString &path);

    const Transfer *find(int id) const;
    int rowOf(int id) const;
    int idAt(int row) const;
    static bool isFinished(State state);

    // Bytes per second since the first byte; 0 before there is a measure.
    static qint64 rate(const Transfer &transfer);
    static QString sizeText(qint64 bytes);
    static QString stateText(const Transfer &transfer);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A transfer reached a final state.
    void finished(int id);

private:
    Transfer *findMutable(int id);
    void changed(int id, int firstColumn = 0, int lastColumn = ColumnCount - 1);
    void dropOldFinished();

    std::deque<Transfer> m_rows;
    int m_nextId = 1;
    int m_finished = 0;
};
