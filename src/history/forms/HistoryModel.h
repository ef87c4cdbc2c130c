#pragma once

#include "HistoryIndex.h"

#include <QAbstractTableModel>
#include <QCache>

// The entries of the history, newest first: all of them, or the ones a query
// found. Rows are read from the file when shown, a few hundred kept at hand.
class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { DateColumn, FromColumn, ToColumn, TextColumn, ColumnCount };

    explicit HistoryModel(HistoryIndex &index, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The entry (index into the snapshot) a row shows, -1 for none, and back.
    qsizetype entryAt(int row) const;
    int rowOf(qsizetype entry) const;
    HistoryRecord record(int row) const;
    // Where a row's entry starts in the file, -1 for none; the row of the
    // entry holding a file position, -1 when it is not shown. Positions stay
    // right when the index is rebuilt, entry numbers may not.
    qint64 startAt(int row) const;
    int rowAt(qint64 position) const;
    bool isFiltered() const { return m_filtered; }
    // Waiting for the answer to a query.
    bool isSearching() const { return m_searching; }

    void setQuery(const HistoryQuery &query);

Q_SIGNALS:
    void searchingChanged(bool searching);

private:
    void onIndexChanged();
    void onSearched(const HistoryQuery &query, const QList<quint32> &rows, const HistorySnapshot &snapshot);

    HistoryIndex &m_index;
    HistorySnapshot m_snapshot;
    bool m_filtered = false;
    bool m_searching = false;
    QList<quint32> m_rows;
    mutable QCache<qsizetype, HistoryRecord> m_records{512};
};
